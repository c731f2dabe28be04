// SPDX-License-Identifier: MIT
// Pieces every framing shares.
#include "framing.h"

namespace zrq7::link {

std::size_t writeRequestMessage(const Request& request, std::uint8_t* out)
{
    out[0] = request.unit;
    out[1] = static_cast<std::uint8_t>(request.function);
    out[2] = static_cast<std::uint8_t>(request.reg >> 8);
    out[3] = static_cast<std::uint8_t>(request.reg);
    out[4] = static_cast<std::uint8_t>(request.countOrValue >> 8);
    out[5] = static_cast<std::uint8_t>(request.countOrValue);
    return kRequestMessageSize;
}

// Tolerant of letter case; anything that is not a hex digit still yields a nibble, which the
// LRC then catches.
std::uint8_t decodeHexNibble(std::uint8_t c)
{
    if (c >= 0x30)
        c -= 0x30;
    if (c >= 0x11)
        c -= 7;
    if (c >= 0x2A)
        c -= 0x20;
    return c & 0x0F;
}

} // namespace zrq7::link
