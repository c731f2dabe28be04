// SPDX-License-Identifier: MIT
#include "BlockDecoding.h"

namespace pollcycle {

namespace {
// A block whose registers map one to one onto consecutive result, each times scale.
template <int First, int Count> SlotValues<First, Count> plainSlots(Registers r, int scale = 1)
{
    SlotValues<First, Count> result;
    for (int i = 0; i < Count && i < static_cast<int>(r.size()); ++i)
        result.values[i] = static_cast<int32_t>(r[i]) * scale;
    return result;
}

uint16_t at(Registers r, std::size_t i)
{
    return i < r.size() ? r[i] : 0;
}
} // namespace

CurrentsUpdate decodeCurrents(Registers r, int currentScale)
{
    return plainSlots<0, 6>(r, currentScale);
}

VoltagesUpdate decodeVoltages(Registers r)
{
    return plainSlots<15, 9>(r);
}

SlotValues<30, 6> decodePowers(Registers r)
{
    SlotValues<30, 6> result;
    for (int i = 0; i < 3; ++i)
        result.values[i] = joinWords(at(r, 2 * i), at(r, 2 * i + 1));
    for (int i = 3; i < 6; ++i)
        result.values[i] = at(r, i + 3);
    return result;
}

EnergiesUpdate decodeEnergies(Registers r)
{
    EnergiesUpdate result;
    for (int i = 0; i < 3; ++i)
        result.values[i] = joinWords(at(r, 2 * i), at(r, 2 * i + 1));
    return result;
}

ClockUpdate decodeClock(Registers r)
{
    const std::array<uint16_t, 6> clock{at(r, 0), at(r, 1), at(r, 2), at(r, 3), at(r, 4), at(r, 5)};
    return decodeRelayClock(clock);
}

AverageCurrentsUpdate decodeAverageCurrents(Registers r, int currentScale)
{
    // Registers 36-43 are currents; 44, the start time in seconds, is not scaled.
    AverageCurrentsUpdate result = plainSlots<6, 9>(r, currentScale);
    result.values[8] = at(r, 8);
    return result;
}

MotorTimesUpdate decodeMotorTimes(Registers r)
{
    return plainSlots<24, 6>(r);
}

SensorsUpdate decodeSensors(Registers r)
{
    return {decodeTemperature(at(r, 0), sensor1BreakValue), decodeTemperature(at(r, 1), sensor2BreakValue),
            at(r, 2), at(r, 3)};
}

HeatingUpdate decodeHeating(Registers r)
{
    const auto state = static_cast<uint32_t>(joinWords(at(r, 0), at(r, 1)));
    return {state, static_cast<int32_t>(heatingPercent(state))};
}

CurrentSettingsUpdate decodeCurrentSettings(Registers r)
{
    CurrentSettingsUpdate s;
    s.transformerRating = at(r, 0);
    s.ratedCurrent = at(r, 1);
    s.averagingPeriod = at(r, 3);
    s.currentScale = currentScaleFor(s.transformerRating);
    s.ratedCurrentMissing = s.ratedCurrent == 0;
    return s;
}

LineVoltageLimitsUpdate decodeLineVoltageLimits(Registers r)
{
    return {at(r, 0), at(r, 3)};
}

RestartDelaysUpdate decodeRestartDelays(Registers r)
{
    return {at(r, 0), at(r, 1)};
}

MotorControlUpdate decodeMotorControl(Registers r)
{
    return {at(r, 0) != 0};
}

SlotValues<41, 9> derivePhasePowers(const MeasurementSnapshot& snapshot)
{
    SlotValues<41, 9> result;
    for (int p = 1; p <= 3; ++p) {
        const PhasePower power = phasePower(snapshot.GetMeasurement(p - 1), snapshot.GetMeasurement(14 + p),
                                            snapshot.GetMeasurement(32 + p));
        result.values[p - 1] = power.apparent / 10;
        result.values[p + 2] = power.active / 10;
        result.values[p + 5] = power.reactive / 10;
    }
    return result;
}

void storeSlots(MeasurementSnapshot& snapshot, const SensorsUpdate& sensors)
{
    snapshot.SetMeasurement(36, sensors.sensor1.value);
    snapshot.SetMeasurement(37, sensors.sensor2.value);
    snapshot.SetMeasurement(38, sensors.currentInput);
    snapshot.SetMeasurement(39, sensors.voltageInput);
}

void storeSlots(MeasurementSnapshot& snapshot, const HeatingUpdate& heating)
{
    snapshot.SetMeasurement(40, heating.percent);
}

} // namespace pollcycle
