// SPDX-License-Identifier: MIT
#pragma once

// Tells systemd how the service is doing (libsystemd's sd_notify). Outside a
// unit that asked for it (NOTIFY_SOCKET unset) every call does nothing.

#include <chrono>
#include <optional>

namespace zrq7rec::systemd {

// READY=1: the links are up, a Type=notify unit counts as started.
bool notifyReady();
// WATCHDOG=1: the poll loop is alive; due more often than watchdogInterval() / 2.
bool notifyWatchdog();
// STOPPING=1: the service is shutting down.
bool notifyStopping();

// WatchdogSec= of the unit (WATCHDOG_USEC for this process), or nothing.
std::optional<std::chrono::microseconds> watchdogInterval();

} // namespace zrq7rec::systemd
