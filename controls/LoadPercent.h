// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The relay's load scale, plain arithmetic without Qt: the poll's heating per cent
// and the load graph share it. 1,100,000 load units are 100 %; values above
// 1000 % are clamped.
namespace loadgraph {

constexpr std::uint32_t fullLoad = 1'100'000; // 100 %
constexpr std::uint32_t maxLoad = 11'000'000; // 1000 %, larger values are clamped

// Load in whole per cent of full load (0..1000).
std::uint32_t loadPercent(std::uint32_t value);

} // namespace loadgraph
