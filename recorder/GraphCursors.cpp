// SPDX-License-Identifier: MIT
#include "GraphCursors.h"

#include "ChannelScale.h"
#include "DayFileFormat.h"
#include "TableExport.h"
#include "ZRQ7DLL.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace cursors {

std::size_t snapToRecord(std::span<const std::int32_t> seconds, double t)
{
    if (seconds.empty())
        return 0;
    const auto after =
        std::partition_point(seconds.begin(), seconds.end(), [t](std::int32_t s) { return s < t; });
    if (after == seconds.begin())
        return 0;
    if (after == seconds.end())
        return seconds.size() - 1;
    const auto before = std::prev(after);
    // Equally near: the earlier; among equal times, the first of them.
    const auto nearest = t - *before <= *after - t ? before : after;
    return std::size_t(std::lower_bound(seconds.begin(), seconds.end(), *nearest) - seconds.begin());
}

std::size_t stepByRecords(std::span<const std::int32_t> seconds, std::size_t index, int steps)
{
    if (seconds.empty())
        return 0;
    const long long last = (long long)seconds.size() - 1;
    return std::size_t(
        std::clamp((long long)std::min<std::size_t>(index, std::size_t(last)) + steps, 0LL, last));
}

std::size_t stepByMinute(std::span<const std::int32_t> seconds, std::size_t index, int direction)
{
    if (seconds.empty())
        return 0;
    index = std::min(index, seconds.size() - 1);
    if (direction > 0) {
        const auto at = std::lower_bound(seconds.begin(), seconds.end(), std::int64_t(seconds[index]) + 60);
        return at == seconds.end() ? seconds.size() - 1 : std::size_t(at - seconds.begin());
    }
    const auto after = std::upper_bound(seconds.begin(), seconds.end(), std::int64_t(seconds[index]) - 60);
    return after == seconds.begin() ? 0 : std::size_t(after - seconds.begin()) - 1;
}

QString deltaText(double secondsA, double secondsB)
{
    const long long delta = std::llround(secondsB - secondsA);
    const long long whole = std::llabs(delta);
    return (delta < 0 ? QStringLiteral("-") : QString()) +
           QString::asprintf("%.2lld:%.2lld:%.2lld", whole / 3600, whole / 60 % 60, whole % 60);
}

int decimalsOf(int quantity)
{
    int decimals = 0;
    for (int divisor = channels::divisorOf(quantity); divisor >= 10; divisor /= 10)
        ++decimals;
    return decimals;
}

ChannelReading readChannel(int quantity, std::int32_t rawA, std::int32_t rawB)
{
    const int decimals = decimalsOf(quantity);
    const auto text = [decimals](double value) { return QString::number(value, 'f', decimals); };
    ChannelReading reading;
    reading.atA = text(exporting::physicalValue(quantity, rawA));
    reading.atB = text(exporting::physicalValue(quantity, rawB));
    // The difference of the raw values, divided once: 15.7 − 15.6 reads 0.1.
    reading.difference = text(double(std::int64_t(rawB) - rawA) / channels::divisorOf(quantity));
    if (quantity >= 0 && quantity < DbValueCount)
        reading.unit = QString::fromUtf16(dll_nMeasureInfo[quantity].szUnit);
    return reading;
}

CursorReadout readCursors(const PlotSeries& series, const channels::Quantities& quantities, std::size_t a,
                          std::size_t b)
{
    CursorReadout readout;
    if (a >= series.seconds.size() || b >= series.seconds.size())
        return readout;
    readout.delta = deltaText(series.seconds[a], series.seconds[b]);
    for (std::size_t c = 0; c < readout.channels.size(); ++c) {
        const auto& values = series.values[c];
        if (quantities[c] != channels::noQuantity && a < values.size() && b < values.size())
            readout.channels[c] = readChannel(quantities[c], values[a], values[b]);
    }
    return readout;
}

namespace {

QString unitSuffix(const ChannelReading& reading)
{
    return reading.unit.isEmpty() ? QString() : QLatin1Char(' ') + reading.unit;
}

} // namespace

QString readingLine(const QString& channelName, const ChannelReading& reading)
{
    const QString unit = unitSuffix(reading);
    return channelName + QStringLiteral(": A ") + reading.atA + unit + QStringLiteral(", B ") + reading.atB +
           unit + QStringLiteral(", B−A ") + reading.difference + unit;
}

QString placedReadingLine(const QString& channelName, const QString& letter, const ChannelReading& reading)
{
    return channelName + QStringLiteral(": ") + letter + QLatin1Char(' ') + reading.atA + unitSuffix(reading);
}

} // namespace cursors
