// SPDX-License-Identifier: MIT
// RTU and ASCII answers of a well-behaved relay whose registers read as registerValue().
#pragma once

#include "modbus_checks.h"
#include "register_peer.h"

#include <cstdint>
#include <vector>

// Binary message (address, function, data) of the answer to the request's message bytes.
inline std::vector<std::uint8_t> derivedMessage(const std::uint8_t* request)
{
    if (request[1] == 0x06)
        return {request, request + 6};
    const std::uint16_t first = static_cast<std::uint16_t>(request[2] << 8 | request[3]);
    const std::uint16_t count = static_cast<std::uint16_t>(request[4] << 8 | request[5]);
    std::vector<std::uint8_t> message = {request[0], 0x03, static_cast<std::uint8_t>(2 * count)};
    for (std::uint16_t k = 0; k < count; ++k) {
        const std::uint16_t v = registerValue(request[0], static_cast<std::uint16_t>(first + k));
        message.push_back(static_cast<std::uint8_t>(v >> 8));
        message.push_back(static_cast<std::uint8_t>(v));
    }
    return message;
}

inline std::vector<std::uint8_t> withRtuCrc(std::vector<std::uint8_t> message)
{
    const std::uint16_t crc = zrq7::modbus::crc16(message.data(), message.size());
    message.push_back(static_cast<std::uint8_t>(crc));
    message.push_back(static_cast<std::uint8_t>(crc >> 8));
    return message;
}

inline std::vector<std::uint8_t> asAsciiFrame(const std::vector<std::uint8_t>& message)
{
    std::vector<std::uint8_t> frame = {':'};
    char hex[2];
    auto put = [&](std::uint8_t b) {
        zrq7::modbus::hexByte(b, hex);
        frame.push_back(static_cast<std::uint8_t>(hex[0]));
        frame.push_back(static_cast<std::uint8_t>(hex[1]));
    };
    for (std::uint8_t b : message)
        put(b);
    put(zrq7::modbus::lrc(message.data(), message.size()));
    frame.push_back('\r');
    frame.push_back('\n');
    return frame;
}

// Answers an RTU request (8 bytes) or an ASCII request (':' hex CR LF).
inline std::vector<std::uint8_t> derivedSerialAnswer(const std::vector<std::uint8_t>& request)
{
    if (request[0] != ':')
        return withRtuCrc(derivedMessage(request.data()));
    std::uint8_t message[6];
    for (int i = 0; i < 6; ++i) {
        auto nibble = [](std::uint8_t c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
        message[i] = static_cast<std::uint8_t>(nibble(request[1 + 2 * i]) << 4 | nibble(request[2 + 2 * i]));
    }
    return asAsciiFrame(derivedMessage(message));
}
