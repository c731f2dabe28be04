// SPDX-License-Identifier: MIT
// A stand-in relay with a plain register bank, so the slave's framings and
// protocol are tested without the relay model: registers 0..299 exist,
// writes above 999 are refused as out of range.
#pragma once

#include "relay/RelayDevice.h"

#include <array>

class FakeRelay : public zrq7::sim::RelayDevice
{
public:
    using Exception = zrq7::sim::Exception;

    std::array<std::uint16_t, 300> registers{};
    bool silent = false;

    Exception readHolding(std::uint16_t first, std::uint16_t count, std::uint16_t* out) override
    {
        if (first + count > registers.size())
            return Exception::IllegalDataAddress;
        for (std::uint16_t i = 0; i < count; ++i)
            out[i] = registers[first + i];
        return Exception::None;
    }
    Exception writeSingle(std::uint16_t reg, std::uint16_t value) override
    {
        if (reg >= registers.size())
            return Exception::IllegalDataAddress;
        if (value > 999)
            return Exception::IllegalDataValue;
        registers[reg] = value;
        return Exception::None;
    }
    bool isSilent() const override { return silent; }
    void tripFault(int, std::int32_t) override {}
    void clearFault(int) override {}
    void forceRegister(std::uint16_t reg, std::uint16_t value) override { registers.at(reg) = value; }
    void goSilent(std::chrono::milliseconds) override { silent = true; }
};
