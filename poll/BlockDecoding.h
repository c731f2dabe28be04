// SPDX-License-Identifier: MIT
#pragma once

#include "PollDisplay.h"

#include <cstdint>
#include <span>

class MeasurementSnapshot;

// Each block's registers (in read order, from the block's first register) turned
// into the values its display step receives; the measurement blocks' values are
// also what the snapshot stores.
namespace pollcycle {

using Registers = std::span<const uint16_t>;

CurrentsUpdate decodeCurrents(Registers r30to35, int currentScale);               // A
VoltagesUpdate decodeVoltages(Registers r45to53);                                 // B
SlotValues<30, 6> decodePowers(Registers r60to68);                                // C
EnergiesUpdate decodeEnergies(Registers r90to95);                                 // D
ClockUpdate decodeClock(Registers r80to85);                                       // E
AverageCurrentsUpdate decodeAverageCurrents(Registers r36to44, int currentScale); // F
MotorTimesUpdate decodeMotorTimes(Registers r54to59);                             // G
SensorsUpdate decodeSensors(Registers r69to72);                                   // H
HeatingUpdate decodeHeating(Registers r73to74);                                   // I
CurrentSettingsUpdate decodeCurrentSettings(Registers r150to153);                 // K
LineVoltageLimitsUpdate decodeLineVoltageLimits(Registers r177to180);             // L
RestartDelaysUpdate decodeRestartDelays(Registers r195to196);                     // M
MotorControlUpdate decodeMotorControl(Registers r200);                            // N

// Slots 41-49 (apparent, active, reactive per phase, each / 10) from the phase
// currents, phase voltages and cos φ now in the snapshot.
SlotValues<41, 9> derivePhasePowers(const MeasurementSnapshot& snapshot);

// Snapshot result of each measurement step.
template <int First, int Count>
void storeSlots(MeasurementSnapshot& snapshot, const SlotValues<First, Count>& result);
void storeSlots(MeasurementSnapshot& snapshot, const SensorsUpdate& sensors);
void storeSlots(MeasurementSnapshot& snapshot, const HeatingUpdate& heating);

} // namespace pollcycle

#include "MeasurementSnapshot.h"

template <int First, int Count>
void pollcycle::storeSlots(MeasurementSnapshot& snapshot, const SlotValues<First, Count>& result)
{
    for (int i = 0; i < Count; ++i)
        snapshot.SetMeasurement(First + i, result.values[i]);
}
