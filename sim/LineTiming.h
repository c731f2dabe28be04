// SPDX-License-Identifier: MIT
// Wire time of frames on a serial line. A pseudo-terminal moves bytes at
// memory speed; the simulator holds each answer back until a real line at
// the configured speed and framing could have carried request and answer.
#pragma once

#include <chrono>
#include <cstddef>

namespace zrq7::sim {

enum class Parity { None, Even };

struct LineSettings
{
    int baud = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 2;

    // Start bit, data bits, parity bit, stop bits.
    int bitsPerCharacter() const { return 1 + dataBits + (parity == Parity::None ? 0 : 1) + stopBits; }
};

// Time for `characters` characters (may be fractional: the RTU gap is 3.5).
std::chrono::nanoseconds characterTime(const LineSettings& line, double characters);

// Earliest moment after the first request byte arrived at which the whole
// answer could have been received on a real line: request, the silent gap
// that ends it (RTU), the relay's turnaround, then the answer.
std::chrono::nanoseconds exchangeWireTime(const LineSettings& line, std::size_t requestCharacters,
                                          double frameGapCharacters, std::size_t responseCharacters,
                                          std::chrono::nanoseconds turnaround);

} // namespace zrq7::sim
