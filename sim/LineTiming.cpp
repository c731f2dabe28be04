// SPDX-License-Identifier: MIT
#include "LineTiming.h"

#include <cmath>

namespace zrq7::sim {

std::chrono::nanoseconds characterTime(const LineSettings& line, double characters)
{
    const double seconds = characters * line.bitsPerCharacter() / line.baud;
    return std::chrono::nanoseconds(std::llround(seconds * 1e9));
}

std::chrono::nanoseconds exchangeWireTime(const LineSettings& line, std::size_t requestCharacters,
                                          double frameGapCharacters, std::size_t responseCharacters,
                                          std::chrono::nanoseconds turnaround)
{
    return characterTime(line, double(requestCharacters) + frameGapCharacters + double(responseCharacters)) +
           turnaround;
}

} // namespace zrq7::sim
