// SPDX-License-Identifier: MIT
// The relay as the simulator's MODBUS slave sees it: a bank of holding
// registers behind functions 03 and 06, plus the hooks that scenario scripts
// and fault injection use. The transports (TCP, RTU, ASCII) only talk to this.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace zrq7::sim {

// MODBUS exception codes the relay answers with.
enum class Exception : std::uint8_t {
    None = 0,
    IllegalFunction = 1,
    IllegalDataAddress = 2,
    IllegalDataValue = 3,
};

struct RelayOptions {
    std::uint16_t identifier = 11;     // holding register 0
    std::uint16_t firmware = 12;       // holding register 1 (and 230)
    std::uint32_t seed = 1;            // noise on measurements, reproducible
};

class RelayDevice {
public:
    virtual ~RelayDevice() = default;

    // Function 03: count registers from first into out[0..count). Thread-safe.
    virtual Exception readHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* out) = 0;
    // Function 06. Thread-safe.
    virtual Exception writeSingle(std::uint16_t reg, std::uint16_t value) = 0;

    // True while the relay does not answer at all (restart, scripted silence).
    virtual bool isSilent() const = 0;

    // Scenario hooks.
    virtual void tripFault(int bit, std::int32_t value) = 0;    // fault bit 0..31 with its value
    virtual void clearFault(int bit) = 0;                        // cause of the fault is gone
    virtual void forceRegister(std::uint16_t reg, std::uint16_t value) = 0;  // no bounds check
    virtual void goSilent(std::chrono::milliseconds duration) = 0;
};

std::unique_ptr<RelayDevice> createRelay(const RelayOptions& options);

} // namespace zrq7::sim
