// SPDX-License-Identifier: MIT
#include "SystemdNotify.h"

#include <systemd/sd-daemon.h>

namespace zrq7rec::systemd {
namespace {

// sd_notify returns 0 when NOTIFY_SOCKET is unset, above 0 when sent. The
// variable stays set: the watchdog needs it for the whole run.
bool notify(const char* state)
{
    return sd_notify(0, state) > 0;
}

} // namespace

bool notifyReady()
{
    return notify("READY=1");
}

bool notifyWatchdog()
{
    return notify("WATCHDOG=1");
}

bool notifyStopping()
{
    return notify("STOPPING=1");
}

std::optional<std::chrono::microseconds> watchdogInterval()
{
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0)
        return std::chrono::microseconds(usec);
    return std::nullopt;
}

} // namespace zrq7rec::systemd
