// SPDX-License-Identifier: MIT
#include "SerialFraming.h"

#include "AsciiFraming.h"
#include "RtuFraming.h"

namespace zrq7::sim {

std::unique_ptr<SerialFraming> makeSerialFraming(SerialMode mode)
{
    if (mode == SerialMode::Ascii)
        return std::make_unique<AsciiFraming>();
    return std::make_unique<RtuFraming>();
}

} // namespace zrq7::sim
