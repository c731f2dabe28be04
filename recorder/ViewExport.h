// SPDX-License-Identifier: MIT
#pragma once

#include "DayFile.h"
#include "MultiDayAxis.h"
#include "TableExport.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>

// Exporting what the graph shows: the records whose time on the axis lies in
// the view [start, end], both ends included (the graph draws a record at
// either edge), read from the recordings folder one day file at a time, never
// the whole span in memory. A day without a readable file is skipped (the
// graph shows it as a gap), and so is a record with a damaged time (the graph
// leaves it out). No widgets; any thread.
namespace viewexport {

struct Span
{
    double start = 0; // axis seconds
    double end = 0;
};

class SpanWalker
{
public:
    SpanWalker(std::filesystem::path folder, const multiday::Axis& axis, const Span& span);

    // The next record of the span, in file order, day after day; nullptr after the last.
    const _tagSTRUCT_DATA* next();
    // The date of the record next() gave last.
    const DbDate& date() const { return m_date; }
    // About how many records the span holds, from the sizes of its days'
    // files and the share of each day it covers (for progress).
    std::uint64_t expectedRecords() const { return m_expected; }

private:
    std::filesystem::path m_folder;
    multiday::Axis m_axis;
    Span m_span;
    int m_day = 0;     // index on the axis of the day read next
    int m_lastDay = 0; // last day the span touches
    DbDate m_date;
    std::vector<_tagSTRUCT_DATA> m_records; // the day being walked
    std::size_t m_index = 0;
    std::int32_t m_dayStart = 0; // its midnight on the axis
    std::uint64_t m_expected = 0;
};

// "Table_08122025" for a span inside one day, "Table_08122025-10122025" for
// one across days: the suggested name without extension.
QString suggestedName(const multiday::Axis& axis, const Span& span);

// Writes the span to a table file by exporting::writeTable's rules (the day
// export's columns, a temporary file renamed over the target when complete,
// cancel, sheets of rowsPerSheet rows). progress gets rows written and rows
// expected.
exporting::Result writeSpan(const QString& target, const std::filesystem::path& folder,
                            const multiday::Axis& axis, const Span& span, const std::atomic<bool>& cancel,
                            const std::function<void(std::size_t done, std::size_t expected)>& progress = {},
                            std::size_t rowsPerSheet = exporting::sheetRowLimit);

} // namespace viewexport
