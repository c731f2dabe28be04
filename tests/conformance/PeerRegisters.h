// SPDX-License-Identifier: MIT
// The holding registers both conformance peers serve at start (modbus_peer.c, ascii_peer.py):
// registers 0..199 of unit 1; register 0 = 11 (the relay identifier), register 1 = 12 (a
// firmware version), register k >= 2 = (k << 8) | (255 - k). Register 200 on is unmapped.
#pragma once

#include <QByteArray>
#include <cstdint>

namespace zrq7::test {

inline constexpr std::uint32_t kPeerUnit = 1;
inline constexpr std::uint32_t kPeerRegisterCount = 200;
// Registers the tests overwrite; reads of the initial values stay below this.
inline constexpr std::uint32_t kPeerScratchRegister = 150;

inline std::uint16_t peerRegister(std::uint32_t k)
{
    if (k == 0)
        return 11;
    if (k == 1)
        return 12;
    return std::uint16_t((k << 8) | (255 - k));
}

// The bytes a read of count registers from first must deliver: high byte first.
inline QByteArray peerBytes(std::uint32_t first, std::uint32_t count)
{
    QByteArray bytes;
    for (std::uint32_t k = first; k < first + count; ++k) {
        bytes.append(char(peerRegister(k) >> 8));
        bytes.append(char(peerRegister(k) & 0xFF));
    }
    return bytes;
}

} // namespace zrq7::test
