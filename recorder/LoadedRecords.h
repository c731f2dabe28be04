// SPDX-License-Identifier: MIT
#pragma once

#include "ChannelScale.h"
#include "DayFile.h"
#include "MultiDayLoad.h"
#include "TraceLines.h"

#include <QString>
#include <filesystem>
#include <optional>
#include <vector>

// The recording the recorder window shows: one day with its records, or a run
// of days (multiday::LoadedRange: only the shown channels and a summary, as a
// month of every record would not fit), and what the graph draws of them.
// The series' times and pen breaks are built once per load and a channel's
// values once per quantity, so a pan or zoom only walks the visible records.
// UI thread only.
class LoadedRecords
{
public:
    // Reads a day file in place of the loaded recording (into its storage: one
    // day in memory at a time). Nothing stays loaded unless the status is Ok.
    DbReadStatus load(const QString& path);
    // Loads the days first..last of `folder` in place of the loaded recording,
    // keeping the channels of `quantities` summarised for a plot `columns`
    // pixels wide. False, and the loaded recording kept, when no day has a file.
    bool loadRange(const std::filesystem::path& folder, const DbDate& first, const DbDate& last,
                   const channels::Quantities& quantities, int columns);

    // The one day's records; none while a run of days is loaded.
    const std::vector<_tagSTRUCT_DATA>& records() const { return m_records; }
    const multiday::LoadedRange* range() const { return m_range ? &*m_range : nullptr; }
    bool empty() const { return m_range ? m_range->series.seconds.empty() : m_records.empty(); }
    // The loaded day (its header date) or days.
    multiday::Axis axis() const;
    // The file of the loaded day, or of the range's last day.
    std::filesystem::path lastFile() const;

    // What the graph draws for channels showing `quantities`: values scaled by
    // each quantity's rule, records with a damaged time left out (the graph
    // skips them anyway, and without them the times can be searched). A run
    // of days is read again for a quantity it does not hold.
    const PlotSeries& series(const channels::Quantities& quantities);
    // A run of days is summarised over this many columns per pixel column, so
    // views down to a sixteenth of the range draw from the summary.
    static constexpr int summaryColumnsPerPixel = 32;
    // A run of days summarised for a plot `columns` pixels wide (the graph was resized).
    void fitSummary(int columns);

    // The last file grew (it is being recorded): reads only what was added.
    // Returns the number of records added.
    std::size_t appendNewRecords();
    // The recorder began the day `date` after the last one loaded: the loaded
    // day or days run up to it (one day becomes a run of days).
    void extendTo(const DbDate& date);

private:
    void appendToSeries(std::size_t from);

    std::vector<_tagSTRUCT_DATA> m_records; // arrRecords
    std::filesystem::path m_path;           // the one day's file
    DbDate m_date;                          // its header date
    PlotSeries m_series;
    std::vector<std::size_t> m_seriesRecords;  // index in m_records of each series entry
    channels::Quantities m_seriesQuantities{}; // seriesUnbuilt: values still to fill
    bool m_seriesTimesValid = false;

    std::optional<multiday::LoadedRange> m_range;
    std::filesystem::path m_folder; // the range's
    int m_columns = 0;              // the plot's width in pixels
};
