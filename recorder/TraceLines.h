// SPDX-License-Identifier: MIT
#pragma once

#include "GraphGeometry.h"

#include <QLine>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

// What the graph draws of a loaded day: one time per record, where the pen
// lifts, and per channel the raw value of its quantity at each record.
struct PlotSeries
{
    static constexpr int channelCount = 5;
    std::vector<std::int32_t> seconds;                          // time of day of each record
    std::vector<std::uint8_t> penBreaks;                        // 1: first record, or written without a link
    std::array<std::vector<std::int32_t>, channelCount> values; // empty: channel without a quantity
    // Every time lies within the day and none comes before the one ahead of
    // it: a view then finds its records by binary search.
    bool timeOrdered = false;
};

namespace graphmath {

// The line segments of one channel in the current view. The pen follows the
// records in order: a break moves it to (x(t), bottom) without drawing, every
// other record draws from the pen to (x(t), y(v)) when x lies strictly inside
// the plot, and the pen moves there in any case.
//
// Records that fall into the same pixel column are reduced to the first, the
// lowest, the highest and the last of them (in their order): the segments
// between them are vertical within that column, so the picture keeps every
// peak while a full day draws a few thousand segments instead of 86,400.
//
// With timeOrdered (see PlotSeries) only the records of the visible columns
// and the one before them are walked; the lines are the same.
//
// Times outside 0..lastSecond are damaged and skipped (an axis of several
// days passes its own end).
std::vector<QLine> traceLines(const Plot& plot, const View& view, const Scale& scale,
                              std::span<const std::int32_t> seconds, std::span<const std::uint8_t> penBreaks,
                              std::span<const std::int32_t> values, bool timeOrdered = false,
                              std::int32_t lastSecond = std::int32_t(fullEnd));

} // namespace graphmath
