// SPDX-License-Identifier: MIT
// The relay's protections, fault latching and automatic restart.
#include "RelayModel.h"
#include "RelayRegisterMap.h"

#include <algorithm>

namespace zrq7::sim {

using namespace relaymap;

bool RelayModel::lasted(int bit, bool condition, std::int64_t ms, double delayS)
{
    m_conditionMs[bit] = condition ? m_conditionMs[bit] + ms : 0;
    return condition && m_conditionMs[bit] >= std::llround(delayS * 1000.0);
}

void RelayModel::setCause(int bit, bool present)
{
    m_cause = present ? m_cause | 1u << bit : m_cause & ~(1u << bit);
}

void RelayModel::checkProtections(std::int64_t ms)
{
    // Thermal image: trips at 100 %; the cause lasts until the motor has cooled down.
    setCause(kFaultThermal, heatingPercent() > kThermalRestartShare * 100.0);
    if (setting(kThermalProtection) != 0 && m_motor.energised() && heatingPercent() >= 100.0)
        trip(kFaultThermal, clampWord(heatingPercent()));

    // Minimum current while running: the cause goes with the motor.
    const double rated = setting(kRatedCurrent);
    const bool low = m_motor.state() == MotorModel::State::Running &&
                     m_motor.meanCurrent() < rated * setting(kMinCurrentPercent) / 100.0;
    if (lasted(kFaultMinCurrent, low && setting(kMinCurrentProtection) != 0, ms, setting(kMinCurrentDelay)))
        trip(kFaultMinCurrent, currentUnits(m_motor.meanCurrent()));

    // Start and rotor: a start that lasts longer than 174 s, or a running motor that draws
    // 173 times its rated current for 175 s. Both causes go with the motor.
    const double mean = m_motor.meanCurrent();
    const bool running = m_motor.state() == MotorModel::State::Running;
    const bool rotorProtected = setting(kStartProtection) != 0;
    if (rotorProtected && m_motor.state() == MotorModel::State::Starting &&
        m_motor.secondsInState() > setting(kStartDelay))
        trip(kFaultLongStart, currentUnits(mean));
    if (lasted(kFaultBlockedRotor,
               rotorProtected && running && mean > rated * setting(kStartCoefficient) / 10.0, ms,
               setting(kBlockDelay) / 10.0))
        trip(kFaultBlockedRotor, currentUnits(mean));

    // Overcurrent: trips when 158 = 0; with 158 = 1 it is only signalled while it lasts and
    // the thermal image decides when the motor goes off.
    const bool overcurrent =
        lasted(kFaultOvercurrent,
               setting(kImaxProtection) != 0 && running && mean > rated * setting(kImaxCoefficient) / 10.0,
               ms, setting(kImaxDelay) / 10.0);
    if (setting(kImaxAfterThermal) == 0) {
        raiseWarning(kFaultOvercurrent, false);
        if (overcurrent)
            trip(kFaultOvercurrent, currentUnits(mean));
    } else {
        raiseWarning(kFaultOvercurrent, overcurrent, currentUnits(mean));
    }

    // Phase loss, seen in the currents: one phase carries next to nothing of the others.
    // At rest the relay still sees a dead phase in its voltages.
    const Electrical& e = m_motor.electrical();
    const auto [leastI, mostI] = std::minmax_element(e.current.begin(), e.current.end());
    const bool phaseLost = m_motor.energised() && *mostI > 0 && *leastI < 0.1 * *mostI;
    const bool phaseDead =
        *std::min_element(e.phaseVoltage.begin(), e.phaseVoltage.end()) < MotorModel::kLivePhaseVolts;
    setCause(kFaultPhaseLoss, phaseLost || phaseDead);
    if (lasted(kFaultPhaseLoss, phaseLost && setting(kPhaseLossProtection) != 0, ms,
               setting(kPhaseLossDelay) / 10.0))
        trip(kFaultPhaseLoss, currentUnits(*leastI));

    // Mains: line voltage limits and balance, frequency limits. Their cause lasts as long
    // as the mains is out of bounds; they trip a running motor once it has lasted the delay.
    const auto [lowest, highest] = std::minmax_element(e.lineVoltage.begin(), e.lineVoltage.end());
    struct MainsCheck
    {
        int bit;
        bool out;
        std::uint16_t mode;
        double delayS;
        double value;
    };
    const MainsCheck checks[] = {
        {kFaultUmin, *lowest < setting(kUminThreshold), kUminProtection, double(setting(kUminDelay)),
         *lowest},
        {kFaultUmax, *highest > setting(kUmaxThreshold), kUmaxProtection, setting(kUmaxDelay) / 10.0,
         *highest},
        {kFaultImbalance, *highest - *lowest > setting(kImbalanceThreshold), kImbalanceProtection,
         double(setting(kImbalanceDelay)), *highest - *lowest},
        {kFaultFmin, e.frequency * 10.0 < setting(kFminThreshold), kFminProtection,
         double(setting(kFminDelay)), e.frequency * 10.0},
        {kFaultFmax, e.frequency * 10.0 > setting(kFmaxThreshold), kFmaxProtection,
         double(setting(kFmaxDelay)), e.frequency * 10.0},
    };
    for (const MainsCheck& c : checks) {
        setCause(c.bit, c.out);
        if (lasted(c.bit, c.out && m_motor.energised() && setting(c.mode) != 0, ms, c.delayS))
            trip(c.bit, clampWord(c.value));
    }

    // Temperature sensors: over temperature trips; a wiring fault warns or trips (setting 209).
    struct Sensor
    {
        int index;
        std::uint16_t type, trip;
        int overFault, shortFault, breakFault;
    };
    static constexpr Sensor kSensors[] = {
        {0, kSensor1Type, kSensor1Trip, kFaultTemp1, kFaultShortS1, kFaultBreakS1},
        {1, kSensor2Type, kSensor2Trip, kFaultTemp2, kFaultShortS2, kFaultBreakS2}};
    for (const Sensor& s : kSensors) {
        const bool enabled = setting(s.type) != 0;
        const SensorState wiring = enabled ? m_sensors[s.index] : SensorState::Normal;
        const bool over =
            enabled && wiring == SensorState::Normal && sensorTemperature(s.index) > setting(s.trip);
        setCause(s.overFault, over);
        if (over && m_motor.energised())
            trip(s.overFault, clampWord(sensorTemperature(s.index)));
        for (const auto& [fault, state] :
             {std::pair{s.shortFault, SensorState::Short}, std::pair{s.breakFault, SensorState::Break}}) {
            const bool present = wiring == state;
            if (setting(kSensorFaultStops) == 1) {
                setCause(fault, present);
                if (present && !(m_latched & 1u << fault))
                    trip(fault, 0);
                raiseWarning(fault, false);
            } else {
                raiseWarning(fault, present);
            }
        }
    }
}

void RelayModel::raiseWarning(int bit, bool present, std::uint16_t value)
{
    const std::uint32_t mask = 1u << bit;
    if (present && !(m_warnings & mask)) {
        if (bit <= kFaultValueLast - kFaultValueFirst)
            m_faultValues[bit] = value;
        m_log.add(static_cast<std::uint16_t>(bit), value, m_clock.now());
    }
    m_warnings = present ? m_warnings | mask : m_warnings & ~mask;
}

bool RelayModel::automaticRestartAllowed(int bit) const
{
    const std::uint32_t mask = 1u << bit;
    if (!(mask & kVoltageFaults) && setting(kRestartPermitted) != 1)
        return false;
    if (bit == kFaultTemp1 || bit == kFaultTemp2)
        return setting(kSensorRestart) == 1;
    for (const auto& [fault, reg] : kProtectionMode)
        if (fault == bit)
            return setting(reg) == 2;
    return false;
}

void RelayModel::trip(int bit, std::uint16_t value)
{
    const std::uint32_t mask = 1u << bit;
    if (m_latched & mask)
        return;
    m_latched |= mask;
    if (bit <= kFaultValueLast - kFaultValueFirst)
        m_faultValues[bit] = value;
    m_log.add(static_cast<std::uint16_t>(bit), value, m_clock.now());

    const bool wasRunning = m_motor.energised();
    stopMotor();
    if (wasRunning && automaticRestartAllowed(bit))
        m_restartInMs = setting(bit == kFaultMinCurrent ? kRestartDelayMinCurrent : kRestartDelay) * 1000LL;
}

void RelayModel::clearFaultsWithoutCause(std::uint32_t which)
{
    m_latched &= ~(which & ~(m_cause | m_scriptedCause));
}

// An automatic restart after a trip (or the start after power-on) waits for its delay,
// then for the causes of its faults to go; a fault without automatic restart cancels it.
void RelayModel::runAutomaticRestart(std::int64_t ms)
{
    if (!m_restartInMs)
        return;
    m_restartInMs = std::max<std::int64_t>(0, *m_restartInMs - ms);
    if (*m_restartInMs > 0)
        return;
    std::uint32_t restartable = 0;
    for (int bit = 0; bit < 32; ++bit)
        if (automaticRestartAllowed(bit))
            restartable |= 1u << bit;
    if (m_latched & ~restartable) {
        m_restartInMs.reset();
        return;
    }
    clearFaultsWithoutCause(restartable);
    if (m_latched == 0) {
        m_restartInMs.reset();
        if (canStart())
            startMotor();
    }
}

bool RelayModel::canStart() const
{
    return setting(kRatedCurrent) > 0 && m_latched == 0;
}

void RelayModel::startMotor()
{
    m_restartInMs.reset();
    m_motor.start();
}

void RelayModel::stopMotor()
{
    m_restartInMs.reset();
    m_motor.stop();
}

void RelayModel::powerOn()
{
    // Setting 198 decides whether the motor starts by itself once the relay has power;
    // remote control mode 2 holds it until a start command comes.
    const int mode = setting(kStartAfterPower);
    if (mode != 0 && setting(kRemoteControl) != 2 && canStart())
        m_restartInMs = mode == 2 ? kPowerOnQuickStartMs : setting(kRestartDelay) * 1000LL;
}

} // namespace zrq7::sim
