// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace zrq7::test {

// A TCP port on 127.0.0.1 that was free a moment ago (bound to port 0 and
// released). Prefer `zrq7sim --tcp 0` and SimulatorProcess::tcpPort() where
// the peer can report its own port; this is for peers that cannot.
std::uint16_t freeTcpPort();

} // namespace zrq7::test
