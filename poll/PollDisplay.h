// SPDX-License-Identifier: MIT
#pragma once

#include "FaultList.h"
#include "RegisterDecoding.h"
#include "UiTicket.h"

#include <array>
#include <cstdint>

// What each register block of the poll hands to the live display, and the display
// interface the poll worker calls after every successful block.
namespace pollcycle {

// A run of snapshot slots as stored by one block (values as in the snapshot).
template <int First, int Count> struct SlotValues
{
    static constexpr int firstSlot = First;
    static constexpr int slotCount = Count;
    std::array<int32_t, Count> values{};

    int32_t slot(int k) const { return values.at(k - First); }
};

// A: phase currents, positive, zero and negative sequence currents (tenths of an A).
using CurrentsUpdate = SlotValues<0, 6>;
// B: phase voltages, line voltages AB/BC/CA, sequence voltages (volts).
using VoltagesUpdate = SlotValues<15, 9>;
// C: apparent/active/reactive power (hundredths of kVA/kW/kVAr) and cos φ 1-3
// (thousandths) in slots 30-35, then the derived per-phase powers (hundredths of
// kVA, kW, kVAr) in slots 41-49. The power read-outs whose choice is 3 to 17 are
// written from this.
struct PowersUpdate
{
    SlotValues<30, 6> measured;
    SlotValues<41, 9> perPhase;
    int32_t slot(int k) const { return k < 41 ? measured.slot(k) : perPhase.slot(k); }
};
// D: apparent, active, reactive energy (tenths): read-out choices 0 to 2.
using EnergiesUpdate = SlotValues<50, 3>;
// E: the relay clock.
using ClockUpdate = RelayClock;
// F: average currents 1-3, their peaks, start and overload current (tenths of an A),
// start time (s).
using AverageCurrentsUpdate = SlotValues<6, 9>;
// G: motor hours, insulation (tenths of MΩ), frequency (tenths of Hz), time to the
// automatic restart, before the overload trip and after it (s).
using MotorTimesUpdate = SlotValues<24, 6>;
// H: the two temperature sensors with their state, current input (tenths of a mA)
// and voltage input (tenths of a V); slots 36-39.
struct SensorsUpdate
{
    TemperatureReading sensor1;
    TemperatureReading sensor2;
    int32_t currentInput = 0;
    int32_t voltageInput = 0;
};
// I: the thermal state for the load graph (SetLoad) and its heating per cent (slot 40).
struct HeatingUpdate
{
    uint32_t thermalState = 0;
    int32_t percent = 0;
};
// J: see StatusUpdate (FaultList.h).
// K: the slow group's current settings.
struct CurrentSettingsUpdate
{
    uint16_t transformerRating = 0; // register 150, A
    uint16_t ratedCurrent = 0;      // register 151, A; 0 = not set
    uint16_t averagingPeriod = 0;   // register 153, s
    int currentScale = 10;          // what registers 30-43 are multiplied by from now on
    bool ratedCurrentMissing = false;
};
// L: the marks of the line voltage bars.
struct LineVoltageLimitsUpdate
{
    uint16_t minimum = 0; // register 177, V
    uint16_t maximum = 0; // register 180, V
};
// M: the restart delays. The poll keeps them for the restart bar range it hands
// over with the next status block.
struct RestartDelaysUpdate
{
    uint16_t afterMinimumCurrent = 0; // register 195, s
    uint16_t restart = 0;             // register 196, s
};
// N: remote motor control allowed (register 200 not 0): motor buttons and indicator.
struct MotorControlUpdate
{
    bool remoteControlAllowed = false;
};

// The live display as the poll worker sees it. Every call comes from the poll
// thread, after a block was read successfully, with values of that block only. An
// implementation must not touch widgets from there: it posts the values to the
// user-interface thread (queued), where they are formatted and shown; values that
// arrive after a disconnect are dropped there.
//
// Only the status block waits for the user-interface thread: its rows and marks
// decide which faults are new at the next status block, and only new faults cost
// a value read. The implementation calls ticket.apply() on the user-interface
// thread with a step that calls applyFaultList() and then sets the fault indicator,
// the restart bar range and the fault reset button; the poll continues when the step
// ran, when the ticket was dropped, or when the poll is stopped (a stop never waits
// for the UI). All other steps, show and hide of the motor buttons included, are
// posted without waiting, since nothing the poll decides later depends on them.
class PollDisplay
{
public:
    virtual ~PollDisplay() = default;

    virtual void showCurrents(const CurrentsUpdate&) = 0;                   // A
    virtual void showVoltages(const VoltagesUpdate&) = 0;                   // B
    virtual void showPowers(const PowersUpdate&) = 0;                       // C
    virtual void showEnergies(const EnergiesUpdate&) = 0;                   // D
    virtual void showRelayClock(const ClockUpdate&) = 0;                    // E
    virtual void showAverageCurrents(const AverageCurrentsUpdate&) = 0;     // F
    virtual void showMotorTimes(const MotorTimesUpdate&) = 0;               // G
    virtual void showSensors(const SensorsUpdate&) = 0;                     // H
    virtual void showHeating(const HeatingUpdate&) = 0;                     // I
    virtual void showStatus(const StatusUpdate&, UiTicket ticket) = 0;      // J
    virtual void showCurrentSettings(const CurrentSettingsUpdate&) = 0;     // K
    virtual void showLineVoltageLimits(const LineVoltageLimitsUpdate&) = 0; // L
    virtual void showRestartDelays(const RestartDelaysUpdate&) = 0;         // M
    virtual void showMotorControl(const MotorControlUpdate&) = 0;           // N
};

// A display that shows nothing: a base for users of the poll that want only some
// of its steps (a program without a window, a test).
class SilentDisplay : public PollDisplay
{
public:
    void showCurrents(const CurrentsUpdate&) override {}
    void showVoltages(const VoltagesUpdate&) override {}
    void showPowers(const PowersUpdate&) override {}
    void showEnergies(const EnergiesUpdate&) override {}
    void showRelayClock(const ClockUpdate&) override {}
    void showAverageCurrents(const AverageCurrentsUpdate&) override {}
    void showMotorTimes(const MotorTimesUpdate&) override {}
    void showSensors(const SensorsUpdate&) override {}
    void showHeating(const HeatingUpdate&) override {}
    void showStatus(const StatusUpdate&, UiTicket) override {}
    void showCurrentSettings(const CurrentSettingsUpdate&) override {}
    void showLineVoltageLimits(const LineVoltageLimitsUpdate&) override {}
    void showRestartDelays(const RestartDelaysUpdate&) override {}
    void showMotorControl(const MotorControlUpdate&) override {}
};

} // namespace pollcycle
