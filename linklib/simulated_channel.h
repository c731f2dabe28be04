// SPDX-License-Identifier: MIT
// The simulated link: answers without any port, for trying the program without a relay.
#pragma once

#include "link_channel.h"

#include <random>

namespace zrq7::link {

class SimulatedChannel final : public LinkChannel
{
public:
    // Always 1.
    std::int32_t writeRegister(Attempt& attempt) override;
    // Fills 2 x count pseudo-random bytes (0..254) and returns 2 x count, or -7 when that is
    // not smaller than the caller's buffer.
    std::int32_t readRegisters(Attempt& attempt) override;

private:
    std::minstd_rand m_random{std::random_device{}()};
};

} // namespace zrq7::link
