// SPDX-License-Identifier: MIT
#pragma once

#include "ChannelScale.h"
#include "DayFile.h"
#include "TraceLines.h"

#include <QString>
#include <vector>

// The recording the recorder window shows: its records, and what the graph
// draws of them. The series' times and pen breaks are built once per load and
// a channel's values once per quantity, so a pan or zoom only walks the
// visible records. UI thread only.
class LoadedRecords
{
public:
    // Reads a day file in place of the loaded one (into its storage: one day in
    // memory at a time). Nothing stays loaded unless the status is Ok.
    DbReadStatus load(const QString& path);

    const std::vector<_tagSTRUCT_DATA>& records() const { return m_records; }

    // What the graph draws for channels showing `quantities`: values scaled by
    // each quantity's rule, records with a damaged time left out (the graph
    // skips them anyway, and without them the times can be searched).
    const PlotSeries& series(const channels::Quantities& quantities);

private:
    std::vector<_tagSTRUCT_DATA> m_records; // arrRecords
    PlotSeries m_series;
    std::vector<std::size_t> m_seriesRecords;  // index in m_records of each series entry
    channels::Quantities m_seriesQuantities{}; // seriesUnbuilt: values still to fill
    bool m_seriesTimesValid = false;
};
