// SPDX-License-Identifier: MIT
// The relay as the simulator's MODBUS slave sees it: a bank of holding
// registers behind functions 03 and 06, plus the hooks that scenario scripts
// and fault injection use. The transports (TCP, RTU, ASCII) only talk to this.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace zrq7::sim {

// MODBUS exception codes the relay answers with.
enum class Exception : std::uint8_t {
    None = 0,
    IllegalFunction = 1,
    IllegalDataAddress = 2,
    IllegalDataValue = 3,
    SlaveDeviceFailure = 4,
};

// A calendar time as the relay's clock keeps it (year in full, e.g. 2025).
struct RelayDateTime
{
    int year = 2025;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Monotonic time in milliseconds. The model advances lazily from it on every
// access, so tests drive time by hand instead of sleeping.
using MonotonicClock = std::function<std::chrono::milliseconds()>;

struct RelayOptions
{
    std::uint16_t identifier = 11; // holding register 0
    std::uint16_t firmware = 12;   // holding register 1 (and 230)
    std::uint32_t seed = 1;        // noise on measurements, reproducible

    MonotonicClock clock;                   // empty: std::chrono::steady_clock
    std::optional<RelayDateTime> startTime; // relay clock at power-on; empty: the PC's local time

    // A relay leaves the factory with no rated motor current (register 151 = 0) and
    // remote control forbidden (register 200 = 0): it would never start the motor.
    // The simulator is delivered fitted to a 42 A motor with remote control allowed,
    // so a fresh simulator shows a working drive. Set these to 0 for the factory state.
    std::uint16_t ratedCurrent = 42; // register 151, amperes
    std::uint16_t remoteControl = 1; // register 200
    double load = 0.85;              // motor load as a multiple of the rated current
    // Further settings applied over the factory values, unchecked: register, signed value.
    std::vector<std::pair<std::uint16_t, std::int16_t>> settings;

    // Registers whose reads and writes fail with exception 4 (a relay that cannot
    // store or fetch one value): register, number of failing requests (-1 = always).
    std::map<std::uint16_t, int> failingRegisters;
    // A relay whose clock cannot be set right: the seconds written to register 80
    // land this many seconds ahead.
    int clockAheadSeconds = 0;
};

// State of a temperature sensor's wiring (the relay reports short and break with codes).
enum class SensorState : std::uint8_t { Normal, Short, Break };

class RelayDevice
{
public:
    virtual ~RelayDevice() = default;

    // Function 03: count registers from first into out[0..count). Thread-safe.
    virtual Exception readHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* out) = 0;
    // Function 06. Thread-safe.
    virtual Exception writeSingle(std::uint16_t reg, std::uint16_t value) = 0;

    // True while the relay does not answer at all (restart, scripted silence).
    // The model itself still answers: a transport checks this first and stays quiet.
    virtual bool isSilent() const = 0;

    // Scenario hooks.
    virtual void tripFault(int bit, std::int32_t value) = 0; // fault bit 0..31 with its value
    virtual void clearFault(int bit) = 0;                    // cause of the fault is gone
    // Settings 150-244 take the value unchecked; any other register reads the forced
    // value from now on, instead of the model's, until releaseRegister.
    virtual void forceRegister(std::uint16_t reg, std::uint16_t value) = 0;
    virtual void goSilent(std::chrono::milliseconds duration) = 0;

    // More scenario hooks; the defaults do nothing so that stand-ins stay small.
    virtual void releaseRegister(std::uint16_t /*reg*/) {}
    // Every request that touches the register answers "device failure"
    // (exception 4) until releaseRegister: a relay that cannot fetch a word.
    virtual void failRegister(std::uint16_t /*reg*/) {}
    // Load of the running motor as a multiple of its rated current (1.0 = rated).
    virtual void setLoad(double /*multipleOfRated*/) {}
    // Wiring of temperature sensor 1 or 2.
    virtual void setSensor(int /*sensor*/, SensorState /*state*/) {}
    // The mains: phase voltages L1, L2, L3 in volts and frequency in hertz
    // (delivered as 231 V and 50 Hz, i.e. 400 V between lines).
    virtual void setMains(double /*l1*/, double /*l2*/, double /*l3*/, double /*hertz*/) {}
};

std::unique_ptr<RelayDevice> createRelay(const RelayOptions& options);

} // namespace zrq7::sim
