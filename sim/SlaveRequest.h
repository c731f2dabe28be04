// SPDX-License-Identifier: MIT
// One request as a framing delivers it to the slave: unit, PDU (function
// code and data) and, on TCP, the transaction to echo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zrq7::sim {

struct SlaveRequest
{
    std::uint8_t unit = 0;
    std::vector<std::uint8_t> pdu;  // function code first
    std::uint16_t transaction = 0;  // MBAP transaction identifier (TCP only)
    std::size_t wireCharacters = 0; // characters the request took on the line
};

} // namespace zrq7::sim
