// SPDX-License-Identifier: MIT
#include "RegisterDecoding.h"

#include "LoadPercent.h"

#include <cmath>
#include <cstdint>

namespace pollcycle {

void wordsFromBytes(std::span<const uint8_t> bytes, std::span<uint16_t> words)
{
    for (std::size_t i = 0; i < words.size() && 2 * i + 1 < bytes.size(); ++i)
        words[i] = static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
}

int32_t joinWords(uint16_t high, uint16_t low)
{
    return static_cast<int32_t>(static_cast<uint32_t>(high) << 16 | low);
}

int currentScaleFor(uint16_t transformerRating)
{
    return transformerRating > 100 ? 10 : 1;
}

TemperatureReading decodeTemperature(uint16_t raw, int32_t breakValue)
{
    const auto within = [raw](int low, int high) { return raw > low && raw < high; };
    if (within(990, 1010))
        return {SensorState::Shorted, -80};
    if (within(1990, 2010))
        return {SensorState::Broken, breakValue};
    if (within(4990, 5010))
        return {SensorState::Off, 0};
    return {SensorState::Degrees, static_cast<int16_t>(raw)};
}

QString temperatureText(const TemperatureReading& reading)
{
    switch (reading.state) {
    case SensorState::Shorted:
        return QStringLiteral("Zwarcie");
    case SensorState::Broken:
        return QStringLiteral("Przerwanie");
    case SensorState::Off:
        return QStringLiteral("Wył.");
    case SensorState::Degrees:
        break;
    }
    return QStringLiteral("%1 *C").arg(reading.value);
}

uint32_t heatingPercent(uint32_t thermalState)
{
    return loadgraph::loadPercent(thermalState);
}

int fromBcd(uint16_t value)
{
    return (value >> 12 & 0xF) * 1000 + (value >> 8 & 0xF) * 100 + (value >> 4 & 0xF) * 10 + (value & 0xF);
}

RelayClock decodeRelayClock(std::span<const uint16_t, 6> r)
{
    return {fromBcd(r[2]), fromBcd(r[1]), fromBcd(r[0]), fromBcd(r[3]), fromBcd(r[4]), fromBcd(r[5]) + 2000};
}

QString relayClockText(const RelayClock& c)
{
    return QString::asprintf("%.2d : %.2d : %.2d\r\n%.2d.%.2d.%.4d", c.hours, c.minutes, c.seconds, c.day,
                             c.month, c.year);
}

namespace {
// Truncated toward zero; negative and NaN become 0, and a product beyond the
// 32-bit range (a corrupt register) stays at its top instead of wrapping.
template <typename Real> int32_t truncatedOrZero(Real value)
{
    if (!(value >= Real(0)))
        return 0;
    if (value >= Real(2147483647.0))
        return INT32_MAX;
    return static_cast<int32_t>(value);
}
} // namespace

PhasePower phasePower(int32_t currentTenths, int32_t voltage, int32_t cosPhiThousandths)
{
    const float i = static_cast<float>(currentTenths) / 10.0f;
    const float u = static_cast<float>(voltage);
    const float c = static_cast<float>(cosPhiThousandths);
    PhasePower power;
    power.active = truncatedOrZero(u * i * (c / 1000.0f));
    power.reactive = truncatedOrZero(u * i * (std::sqrt(1000000.0f - c * c) / 1000.0f));
    const double p = power.active;
    const double q = power.reactive;
    power.apparent = truncatedOrZero(std::sqrt(p * p + q * q));
    return power;
}

} // namespace pollcycle
