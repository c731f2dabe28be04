// SPDX-License-Identifier: MIT
#include "LoadPercent.h"

#include <algorithm>

namespace loadgraph {

std::uint32_t loadPercent(std::uint32_t value)
{
    return std::min(value, maxLoad) * 100u / fullLoad;
}

} // namespace loadgraph
