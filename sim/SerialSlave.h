// SPDX-License-Identifier: MIT
// Serves requests on one serial line (device or pty) on its own thread.
// A serial line carries one exchange at a time, so the thread may simply
// wait until the answer is due and then write it.
#pragma once

#include "FaultInjector.h"
#include "FrameLog.h"
#include "LineTiming.h"
#include "SerialFraming.h"
#include "SerialPort.h"
#include "SlaveProtocol.h"
#include "WakeEvent.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace zrq7::sim {

struct SerialTiming
{
    LineSettings line;
    std::chrono::milliseconds turnaround{5};
    // On a pty, requests made while the client's line runs at another speed
    // are noise to a real relay: they get no answer.
    bool matchSpeed = false;
};

class SerialSlave
{
public:
    // Opens the port again after it was unplugged; null with the error set when it cannot.
    using PortOpener = std::function<std::unique_ptr<SerialPort>(std::string& error)>;

    SerialSlave(std::unique_ptr<SerialPort> port, PortOpener reopen, SerialMode mode,
                const SerialTiming& timing, SlaveProtocol& protocol, FaultInjector* faults, FrameLog& log);
    ~SerialSlave();

    void start();
    void stop();
    // The device goes away for `duration` (closed; a pty takes its link with it),
    // then is opened again at its path. Returns at once; the line's thread does it.
    void unplug(std::chrono::milliseconds duration);

private:
    using Clock = std::chrono::steady_clock;

    void run();
    void unplugNow(std::chrono::milliseconds duration);
    void serve(const SlaveRequest& request);
    void writeAll(const std::vector<std::uint8_t>& frame);
    std::chrono::nanoseconds idleGap() const;

    std::unique_ptr<SerialPort> m_port;
    PortOpener m_reopen;
    SerialMode m_mode;
    std::unique_ptr<SerialFraming> m_framing;
    SerialTiming m_timing;
    SlaveProtocol& m_protocol;
    FaultInjector* m_faults;
    FrameLog& m_log;
    Clock::time_point m_frameStart; // first byte of the request being received
    WakeEvent m_wake;
    std::atomic<bool> m_stop{false};
    std::atomic<std::int64_t> m_unplugMs{0}; // an unplug asked for, not yet done
    std::thread m_thread;
};

// Sleeps until `deadline` on the monotonic clock (absolute, so no drift from
// the time spent computing it). Returns early only when a signal interrupts
// it and `stop` is set.
void sleepUntil(std::chrono::steady_clock::time_point deadline, const std::atomic<bool>& stop);

} // namespace zrq7::sim
