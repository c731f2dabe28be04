// SPDX-License-Identifier: MIT
#pragma once

// SIGTERM and SIGINT as events: blocked in every thread (install() runs before
// any thread starts, and threads inherit the mask) and read from a signalfd by
// the main loop, so a signal never interrupts a register call or a file write.

namespace zrq7rec {

class ShutdownSignals
{
public:
    // Blocks the two signals and opens the descriptor. False when it cannot.
    bool install();
    ~ShutdownSignals();

    // Waits up to timeoutMs for one of them; its number, or 0 when none came.
    int wait(int timeoutMs);

private:
    int m_fd = -1;
};

} // namespace zrq7rec
