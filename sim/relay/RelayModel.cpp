// SPDX-License-Identifier: MIT
#include "RelayModel.h"

#include <algorithm>
#include <cmath>

namespace zrq7::sim {

namespace {

// Registers of the map.
constexpr std::uint16_t kIdentifier = 0, kFirmware = 1;
constexpr std::uint16_t kMeasureFirst = 30, kMeasureLast = 95;
constexpr std::uint16_t kLogNewest = 75;
constexpr std::uint16_t kClockFirst = 80, kClockLast = 85;
constexpr std::uint16_t kFaultValueFirst = 300, kFaultValueLast = 328;
constexpr std::uint16_t kStatus = 900, kMaskLow = 901, kMaskHigh = 902, kCommand = 903;

// Settings the model acts on.
constexpr std::uint16_t kCtRating = 150, kRatedCurrent = 151, kAveragingPeriod = 153;
constexpr std::uint16_t kImaxCoefficient = 155, kImaxDelay = 156, kImaxProtection = 157, kImaxAfterThermal = 158;
constexpr std::uint16_t kStartCoefficient = 173, kStartDelay = 174, kBlockDelay = 175, kStartProtection = 176;
constexpr std::uint16_t kThermalProtection = 167, kThermalDelay = 168, kCoolingFactor = 169;
constexpr std::uint16_t kMinCurrentPercent = 170, kMinCurrentDelay = 171, kMinCurrentProtection = 172;
constexpr std::uint16_t kUminThreshold = 177, kUminDelay = 178, kUminProtection = 179;
constexpr std::uint16_t kUmaxThreshold = 180, kUmaxDelay = 181, kUmaxProtection = 182;
constexpr std::uint16_t kImbalanceThreshold = 183, kImbalanceDelay = 184, kImbalanceProtection = 185;
constexpr std::uint16_t kFminThreshold = 189, kFminDelay = 190, kFminProtection = 191;
constexpr std::uint16_t kFmaxThreshold = 192, kFmaxDelay = 193, kFmaxProtection = 194;
constexpr std::uint16_t kPhaseLossDelay = 187, kPhaseLossProtection = 188;
constexpr std::uint16_t kRestartDelayMinCurrent = 195, kRestartDelay = 196, kRestartPermitted = 197;
constexpr std::uint16_t kStartAfterPower = 198, kRemoteControl = 200;
constexpr std::uint16_t kSensor1Type = 201, kSensor1Trip = 202, kSensor1Correction = 203;
constexpr std::uint16_t kSensor2Type = 204, kSensor2Trip = 205, kSensor2Correction = 207;
constexpr std::uint16_t kSensorRestart = 208, kSensorFaultStops = 209;
constexpr std::uint16_t kMinimalSet = 211, kFunctionRelayMode = 214, kFunctionRelayTime = 215;
constexpr std::uint16_t kStarDeltaGap = 216, kDeviceHours = 217, kMotorHours = 218;
constexpr std::uint16_t kFactoryRestore = 221, kVersion = 230, kEnergyReset = 242;

// Commands written to register 903.
constexpr std::uint16_t kCmdStop = 0, kCmdStart = 2, kCmdFaultReset = 55, kCmdRestart = 88;

// Fault bits the model raises itself.
constexpr int kFaultOvercurrent = 0, kFaultLongStart = 6, kFaultBlockedRotor = 7;
constexpr int kFaultMinCurrent = 5, kFaultThermal = 1, kFaultTemp1 = 8, kFaultTemp2 = 9;
constexpr int kFaultShortS1 = 21, kFaultBreakS1 = 22, kFaultShortS2 = 23, kFaultBreakS2 = 24;
constexpr int kFaultPhaseLoss = 25;
constexpr int kFaultUmin = 12, kFaultUmax = 13, kFaultImbalance = 14, kFaultFmin = 16, kFaultFmax = 17;
constexpr std::uint32_t kVoltageFaults = 1u << kFaultUmin | 1u << kFaultUmax | 1u << kFaultImbalance;

// The setting that switches a protection off (0), on (1) or on with automatic restart (2).
constexpr std::pair<int, std::uint16_t> kProtectionMode[] = {
    {0, 157}, {1, 167}, {2, 161}, {4, 164}, {5, 172}, {6, 176}, {7, 176}, {10, 186},
    {12, 179}, {13, 182}, {14, 185}, {16, 191}, {17, 194}, {25, 188}};

constexpr std::int64_t kRestartSilenceMs = 2000;
constexpr std::int64_t kStepMs = 100;
constexpr std::int64_t kPowerOnQuickStartMs = 2000;
// Timer registers 57-59 read this while they have nothing to count.
constexpr std::uint16_t kTimerIdle = 999;
// Thermal register 73-74 at the trip level (the program shows it as 100 %).
constexpr double kThermalAtTrip = 1'100'000.0;
// A motor tripped by the thermal image may start again once it has cooled to this share.
constexpr double kThermalRestartShare = 0.6;
constexpr std::uint16_t kInsulationTenthsMOhm = 1250;
constexpr std::uint16_t kCurrentInputTenthsMA = 120;
constexpr std::uint16_t kVoltageInputTenthsV = 45;
// Sensor codes of registers 69 and 70.
constexpr std::uint16_t kSensorShort = 1000, kSensorBreak = 2000, kSensorOff = 5000;

std::uint16_t clampWord(double v)
{
    return static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
}

std::uint32_t clampLong(double v)
{
    return static_cast<std::uint32_t>(std::clamp(std::llround(v), 0LL, 0xFFFFFFFFLL));
}

std::uint16_t highWord(std::uint32_t v) { return static_cast<std::uint16_t>(v >> 16); }
std::uint16_t lowWord(std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }

std::uint16_t countdown(double seconds)
{
    return seconds < 0 ? kTimerIdle : static_cast<std::uint16_t>(std::min(std::ceil(seconds), double(kTimerIdle)));
}

} // namespace

RelayModel::RelayModel(const RelayOptions& options)
    : m_options(options),
      m_settings(options.firmware),
      m_clock(options.startTime ? *options.startTime : localDateTime()),
      m_motor(options.seed)
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
               std::chrono::steady_clock::now().time_since_epoch()).count();
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

// ---- protections ------------------------------------------------------------------------

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
    const bool low = m_motor.state() == MotorModel::State::Running
                     && m_motor.meanCurrent() < rated * setting(kMinCurrentPercent) / 100.0;
    if (lasted(kFaultMinCurrent, low && setting(kMinCurrentProtection) != 0, ms, setting(kMinCurrentDelay)))
        trip(kFaultMinCurrent, currentUnits(m_motor.meanCurrent()));

    // Start and rotor: a start that lasts longer than 174 s, or a running motor that draws
    // 173 times its rated current for 175 s. Both causes go with the motor.
    const double mean = m_motor.meanCurrent();
    const bool running = m_motor.state() == MotorModel::State::Running;
    const bool rotorProtected = setting(kStartProtection) != 0;
    if (rotorProtected && m_motor.state() == MotorModel::State::Starting
        && m_motor.secondsInState() > setting(kStartDelay))
        trip(kFaultLongStart, currentUnits(mean));
    if (lasted(kFaultBlockedRotor, rotorProtected && running && mean > rated * setting(kStartCoefficient) / 10.0,
               ms, setting(kBlockDelay) / 10.0))
        trip(kFaultBlockedRotor, currentUnits(mean));

    // Overcurrent: trips when 158 = 0; with 158 = 1 it is only signalled while it lasts and
    // the thermal image decides when the motor goes off.
    const bool overcurrent = lasted(kFaultOvercurrent,
                                    setting(kImaxProtection) != 0 && running
                                        && mean > rated * setting(kImaxCoefficient) / 10.0,
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
    const bool phaseDead = *std::min_element(e.phaseVoltage.begin(), e.phaseVoltage.end())
                           < MotorModel::kLivePhaseVolts;
    setCause(kFaultPhaseLoss, phaseLost || phaseDead);
    if (lasted(kFaultPhaseLoss, phaseLost && setting(kPhaseLossProtection) != 0, ms,
               setting(kPhaseLossDelay) / 10.0))
        trip(kFaultPhaseLoss, currentUnits(*leastI));

    // Mains: line voltage limits and balance, frequency limits. Their cause lasts as long
    // as the mains is out of bounds; they trip a running motor once it has lasted the delay.
    const auto [lowest, highest] = std::minmax_element(e.lineVoltage.begin(), e.lineVoltage.end());
    struct MainsCheck {
        int bit;
        bool out;
        std::uint16_t mode;
        double delayS;
        double value;
    };
    const MainsCheck checks[] = {
        {kFaultUmin, *lowest < setting(kUminThreshold), kUminProtection, double(setting(kUminDelay)), *lowest},
        {kFaultUmax, *highest > setting(kUmaxThreshold), kUmaxProtection, setting(kUmaxDelay) / 10.0, *highest},
        {kFaultImbalance, *highest - *lowest > setting(kImbalanceThreshold), kImbalanceProtection,
         double(setting(kImbalanceDelay)), *highest - *lowest},
        {kFaultFmin, e.frequency * 10.0 < setting(kFminThreshold), kFminProtection, double(setting(kFminDelay)),
         e.frequency * 10.0},
        {kFaultFmax, e.frequency * 10.0 > setting(kFmaxThreshold), kFmaxProtection, double(setting(kFmaxDelay)),
         e.frequency * 10.0},
    };
    for (const MainsCheck& c : checks) {
        setCause(c.bit, c.out);
        if (lasted(c.bit, c.out && m_motor.energised() && setting(c.mode) != 0, ms, c.delayS))
            trip(c.bit, clampWord(c.value));
    }

    // Temperature sensors: over temperature trips; a wiring fault warns or trips (setting 209).
    struct Sensor {
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
        const bool over = enabled && wiring == SensorState::Normal
                          && sensorTemperature(s.index) > setting(s.trip);
        setCause(s.overFault, over);
        if (over && m_motor.energised())
            trip(s.overFault, clampWord(sensorTemperature(s.index)));
        for (const auto& [fault, state] : {std::pair {s.shortFault, SensorState::Short},
                                           std::pair {s.breakFault, SensorState::Break}}) {
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

Exception RelayModel::writeSingle(std::uint16_t reg, std::uint16_t value)
{
    std::lock_guard lock(m_mutex);
    advance();
    if (m_settings.has(reg))
        return writeSetting(reg, value);
    if (reg >= kClockFirst && reg <= kClockLast)
        return m_clock.writeField(reg - kClockFirst, value) ? Exception::None : Exception::IllegalDataValue;
    if (reg == kCommand)
        return command(value);
    // Measurements, status and the log are read-only: no register to write there.
    return Exception::IllegalDataAddress;
}

// ---- reads ------------------------------------------------------------------------------

bool RelayModel::isMapped(std::uint16_t reg) const
{
    return reg == kIdentifier || reg == kFirmware
           || (reg >= kMeasureFirst && reg <= kMeasureLast)
           || m_settings.has(reg)
           || (reg >= kFaultValueFirst && reg <= kFaultValueLast)
           || (reg >= kStatus && reg <= kCommand)
           || (reg >= FaultLog::kFirstRegister && reg <= FaultLog::kLastRegister);
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
    case kStatus: return statusWord();
    case kMaskLow: return lowWord(mask);
    case kMaskHigh: return highWord(mask);
    case kCommand: return 0;
    default: break;
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
    case SensorState::Short: return kSensorShort;
    case SensorState::Break: return kSensorBreak;
    case SensorState::Normal: break;
    }
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(sensorTemperature(sensor))));
}

std::uint16_t RelayModel::measurementRegister(std::uint16_t reg) const
{
    const Electrical& e = m_motor.electrical();
    const MotorParameters p = motorParameters();
    const auto thermal = clampLong(m_motor.thermal() / MotorModel::kThermalTripLevel * kThermalAtTrip);
    const auto apparent = clampLong(e.apparentVA / 10.0);  // hundredths of a kVA
    const auto active = clampLong(e.activeW / 10.0);
    const auto reactive = clampLong(e.reactiveVar / 10.0);
    const auto energy = [](double kiloUnitHours) { return clampLong(kiloUnitHours * 10.0); };

    switch (reg) {
    case 30: case 31: case 32: return currentUnits(e.current[reg - 30]);
    case 33: return currentUnits(e.currentPositive);
    case 34: return currentUnits(e.currentZero);
    case 35: return currentUnits(e.currentNegative);
    case 36: case 37: case 38: return currentUnits(m_motor.averageCurrent()[reg - 36]);
    case 39: case 40: case 41: return currentUnits(m_motor.peakCurrent()[reg - 39]);
    case 42: return currentUnits(m_motor.lastStartCurrent());
    case 43: return currentUnits(m_motor.overloadCurrent());
    case 44: return clampWord(m_motor.lastStartSeconds());
    case 45: case 46: case 47: return clampWord(e.phaseVoltage[reg - 45]);
    case 48: case 49: case 50: return clampWord(e.lineVoltage[reg - 48]);
    case 51: return clampWord(e.voltagePositive);
    case 52: return clampWord(e.voltageNegative);
    case 53: return clampWord(e.voltageZero);
    case 54: return clampWord(std::floor(m_motor.runningSeconds() / 3600.0));
    case 55: return kInsulationTenthsMOhm;
    case 56: return clampWord(e.frequency * 10.0);
    case 57: return m_restartInMs ? countdown(*m_restartInMs / 1000.0) : kTimerIdle;
    case 58: return countdown(m_motor.secondsToThermalTrip(p));
    case 59: {
        const double share = heatingPercent() / 100.0;
        if (!(m_latched & 1u << kFaultThermal) || share <= kThermalRestartShare)
            return kTimerIdle;
        const double tau = m_motor.heatingTimeConstant(p) * std::max(1.0, p.coolingFactor);
        return countdown(tau * std::log(share / kThermalRestartShare));
    }
    case 60: return highWord(apparent);
    case 61: return lowWord(apparent);
    case 62: return highWord(active);
    case 63: return lowWord(active);
    case 64: return highWord(reactive);
    case 65: return lowWord(reactive);
    case 66: case 67: case 68: return clampWord(e.cosPhi[reg - 66] * 1000.0);
    case 69: return temperatureRegister(0);
    case 70: return temperatureRegister(1);
    case 71: return kCurrentInputTenthsMA;
    case 72: return kVoltageInputTenthsV;
    case 73: return highWord(thermal);
    case 74: return lowWord(thermal);
    case kLogNewest: return m_log.newestIndex();
    case 90: return highWord(energy(m_motor.apparentEnergy()));
    case 91: return lowWord(energy(m_motor.apparentEnergy()));
    case 92: return highWord(energy(m_motor.activeEnergy()));
    case 93: return lowWord(energy(m_motor.activeEnergy()));
    case 94: return highWord(energy(m_motor.reactiveEnergy()));
    case 95: return lowWord(energy(m_motor.reactiveEnergy()));
    default: break;
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
