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
#include <memory>
#include <thread>

namespace zrq7::sim {

struct SerialTiming {
    LineSettings line;
    std::chrono::milliseconds turnaround{5};
    // On a pty, requests made while the client's line runs at another speed
    // are noise to a real relay: they get no answer.
    bool matchSpeed = false;
};

class SerialSlave
{
public:
    SerialSlave(SerialPort& port, SerialMode mode, const SerialTiming& timing, SlaveProtocol& protocol,
                FaultInjector* faults, FrameLog& log);
    ~SerialSlave();

    void start();
    void stop();

private:
    using Clock = std::chrono::steady_clock;

    void run();
    void serve(const SlaveRequest& request);
    void writeAll(const std::vector<std::uint8_t>& frame);
    std::chrono::nanoseconds idleGap() const;

    SerialPort& m_port;
    std::unique_ptr<SerialFraming> m_framing;
    SerialTiming m_timing;
    SlaveProtocol& m_protocol;
    FaultInjector* m_faults;
    FrameLog& m_log;
    Clock::time_point m_frameStart;   // first byte of the request being received
    WakeEvent m_wake;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Sleeps until `deadline` on the monotonic clock (absolute, so no drift from
// the time spent computing it). Returns early only when a signal interrupts
// it and `stop` is set.
void sleepUntil(std::chrono::steady_clock::time_point deadline, const std::atomic<bool>& stop);

} // namespace zrq7::sim
