// SPDX-License-Identifier: MIT
#pragma once

#include "ChannelScale.h"
#include "TraceLines.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The graph's A and B cursors without a window: each cursor sits on a record
// (an index into the shown times, which never decrease), moves by a record or
// by a minute, and reads each shown channel at A and B. Times are the graph
// axis's seconds (one day: seconds of the day; several days: seconds since the
// first day's midnight), so the difference is right across days as well.
namespace cursors {

// The record nearest to time t (the earlier of two equally near); 0 without records.
std::size_t snapToRecord(std::span<const std::int32_t> seconds, double t);

// `steps` records later (negative: earlier), kept within the records.
std::size_t stepByRecords(std::span<const std::int32_t> seconds, std::size_t index, int steps);

// A minute later (direction > 0) or earlier: the first record at or after the
// time a minute on, or the last at or before the time a minute back; the last
// (first) record when there is none. Across a gap the cursor lands on the
// first record beyond it.
std::size_t stepByMinute(std::span<const std::int32_t> seconds, std::size_t index, int direction);

// B − A as "hh:mm:ss" (hours go past 24 across days), "-hh:mm:ss" when B is
// before A.
QString deltaText(double secondsA, double secondsB);

// One channel's read-out: its raw values at A and B (as the graph draws them)
// in physical units with the decimals of its divisor, their difference B − A,
// and its unit.
struct ChannelReading
{
    QString atA;
    QString atB;
    QString difference;
    QString unit;
};
ChannelReading readChannel(int quantity, std::int32_t rawA, std::int32_t rawB);

// The read-out of every shown channel of a series at records a and b (as the
// cursors hold them); a channel without a quantity or values reads empty.
struct CursorReadout
{
    QString delta; // deltaText of the two records' times
    std::array<std::optional<ChannelReading>, channels::count> channels;
};
CursorReadout readCursors(const PlotSeries& series, const channels::Quantities& quantities, std::size_t a,
                          std::size_t b);

// Decimals a value of this quantity is shown with: 1 for a divisor of 10, 2
// for 100, 0 for 1.
int decimalsOf(int quantity);

// The read-out as one line a screen reader reads: "<name>: A 12.3 A, B 14.0 A, B−A 1.7 A".
QString readingLine(const QString& channelName, const ChannelReading& reading);
// One placed cursor's value (the reading's A): "<name>: B 14.0 A".
QString placedReadingLine(const QString& channelName, const QString& letter, const ChannelReading& reading);

} // namespace cursors
