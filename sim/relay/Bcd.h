// SPDX-License-Identifier: MIT
// Packed BCD as the relay stores its clock and the times in its fault log:
// four decimal digits, four bits each, units in the lowest nibble.
#pragma once

#include <cstdint>
#include <optional>

namespace zrq7::sim {

constexpr std::uint16_t toBcd(unsigned n)
{
    std::uint16_t out = 0;
    for (int shift = 0; shift < 16; shift += 4) {
        out = static_cast<std::uint16_t>(out | ((n % 10) << shift));
        n /= 10;
    }
    return out;
}

// The number a BCD word stands for; empty when a nibble is not a decimal digit.
constexpr std::optional<unsigned> fromBcd(std::uint16_t w)
{
    unsigned value = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = (w >> shift) & 0xF;
        if (digit > 9)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace zrq7::sim
