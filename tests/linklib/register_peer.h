// SPDX-License-Identifier: MIT
// Answers that prove which request they belong to: register k of unit u reads as
// registerValue(u, k), so a caller that got someone else's answer sees wrong values.
#pragma once

#include <cstdint>
#include <vector>

inline std::uint16_t registerValue(std::uint8_t unit, std::uint16_t reg)
{
    return static_cast<std::uint16_t>(unit * 4099u + reg * 3u + 1u);
}

// Modbus TCP answer to a 12-byte request: derived register values for function 03, the echo
// for function 06.
inline std::vector<std::uint8_t> derivedTcpAnswer(const std::vector<std::uint8_t>& request)
{
    const std::uint8_t unit = request[6];
    const std::uint8_t function = request[7];
    if (function == 0x06)
        return request;
    const std::uint16_t first = static_cast<std::uint16_t>(request[8] << 8 | request[9]);
    const std::uint16_t count = static_cast<std::uint16_t>(request[10] << 8 | request[11]);
    const std::size_t dataSize = 2u * count;
    std::vector<std::uint8_t> answer = {request[0],
                                        request[1],
                                        0,
                                        0,
                                        static_cast<std::uint8_t>((dataSize + 3) >> 8),
                                        static_cast<std::uint8_t>(dataSize + 3),
                                        unit,
                                        0x03,
                                        static_cast<std::uint8_t>(dataSize)};
    for (std::uint16_t k = 0; k < count; ++k) {
        const std::uint16_t v = registerValue(unit, static_cast<std::uint16_t>(first + k));
        answer.push_back(static_cast<std::uint8_t>(v >> 8));
        answer.push_back(static_cast<std::uint8_t>(v));
    }
    return answer;
}
