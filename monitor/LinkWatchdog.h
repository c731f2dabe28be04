// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// nLinkWatchdog of the main window's one-second timer: tells when the link-lost
// fault (catalogue entry 38) is to be raised. Each working second sets it to 5;
// each failing second counts it down, and the first failing second that finds it
// at 0 (the sixth in a row) raises the fault unless it is already listed. The
// window then resets the live display, lists entry 38 and marks it.
class LinkWatchdog
{
public:
    static constexpr int32_t graceSeconds = 5;

    // On connect.
    void reset() { m_nLinkWatchdog = graceSeconds; }

    // Once per second while connected. True when the link-lost fault is to be raised now.
    bool tick(bool linkOk, bool linkLostListed)
    {
        if (linkOk) {
            m_nLinkWatchdog = graceSeconds;
            return false;
        }
        if (m_nLinkWatchdog > 0) {
            --m_nLinkWatchdog;
            return false;
        }
        return !linkLostListed;
    }

    int32_t nLinkWatchdog() const { return m_nLinkWatchdog; }

private:
    int32_t m_nLinkWatchdog = graceSeconds;
};
