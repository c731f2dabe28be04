// SPDX-License-Identifier: MIT
// Byte transport under the serial framings: a real terminal device (TtyLine) or, in tests and
// fuzzing, a scripted line that replays given response bytes (ScriptedSerialLine).
#pragma once

#include "link_channel.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace zrq7::link {

class SerialLine
{
public:
    // waitForInput() results besides a positive byte count.
    static constexpr long kTimedOut = 0;
    static constexpr long kFailed = -1;
    static constexpr long kClosed = -2;

    virtual ~SerialLine() = default;
    // Held for the whole of one attempt; closing the line takes it too, after cancelling any
    // wait, so a port is never closed under a running attempt.
    virtual std::unique_lock<std::mutex> lockForAttempt() = 0;
    virtual bool isOpen() const = 0;
    // Drops whatever is queued in both directions.
    virtual void discardQueues() = 0;
    // Writes all bytes (waiting while the driver is full); false on failure.
    virtual bool writeAll(const std::uint8_t* data, std::size_t size) = 0;
    // Waits until bytes are waiting or the deadline passes. Returns a positive number when
    // some are (how many, or 1 when the line cannot tell without asking the driver),
    // kTimedOut at the deadline, kFailed on a line failure, kClosed when the line was closed.
    virtual long waitForInput(Clock::time_point deadline) = 0;
    // Reads up to size waiting bytes; returns their number or -1 on failure.
    virtual long read(std::uint8_t* data, std::size_t size) = 0;
};

} // namespace zrq7::link
