// SPDX-License-Identifier: MIT
#pragma once

#include "ChannelScale.h"
#include "DayFile.h"
#include "MultiDayAxis.h"
#include "RecordingList.h"
#include "TraceLines.h"

#include <QLine>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

// A run of day files in memory for the graph: one time axis, the shown
// channels' values (not every measurement of every record: a month at one
// record a second is 2.6 million records), a min/max summary per pixel column
// for drawing the whole range at once, and the fault starts of the whole range.
// No widgets; the loading thread owns the result until it hands it over.
namespace multiday {

// One day of the range as it was read.
struct LoadedDay
{
    DbDate date;
    DbReadStatus status = DbReadStatus::OpenFailed; // not Ok: the day is a gap
    std::size_t firstIndex = 0;                     // its first record's index in the series
    std::uint64_t fileRecords = 0; // whole records read from the file (the next append starts here)
};

// A fault that became active somewhere in the range.
struct RangeFault
{
    DbDate date;
    recordings::FaultStart start; // catalogue index and "hh:mm:ss"
    std::int32_t time = 0;        // on the axis, for going to it
};

// Per pixel column of the whole range, per shown channel: the lowest and
// highest value drawn there. A column starts a run when a pen break (link
// lost, a gap) falls into it: no line joins it to the column before.
struct ColumnSummary
{
    double start = 0, end = 0; // the times the columns divide evenly
    int columns = 0;
    std::vector<std::uint8_t> filled;    // a drawn record falls into the column
    std::vector<std::uint8_t> startsRun; // a pen break falls into it
    std::array<std::vector<std::int32_t>, PlotSeries::channelCount> low, high;
};

struct LoadedRange
{
    Axis axis;
    channels::Quantities quantities{};
    // Axis times, pen breaks (the first record, records without a link, and
    // the first record after a gap) and the shown channels' values as the
    // graph draws them. Records with a damaged time are left out.
    PlotSeries series;
    std::int32_t gapLimit = 0;   // longest step drawn as a line
    std::vector<LoadedDay> days; // one per calendar day of the axis
    std::vector<RangeFault> faults;
    ColumnSummary summary;
    // Flags of the last record loaded: a fault still active in the records
    // that follow (the next day's, or those appended later) did not start
    // again. None after a missing day.
    _tagSTRUCT_DATA lastRecord;
    bool hasLastRecord = false;
};

// Loads the files of the days first..last from the recordings folder (a day
// without a readable file is a gap), keeping the given channels (noQuantity:
// none) and summarising them over `columns` pixel columns of the whole range.
LoadedRange loadDays(const std::filesystem::path& folder, const DbDate& first, const DbDate& last,
                     const channels::Quantities& quantities, int columns);

// The summary of the series between two axis times over `columns` columns.
ColumnSummary summarize(const PlotSeries& series, double start, double end, int columns);

// The columns of a summary that fall into `view` (by their middle), gathered
// into `columns` even columns of the view: a summary of the whole range with
// many columns per pixel serves every view still several of them wide,
// without walking the records again.
ColumnSummary summaryOfView(const ColumnSummary& summary, const graphmath::View& view, int columns);

// The lines of one channel drawn from the summary: a vertical line from the
// lowest to the highest value in each filled column, joined to the filled
// column before it when no break falls between them.
std::vector<QLine> summaryLines(const graphmath::Plot& plot, const graphmath::Scale& scale,
                                const ColumnSummary& summary, int channel);

// Extends the range up to `date` (the recorder has begun a new day): its
// days are added without records, the summary is made anew over the longer
// axis with `columns` columns. Nothing happens for a date not after the last.
void extendTo(LoadedRange& range, const DbDate& date, int columns);

// Appends what the file of the range's last day holds past the records loaded
// from it (the day being recorded grows), without reading the rest again: the
// series, the fault starts and the summary follow. Returns the number of
// records appended.
std::size_t appendNewRecords(LoadedRange& range, const std::filesystem::path& folder);

} // namespace multiday
