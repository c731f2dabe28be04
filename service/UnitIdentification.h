// SPDX-License-Identifier: MIT
#pragma once

// Identifying a relay as the panel does when it connects: registers 0 and 1 read
// up to five times, 10 ms apart, until one read answers; the relay is compatible
// when register 0 is the catalogue's identifier and register 1 a firmware version
// within the accepted range.

#include <cstdint>
#include <functional>

namespace zrq7rec {

// A register read with the link library's contract (MODBUS_Read03).
using RegisterRead = std::function<int32_t(uint32_t address, uint32_t firstRegister, uint32_t count,
                                           uint8_t* buffer, uint32_t bufferSize, uint32_t retries)>;

struct Identification
{
    // 0 a compatible relay, -1 a relay answered but is not compatible, -2 no
    // valid answer, or the last read's library result when it is -100 or less.
    int32_t result = -2;
    uint16_t id = 0;       // register 0 of the answer
    uint16_t firmware = 0; // register 1
};

// `stopRequested` ends the attempts early (as no answer).
Identification identifyUnit(const RegisterRead& read, int unit, uint32_t retries,
                            const std::function<bool()>& stopRequested);

} // namespace zrq7rec
