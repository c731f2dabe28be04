// SPDX-License-Identifier: MIT
#include "MultiDayLoad.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace multiday {

namespace {

// The fault starts of a file's records, given the record before them (the
// last of the day before, or the last one loaded): a fault already active
// there did not start at the first record.
void addFaults(LoadedRange& range, const DbDate& date, const std::vector<_tagSTRUCT_DATA>& records)
{
    const _tagSTRUCT_DATA* before = range.hasLastRecord ? &range.lastRecord : nullptr;
    for (const recordings::FaultStart& start : recordings::faultStarts(records, before))
        range.faults.push_back({date, start, range.axis.timeOf(date, start.secondOfDay)});
}

// Appends a file's records to the series (times on the axis, pen breaks for
// the first record and records without a link, the shown channels' values).
void addRecords(LoadedRange& range, const DbDate& date, const std::vector<_tagSTRUCT_DATA>& records)
{
    PlotSeries& series = range.series;
    const std::int32_t dayStart = range.axis.timeOf(date, 0);
    for (const _tagSTRUCT_DATA& record : records) {
        const int second = DbSecondOfDay(record);
        if (!DbIsMomentOfDay(second))
            continue;
        series.penBreaks.push_back(series.seconds.empty() || record.nLinkState == 0);
        series.seconds.push_back(dayStart + second);
        for (std::size_t c = 0; c < range.quantities.size(); ++c) {
            const int quantity = range.quantities[c];
            if (quantity != channels::noQuantity)
                series.values[c].push_back(
                    channels::channelValue(quantity, record.nValue[std::size_t(quantity)]));
        }
    }
    addFaults(range, date, records);
    if (!records.empty()) {
        range.lastRecord = records.back();
        range.hasLastRecord = true;
    }
}

// The column of time t among the summary's (t within start..end).
std::size_t columnOf(const ColumnSummary& summary, double t)
{
    const double width = summary.end - summary.start;
    return std::size_t(std::min(int((t - summary.start) * summary.columns / width), summary.columns - 1));
}

// Widens a column by each channel's values low..high (`channelLow` and
// `channelHigh` give them per channel); the first values in a column set it.
template <typename Low, typename High>
void widenColumn(ColumnSummary& summary, std::size_t column, Low channelLow, High channelHigh)
{
    const bool first = !summary.filled[column];
    summary.filled[column] = 1;
    for (std::size_t c = 0; c < summary.low.size(); ++c) {
        if (summary.low[c].empty())
            continue;
        const std::int32_t low = channelLow(c), high = channelHigh(c);
        summary.low[c][column] = first ? low : std::min(summary.low[c][column], low);
        summary.high[c][column] = first ? high : std::max(summary.high[c][column], high);
    }
}

// Adds records from..to of the series into the summary's columns.
void addToSummary(ColumnSummary& summary, const PlotSeries& series, std::size_t from, std::size_t to)
{
    const double width = summary.end - summary.start;
    if (summary.columns <= 0 || width <= 0)
        return;
    // A channel's columns are made with its first values (a day loaded empty has none yet).
    for (std::size_t c = 0; c < series.values.size(); ++c) {
        if (series.values[c].empty() || !summary.low[c].empty())
            continue;
        summary.low[c].assign(std::size_t(summary.columns), 0);
        summary.high[c].assign(std::size_t(summary.columns), 0);
    }
    for (std::size_t i = from; i < to; ++i) {
        const double t = series.seconds[i];
        if (t < summary.start || t > summary.end)
            continue;
        const std::size_t column = columnOf(summary, t);
        if (series.penBreaks[i]) {
            summary.startsRun[column] = 1;
            continue;
        }
        const auto value = [&](std::size_t c) { return series.values[c][i]; };
        widenColumn(summary, column, value, value);
    }
}

// Marks the gaps of records from..end (from > 0 looks at the step into it too)
// and whether the times still never decrease.
void followNewRecords(LoadedRange& range, std::size_t from)
{
    PlotSeries& series = range.series;
    if (range.gapLimit <= 0) {
        // Too few records to know the interval before: learn it now, over all.
        range.gapLimit = gapLimit(series.seconds);
        from = 0;
    }
    const std::size_t at = from > 0 ? from - 1 : 0;
    const auto seconds = std::span<const std::int32_t>(series.seconds).subspan(at);
    markGaps(seconds, std::span<std::uint8_t>(series.penBreaks).subspan(at), range.gapLimit);
    series.timeOrdered = (from == 0 || series.timeOrdered) && std::is_sorted(seconds.begin(), seconds.end());
}

} // namespace

ColumnSummary summarize(const PlotSeries& series, double start, double end, int columns)
{
    ColumnSummary summary;
    summary.start = start;
    summary.end = end;
    summary.columns = std::max(columns, 0);
    summary.filled.assign(std::size_t(summary.columns), 0);
    summary.startsRun.assign(std::size_t(summary.columns), 0);
    addToSummary(summary, series, 0, series.seconds.size());
    return summary;
}

ColumnSummary summaryOfView(const ColumnSummary& summary, const graphmath::View& view, int columns)
{
    ColumnSummary shown;
    shown.start = view.start;
    shown.end = view.end;
    shown.columns = std::max(columns, 0);
    const auto count = std::size_t(shown.columns);
    shown.filled.assign(count, 0);
    shown.startsRun.assign(count, 0);
    const double width = summary.end - summary.start, span = view.end - view.start;
    if (summary.columns <= 0 || width <= 0 || span <= 0 || count == 0)
        return shown;
    for (std::size_t c = 0; c < summary.low.size(); ++c)
        if (!summary.low[c].empty()) {
            shown.low[c].assign(count, 0);
            shown.high[c].assign(count, 0);
        }
    const double step = width / summary.columns;
    const int from = std::max(0, int(std::floor((view.start - summary.start) / step)) - 1);
    const int to = std::min(summary.columns - 1, int(std::ceil((view.end - summary.start) / step)));
    for (int f = from; f <= to; ++f) {
        const double t = summary.start + (f + 0.5) * step;
        if (t < view.start || t > view.end)
            continue;
        const std::size_t column = columnOf(shown, t);
        const auto source = std::size_t(f);
        if (summary.startsRun[source])
            shown.startsRun[column] = 1;
        if (summary.filled[source])
            widenColumn(
                shown, column, [&](std::size_t c) { return summary.low[c][source]; },
                [&](std::size_t c) { return summary.high[c][source]; });
    }
    return shown;
}

LoadedRange loadDays(const std::filesystem::path& folder, const DbDate& first, const DbDate& last,
                     const channels::Quantities& quantities, int columns)
{
    LoadedRange range;
    range.axis = axisFor(first, last);
    range.quantities = quantities;
    // Each day's records are decoded into the vector the day before handed back.
    std::vector<_tagSTRUCT_DATA> storage;
    for (int d = 0; d < range.axis.days; ++d) {
        LoadedDay day{dateAfter(first, d)};
        DbFileContents contents = ReadDbFile(DbFilePath(folder, day.date), std::move(storage));
        day.status = contents.status;
        day.firstIndex = range.series.seconds.size();
        if (contents.status == DbReadStatus::Ok) {
            day.fileRecords = contents.records.size();
            addRecords(range, day.date, contents.records);
        } else {
            // Nothing is known of the faults across a missing day: those active after it are listed again.
            range.hasLastRecord = false;
        }
        range.days.push_back(day);
        storage = std::move(contents.records);
    }
    range.gapLimit = gapLimit(range.series.seconds);
    followNewRecords(range, 0);
    range.summary = summarize(range.series, 0, range.axis.end(), columns);
    return range;
}

void extendTo(LoadedRange& range, const DbDate& date, int columns)
{
    const int added = daysBetween(range.axis.first, date) + 1 - range.axis.days;
    if (added <= 0)
        return;
    // A day skipped on the way is missing: nothing is known of the faults across it.
    if (added > 1 || range.days.empty() || range.days.back().status != DbReadStatus::Ok)
        range.hasLastRecord = false;
    for (int d = 0; d < added; ++d)
        range.days.push_back({dateAfter(range.axis.first, range.axis.days + d), DbReadStatus::OpenFailed,
                              range.series.seconds.size(), 0});
    range.axis.days += added;
    range.summary = summarize(range.series, 0, range.axis.end(), columns);
}

std::size_t appendNewRecords(LoadedRange& range, const std::filesystem::path& folder)
{
    if (range.days.empty())
        return 0;
    LoadedDay& day = range.days.back();
    const DbFileContents contents = ReadDbFileTail(DbFilePath(folder, day.date), day.fileRecords);
    if (contents.status != DbReadStatus::Ok || contents.records.empty())
        return 0;
    if (day.status != DbReadStatus::Ok) {
        // The file was made after the range was loaded.
        day.status = DbReadStatus::Ok;
        day.firstIndex = range.series.seconds.size();
    }
    const std::size_t before = range.series.seconds.size();
    addRecords(range, day.date, contents.records);
    day.fileRecords += contents.records.size();
    followNewRecords(range, before);
    addToSummary(range.summary, range.series, before, range.series.seconds.size());
    return range.series.seconds.size() - before;
}

std::vector<QLine> summaryLines(const graphmath::Plot& plot, const graphmath::Scale& scale,
                                const ColumnSummary& summary, int channel)
{
    std::vector<QLine> lines;
    const auto& low = summary.low[std::size_t(channel)];
    const auto& high = summary.high[std::size_t(channel)];
    if (scale.empty() || low.empty() || summary.columns <= 0)
        return lines;
    const graphmath::View view = graphmath::makeView(summary.start, summary.end);
    const double columnWidth = (summary.end - summary.start) / summary.columns;
    const graphmath::ValueToY yOf(plot, scale);
    bool joined = false; // a filled column before, with no break since
    QPoint pen;
    for (std::size_t c = 0; c < std::size_t(summary.columns); ++c) {
        if (summary.startsRun[c])
            joined = false;
        if (!summary.filled[c])
            continue;
        const int x = graphmath::xOfTime(plot, view, summary.start + (double(c) + 0.5) * columnWidth);
        const QPoint top(x, yOf(high[c])), bottom(x, yOf(low[c]));
        if (joined)
            lines.emplace_back(pen, bottom);
        lines.emplace_back(bottom, top);
        pen = top;
        joined = true;
    }
    return lines;
}

} // namespace multiday
