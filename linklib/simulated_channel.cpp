// SPDX-License-Identifier: MIT
#include "simulated_channel.h"

namespace zrq7::link {

std::int32_t SimulatedChannel::writeRegister(Attempt& attempt)
{
    attempt.deviceError = 0;
    return 1;
}

std::int32_t SimulatedChannel::readRegisters(Attempt& attempt)
{
    attempt.deviceError = 0;
    const std::uint32_t size = 2u * attempt.request.countOrValue;
    if (size >= attempt.target.size)
        return kTooLong;
    for (std::uint32_t i = 0; i < size; ++i)
        attempt.target.data[i] = static_cast<std::uint8_t>(m_random() % 255);
    return static_cast<std::int32_t>(size);
}

} // namespace zrq7::link
