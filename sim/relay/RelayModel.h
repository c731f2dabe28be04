// SPDX-License-Identifier: MIT
// The simulated relay: settings, clock, fault log, protections and the motor
// behind one mutex, advanced lazily from elapsed time on every access.
#pragma once

#include "FaultLog.h"
#include "MotorModel.h"
#include "RelayClock.h"
#include "RelayDevice.h"
#include "SettingsBank.h"

#include <array>
#include <map>
#include <mutex>
#include <optional>

namespace zrq7::sim {

class RelayModel final : public RelayDevice
{
public:
    explicit RelayModel(const RelayOptions& options);

    Exception readHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* out) override;
    Exception writeSingle(std::uint16_t reg, std::uint16_t value) override;
    bool isSilent() const override;

    void tripFault(int bit, std::int32_t value) override;
    void clearFault(int bit) override;
    void forceRegister(std::uint16_t reg, std::uint16_t value) override;
    void goSilent(std::chrono::milliseconds duration) override;
    void releaseRegister(std::uint16_t reg) override;
    void failRegister(std::uint16_t reg) override;
    void setLoad(double multipleOfRated) override;
    void setSensor(int sensor, SensorState state) override;
    void setMains(double l1, double l2, double l3, double hertz) override;

private:
    // Everything below runs with m_mutex held.
    std::int64_t nowMs() const;
    void advance();
    void step(std::int64_t ms);
    void checkProtections(std::int64_t ms);
    bool lasted(int bit, bool condition, std::int64_t ms, double delayS);
    void setCause(int bit, bool present);
    void runAutomaticRestart(std::int64_t ms);
    void powerOn();
    void applyDeliveredSettings();

    void trip(int bit, std::uint16_t value);
    void raiseWarning(int bit, bool present, std::uint16_t value = 0);
    bool automaticRestartAllowed(int bit) const;
    void clearFaultsWithoutCause(std::uint32_t which);
    bool canStart() const;
    void startMotor();
    void stopMotor();

    Exception command(std::uint16_t value);
    Exception writeSetting(std::uint16_t reg, std::uint16_t value);
    bool isMapped(std::uint16_t reg) const;
    bool injectFailure(std::uint16_t first, std::uint16_t count);
    std::uint16_t registerValue(std::uint16_t reg) const;
    std::uint16_t measurementRegister(std::uint16_t reg) const;
    std::uint16_t statusWord() const;
    std::uint16_t currentUnits(double amps) const;
    std::uint16_t temperatureRegister(int sensor) const;
    double sensorTemperature(int sensor) const;
    double heatingPercent() const;
    MotorParameters motorParameters() const;
    int setting(std::uint16_t reg) const { return m_settings.value(reg); }

    mutable std::mutex m_mutex;
    const RelayOptions m_options;
    std::int64_t m_lastMs = 0;
    std::int64_t m_silentUntilMs = 0;
    bool m_powerOnPending = false;

    SettingsBank m_settings;
    RelayClock m_clock;
    FaultLog m_log;
    MotorModel m_motor;

    std::uint32_t m_latched = 0;                   // tripped faults, until reset or automatic restart
    std::uint32_t m_cause = 0;                     // faults whose cause the model still sees
    std::uint32_t m_scriptedCause = 0;             // faults a scenario tripped and has not cleared yet
    std::uint32_t m_warnings = 0;                  // faults that only warn: shown while their cause lasts
    std::array<std::uint16_t, 29> m_faultValues{}; // registers 300-328
    std::optional<std::int64_t> m_restartInMs;     // automatic restart (or start after power-on) pending
    std::int64_t m_energisedMs = 0;                // since the motor relay closed
    std::array<std::int64_t, 32> m_conditionMs{};  // how long each fault's condition has lasted
    double m_deviceS = 0;                          // running hours of the relay itself
    std::array<SensorState, 2> m_sensors{SensorState::Normal, SensorState::Normal};
    std::map<std::uint16_t, std::uint16_t> m_pinned;
    std::map<std::uint16_t, int> m_failing; // failing requests left per register (-1 always)
};

} // namespace zrq7::sim
