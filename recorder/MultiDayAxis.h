// SPDX-License-Identifier: MIT
#pragma once

#include "DayFileFormat.h"
#include "GraphGeometry.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The graph's time axis over a run of consecutive days. A time on it is the
// seconds since the first day's midnight, every day counted as 86,400 s (the
// files stamp local wall-clock times, so a day with a clock change still fills
// one day's width). One day is the day graph's own axis: the same times, views
// and labels.
namespace multiday {

constexpr std::int32_t daySeconds = 86400;

// Calendar days from `first` to `date` (negative when date comes before).
int daysBetween(const DbDate& first, const DbDate& date);
// The date `days` calendar days after `first`.
DbDate dateAfter(const DbDate& first, int days);

struct Axis
{
    DbDate first; // the date at time 0
    int days = 1; // consecutive calendar days shown, missing files included

    // Axis time of a record of `date` at `secondOfDay`.
    std::int32_t timeOf(const DbDate& date, int secondOfDay) const;
    // The day (0 to days - 1) that holds axis time t; times outside the axis
    // give its first or last day.
    int dayAt(double t) const;
    double end() const { return double(days) * daySeconds; }
};

// An axis over the days from `first` to `last` (at least one day).
Axis axisFor(const DbDate& first, const DbDate& last);

// Label of time division j (0 to 60) of a view: the time as the day graph
// labels it ("godz.hh:mm", "min.mm:ss"), and on an axis of several days the
// date ("08.12.2025") at division 0 and wherever the day differs from the
// division before; empty on one day.
struct TickLabel
{
    QString time;
    QString date;
};
TickLabel tickLabel(const Axis& axis, const graphmath::View& view, int division);
// The same for the labelled divisions only, every `step` divisions: the date
// shows where the day differs from the labelled division `step` before.
TickLabel tickLabel(const Axis& axis, const graphmath::View& view, int division, int step);

// The graph's plot area on this axis: the day graph's, and over several days
// with a second label row under the time axis for the dates.
graphmath::Plot plotFor(const Axis& axis, QSize client);

// The time under the cursor as "08.12.2025 12:05:09" (several days) or the
// day graph's "12:05:09" (one day).
QString cursorText(const Axis& axis, double seconds);

// Navigation over the whole axis, as the day graph's over one day: views stay
// inside it, span at least 60 s.
graphmath::View wholeAxis(const Axis& axis);
graphmath::View keepInside(const Axis& axis, double start, double end);
// Moves the view by a share of its span (negative: earlier).
graphmath::View panBy(const Axis& axis, const graphmath::View& view, double share);
// Zooms by `factor` (below 1: in) keeping time t where it is on the screen.
graphmath::View zoomAround(const Axis& axis, const graphmath::View& view, double t, double factor);

// The graph's buttons and mouse on the axis: on one day exactly the day
// graph's moves (graphmath), over several days the same moves over the whole
// axis (a scroll by one division, a zoom by 1.3 keeping the time under x, a
// selection widened to a minute, a time centred with the cursor on it).
graphmath::View scrollEarlier(const Axis& axis, const graphmath::View& view);
graphmath::View scrollLater(const Axis& axis, const graphmath::View& view);
graphmath::View zoomInAt(const Axis& axis, const graphmath::Plot& plot, const graphmath::View& view, int x);
graphmath::View zoomOutAt(const Axis& axis, const graphmath::Plot& plot, const graphmath::View& view, int x);
graphmath::View zoomToRange(const Axis& axis, const graphmath::Plot& plot, const graphmath::View& view,
                            int x1, int x2);
// Empty (ok false) for a time outside the axis.
graphmath::GoToResult goToTime(const Axis& axis, const graphmath::Plot& plot, const graphmath::View& view,
                               double t);

// Gaps. A step between two records longer than gapIntervals recording
// intervals (or a day without a file) is a gap: no line crosses it.
constexpr int gapIntervals = 3;
// The recording interval the records show: the median of the steps between
// records; 0 (not known) without a positive step.
std::int32_t typicalInterval(std::span<const std::int32_t> seconds);
// Longest step that still draws a line; 0 while the interval is not known.
std::int32_t gapLimit(std::span<const std::int32_t> seconds);
// Sets the pen break (as the graph's series holds them) of every record that
// follows a gap longer than `limit` (none while the limit is 0).
void markGaps(std::span<const std::int32_t> seconds, std::span<std::uint8_t> penBreaks, std::int32_t limit);

// The runs of records drawn as one line: from a pen break up to the next.
struct Segment
{
    std::size_t first = 0; // index of the first record
    std::size_t end = 0;   // one past the last
};
std::vector<Segment> segments(std::span<const std::uint8_t> penBreaks);

} // namespace multiday
