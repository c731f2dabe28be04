// SPDX-License-Identifier: MIT
// The relay model's time, commands, settings writes and scenario hooks.
#include "RelayModel.h"

#include "RelayRegisterMap.h"

namespace zrq7::sim {

using namespace relaymap;

RelayModel::RelayModel(const RelayOptions& options)
    : m_options(options), m_settings(options.firmware),
      m_clock(options.startTime ? *options.startTime : localDateTime()), m_motor(options.seed),
      m_failing(options.failingRegisters)
{
    m_lastMs = nowMs();
    m_motor.setLoad(options.load);
    applyDeliveredSettings();
    powerOn();
}

void RelayModel::applyDeliveredSettings()
{
    m_settings.set(kVersion, static_cast<std::int16_t>(m_options.firmware));
    m_settings.set(kRatedCurrent, static_cast<std::int16_t>(m_options.ratedCurrent));
    m_settings.set(kRemoteControl, static_cast<std::int16_t>(m_options.remoteControl));
    for (const auto& [reg, value] : m_options.settings)
        m_settings.set(reg, value);
    m_motor.setRunningSeconds(setting(kMotorHours) * 3600.0);
    m_deviceS = setting(kDeviceHours) * 3600.0;
}

std::int64_t RelayModel::nowMs() const
{
    if (m_options.clock)
        return m_options.clock().count();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// ---- time -------------------------------------------------------------------------------

void RelayModel::advance()
{
    const std::int64_t now = nowMs();
    std::int64_t elapsed = now - m_lastMs;
    if (elapsed <= 0)
        return;
    m_clock.advance(elapsed);
    std::int64_t at = m_lastMs;
    m_lastMs = now;
    while (elapsed > 0) {
        const std::int64_t chunk = std::min(elapsed, kStepMs);
        at += chunk;
        elapsed -= chunk;
        step(chunk);
        if (m_powerOnPending && at >= m_silentUntilMs) {
            m_powerOnPending = false;
            powerOn();
        }
    }
}

void RelayModel::step(std::int64_t ms)
{
    const double seconds = ms / 1000.0;
    const MotorParameters p = motorParameters();
    m_motor.step(seconds, p);
    m_deviceS += seconds;
    m_energisedMs = m_motor.energised() ? m_energisedMs + ms : 0;

    // The relay keeps its running hours in its settings.
    const auto motorHours = static_cast<std::int16_t>(std::min(m_motor.runningSeconds() / 3600.0, 23976.0));
    if (motorHours != setting(kMotorHours))
        m_settings.set(kMotorHours, motorHours);
    const auto deviceHours = static_cast<std::int16_t>(std::min(m_deviceS / 3600.0, 23976.0));
    if (deviceHours != setting(kDeviceHours))
        m_settings.set(kDeviceHours, deviceHours);

    checkProtections(ms);
    runAutomaticRestart(ms);
}

MotorParameters RelayModel::motorParameters() const
{
    MotorParameters p;
    p.ratedCurrent = std::max(0, setting(kRatedCurrent));
    p.doubleCurrentTripS = std::max(1, setting(kThermalDelay));
    p.coolingFactor = setting(kCoolingFactor) / 10.0;
    p.averagingPeriodS = std::max(1, setting(kAveragingPeriod));
    return p;
}

double RelayModel::heatingPercent() const
{
    return m_motor.thermal() / MotorModel::kThermalTripLevel * 100.0;
}

// ---- writes -----------------------------------------------------------------------------

Exception RelayModel::command(std::uint16_t value)
{
    switch (value) {
    case kCmdStart:
    case kCmdStop:
        // Remote start and stop only where the relay allows remote control.
        if (setting(kRemoteControl) == 0)
            return Exception::IllegalDataValue;
        if (value == kCmdStop)
            stopMotor();
        else if (canStart() && !m_motor.energised())
            startMotor();
        return Exception::None;
    case kCmdFaultReset:
        clearFaultsWithoutCause(0xFFFFFFFFu);
        if (m_latched == 0)
            m_restartInMs.reset();
        return Exception::None;
    case kCmdRestart:
        stopMotor();
        clearFaultsWithoutCause(0xFFFFFFFFu);
        m_motor.resetStatistics();
        if (setting(kFactoryRestore) == 1) {
            m_settings.restoreFactory();
            applyDeliveredSettings();
        }
        m_silentUntilMs = m_lastMs + kRestartSilenceMs;
        m_powerOnPending = true;
        return Exception::None;
    default:
        return Exception::IllegalDataValue;
    }
}

Exception RelayModel::writeSetting(std::uint16_t reg, std::uint16_t word)
{
    const auto value = static_cast<std::int16_t>(word);
    if (!m_settings.inBounds(reg, value))
        return Exception::IllegalDataValue;
    m_settings.set(reg, value);
    switch (reg) {
    case kEnergyReset:
        // A one-shot command: the counters restart from zero and the setting falls back.
        if (value == 1)
            m_motor.resetEnergies();
        m_settings.set(reg, 0);
        break;
    case kMotorHours:
        m_motor.setRunningSeconds(value * 3600.0);
        break;
    case kDeviceHours:
        m_deviceS = value * 3600.0;
        break;
    default:
        break;
    }
    return Exception::None;
}

bool RelayModel::injectFailure(std::uint16_t first, std::uint16_t count)
{
    for (auto& [reg, left] : m_failing) {
        if (reg < first || reg >= first + count || left == 0)
            continue;
        if (left > 0)
            --left;
        return true;
    }
    return false;
}

Exception RelayModel::writeSingle(std::uint16_t reg, std::uint16_t value)
{
    std::lock_guard lock(m_mutex);
    advance();
    if (injectFailure(reg, 1))
        return Exception::SlaveDeviceFailure;
    if (m_settings.has(reg))
        return writeSetting(reg, value);
    if (reg >= kClockFirst && reg <= kClockLast) {
        if (!m_clock.writeField(reg - kClockFirst, value))
            return Exception::IllegalDataValue;
        if (reg == kClockFirst)
            m_clock.advance(std::int64_t(m_options.clockAheadSeconds) * 1000);
        return Exception::None;
    }
    if (reg == kCommand)
        return command(value);
    // Measurements, status and the log are read-only: no register to write there.
    return Exception::IllegalDataAddress;
}

// ---- scenario hooks ---------------------------------------------------------------------

bool RelayModel::isSilent() const
{
    std::lock_guard lock(m_mutex);
    return nowMs() < m_silentUntilMs;
}

void RelayModel::tripFault(int bit, std::int32_t value)
{
    if (bit < 0 || bit > 31)
        return;
    std::lock_guard lock(m_mutex);
    advance();
    m_scriptedCause |= 1u << bit;
    trip(bit, static_cast<std::uint16_t>(value & 0xFFFF));
}

void RelayModel::clearFault(int bit)
{
    if (bit < 0 || bit > 31)
        return;
    std::lock_guard lock(m_mutex);
    advance();
    m_scriptedCause &= ~(1u << bit);
}

void RelayModel::forceRegister(std::uint16_t reg, std::uint16_t value)
{
    std::lock_guard lock(m_mutex);
    advance();
    if (m_settings.has(reg))
        m_settings.set(reg, static_cast<std::int16_t>(value));
    else
        m_pinned[reg] = value;
}

void RelayModel::releaseRegister(std::uint16_t reg)
{
    std::lock_guard lock(m_mutex);
    m_pinned.erase(reg);
    m_failing.erase(reg);
}

void RelayModel::failRegister(std::uint16_t reg)
{
    std::lock_guard lock(m_mutex);
    m_failing[reg] = -1; // until releaseRegister
}

void RelayModel::goSilent(std::chrono::milliseconds duration)
{
    std::lock_guard lock(m_mutex);
    advance();
    m_silentUntilMs = std::max(m_silentUntilMs, m_lastMs + duration.count());
}

void RelayModel::setLoad(double multipleOfRated)
{
    std::lock_guard lock(m_mutex);
    advance();
    m_motor.setLoad(multipleOfRated);
}

void RelayModel::setSensor(int sensor, SensorState state)
{
    if (sensor < 1 || sensor > 2)
        return;
    std::lock_guard lock(m_mutex);
    advance();
    m_sensors[sensor - 1] = state;
}

void RelayModel::setMains(double l1, double l2, double l3, double hertz)
{
    std::lock_guard lock(m_mutex);
    advance();
    m_motor.setMains({l1, l2, l3}, hertz);
}

std::unique_ptr<RelayDevice> createRelay(const RelayOptions& options)
{
    return std::make_unique<RelayModel>(options);
}

} // namespace zrq7::sim
