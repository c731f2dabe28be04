// SPDX-License-Identifier: MIT
// The relay's register map: what every holding register reads.
#include "RelayModel.h"
#include "RelayRegisterMap.h"

#include <algorithm>
#include <cmath>

namespace zrq7::sim {

using namespace relaymap;

namespace {

std::uint16_t countdown(double seconds)
{
    return seconds < 0 ? kTimerIdle
                       : static_cast<std::uint16_t>(std::min(std::ceil(seconds), double(kTimerIdle)));
}

} // namespace

bool RelayModel::isMapped(std::uint16_t reg) const
{
    return reg == kIdentifier || reg == kFirmware || (reg >= kMeasureFirst && reg <= kMeasureLast) ||
           m_settings.has(reg) || (reg >= kFaultValueFirst && reg <= kFaultValueLast) ||
           (reg >= kStatus && reg <= kCommand) ||
           (reg >= FaultLog::kFirstRegister && reg <= FaultLog::kLastRegister);
}

Exception RelayModel::readHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* out)
{
    if (count == 0 || count > 125)
        return Exception::IllegalDataValue;
    if (first + count - 1 > 0xFFFF)
        return Exception::IllegalDataAddress;
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < count; ++i)
        if (!isMapped(static_cast<std::uint16_t>(first + i)))
            return Exception::IllegalDataAddress;
    advance();
    if (injectFailure(first, count))
        return Exception::SlaveDeviceFailure;
    for (int i = 0; i < count; ++i)
        out[i] = registerValue(static_cast<std::uint16_t>(first + i));
    return Exception::None;
}

std::uint16_t RelayModel::registerValue(std::uint16_t reg) const
{
    if (const auto pin = m_pinned.find(reg); pin != m_pinned.end())
        return pin->second;
    if (reg == kIdentifier)
        return m_options.identifier;
    if (reg == kFirmware)
        return m_options.firmware;
    if (reg >= kMeasureFirst && reg <= kMeasureLast)
        return measurementRegister(reg);
    if (m_settings.has(reg))
        return static_cast<std::uint16_t>(m_settings.value(reg));
    if (reg >= kFaultValueFirst && reg <= kFaultValueLast)
        return m_faultValues[reg - kFaultValueFirst];
    const std::uint32_t mask = m_latched | m_warnings;
    switch (reg) {
    case kStatus:
        return statusWord();
    case kMaskLow:
        return lowWord(mask);
    case kMaskHigh:
        return highWord(mask);
    case kCommand:
        return 0;
    default:
        break;
    }
    if (reg >= FaultLog::kFirstRegister && reg <= FaultLog::kLastRegister)
        return m_log.readRegister(reg);
    return 0;
}

// Register 150 above 100 A: currents in whole amperes, otherwise in tenths.
std::uint16_t RelayModel::currentUnits(double amps) const
{
    return clampWord(setting(kCtRating) > 100 ? amps : amps * 10.0);
}

double RelayModel::sensorTemperature(int sensor) const
{
    // Winding sensor 1 sits in the hot spot; sensor 2 measures a Pt100/Ni in the housing.
    const double share = heatingPercent() / 100.0;
    return sensor == 0 ? 25.0 + 60.0 * share + setting(kSensor1Correction)
                       : 30.0 + 130.0 * share + setting(kSensor2Correction);
}

std::uint16_t RelayModel::temperatureRegister(int sensor) const
{
    if (setting(sensor == 0 ? kSensor1Type : kSensor2Type) == 0)
        return kSensorOff;
    switch (m_sensors[sensor]) {
    case SensorState::Short:
        return kSensorShort;
    case SensorState::Break:
        return kSensorBreak;
    case SensorState::Normal:
        break;
    }
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(sensorTemperature(sensor))));
}

std::uint16_t RelayModel::measurementRegister(std::uint16_t reg) const
{
    const Electrical& e = m_motor.electrical();
    const MotorParameters p = motorParameters();
    const auto thermal = clampLong(m_motor.thermal() / MotorModel::kThermalTripLevel * kThermalAtTrip);
    const auto apparent = clampLong(e.apparentVA / 10.0); // hundredths of a kVA
    const auto active = clampLong(e.activeW / 10.0);
    const auto reactive = clampLong(e.reactiveVar / 10.0);
    const auto energy = [](double kiloUnitHours) { return clampLong(kiloUnitHours * 10.0); };

    switch (reg) {
    case 30:
    case 31:
    case 32:
        return currentUnits(e.current[reg - 30]);
    case 33:
        return currentUnits(e.currentPositive);
    case 34:
        return currentUnits(e.currentZero);
    case 35:
        return currentUnits(e.currentNegative);
    case 36:
    case 37:
    case 38:
        return currentUnits(m_motor.averageCurrent()[reg - 36]);
    case 39:
    case 40:
    case 41:
        return currentUnits(m_motor.peakCurrent()[reg - 39]);
    case 42:
        return currentUnits(m_motor.lastStartCurrent());
    case 43:
        return currentUnits(m_motor.overloadCurrent());
    case 44:
        return clampWord(m_motor.lastStartSeconds());
    case 45:
    case 46:
    case 47:
        return clampWord(e.phaseVoltage[reg - 45]);
    case 48:
    case 49:
    case 50:
        return clampWord(e.lineVoltage[reg - 48]);
    case 51:
        return clampWord(e.voltagePositive);
    case 52:
        return clampWord(e.voltageNegative);
    case 53:
        return clampWord(e.voltageZero);
    case 54:
        return clampWord(std::floor(m_motor.runningSeconds() / 3600.0));
    case 55:
        return kInsulationTenthsMOhm;
    case 56:
        return clampWord(e.frequency * 10.0);
    case 57:
        return m_restartInMs ? countdown(*m_restartInMs / 1000.0) : kTimerIdle;
    case 58:
        return countdown(m_motor.secondsToThermalTrip(p));
    case 59: {
        const double share = heatingPercent() / 100.0;
        if (!(m_latched & 1u << kFaultThermal) || share <= kThermalRestartShare)
            return kTimerIdle;
        const double tau = m_motor.heatingTimeConstant(p) * std::max(1.0, p.coolingFactor);
        return countdown(tau * std::log(share / kThermalRestartShare));
    }
    case 60:
        return highWord(apparent);
    case 61:
        return lowWord(apparent);
    case 62:
        return highWord(active);
    case 63:
        return lowWord(active);
    case 64:
        return highWord(reactive);
    case 65:
        return lowWord(reactive);
    case 66:
    case 67:
    case 68:
        return clampWord(e.cosPhi[reg - 66] * 1000.0);
    case 69:
        return temperatureRegister(0);
    case 70:
        return temperatureRegister(1);
    case 71:
        return kCurrentInputTenthsMA;
    case 72:
        return kVoltageInputTenthsV;
    case 73:
        return highWord(thermal);
    case 74:
        return lowWord(thermal);
    case kLogNewest:
        return m_log.newestIndex();
    case 90:
        return highWord(energy(m_motor.apparentEnergy()));
    case 91:
        return lowWord(energy(m_motor.apparentEnergy()));
    case 92:
        return highWord(energy(m_motor.activeEnergy()));
    case 93:
        return lowWord(energy(m_motor.activeEnergy()));
    case 94:
        return highWord(energy(m_motor.reactiveEnergy()));
    case 95:
        return lowWord(energy(m_motor.reactiveEnergy()));
    default:
        break;
    }
    if (reg >= kClockFirst && reg <= kClockLast)
        return m_clock.readField(reg - kClockFirst);
    return 0;
}

// Status word: bit 0 a fault is active, 1 motor relay, 2 function relay, 3 a warning
// without trip, 4-5 the function relay's mode, 6 minimal settings mode, 8 an automatic
// restart is counting down.
std::uint16_t RelayModel::statusWord() const
{
    const int mode = setting(kFunctionRelayMode) & 3;
    const std::int64_t relayMs = setting(kFunctionRelayTime) * 1000LL;
    bool motorRelay = m_motor.energised();
    bool functionRelay = false;
    switch (mode) {
    case 0: // signalling: follows the faults
        functionRelay = (m_latched | m_warnings) != 0;
        break;
    case 1: // timer: closes a set time after the motor relay
        functionRelay = motorRelay && m_energisedMs >= relayMs;
        break;
    case 2: // star-delta: the motor relay opens after the set time, the function relay
            // closes after the switching gap and carries the motor in delta from then on
        if (motorRelay && m_energisedMs >= relayMs) {
            motorRelay = false;
            functionRelay = m_energisedMs >= relayMs + setting(kStarDeltaGap) * 100LL;
        }
        break;
    default:
        break;
    }
    std::uint16_t word = 0;
    word |= (m_latched | m_warnings) ? 1u << 0 : 0;
    word |= motorRelay ? 1u << 1 : 0;
    word |= functionRelay ? 1u << 2 : 0;
    word |= m_warnings ? 1u << 3 : 0;
    word |= static_cast<std::uint16_t>(mode << 4);
    word |= setting(kMinimalSet) == 1 ? 1u << 6 : 0;
    word |= m_restartInMs ? 1u << 8 : 0;
    return word;
}

} // namespace zrq7::sim
