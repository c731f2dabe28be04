// SPDX-License-Identifier: MIT
// A serial port on a terminal device: exclusive open, line set-up through termios, and the
// byte moves of the serial framings. Waiting uses poll(), with an event descriptor that
// close() signals so a running attempt ends at once.
#pragma once

#include "serial_line.h"

#include <atomic>
#include <memory>
#include <string>

namespace zrq7::link {

// Line parameters as the program's settings store them (list positions).
struct LineSettings
{
    std::uint32_t baudRate = 0; // 0: 9600, 1: 19200, other: 9600
    std::uint32_t dataBits = 1; // 0: 7, other: 8
    std::uint32_t parity = 0;   // 1: even, other: none
    std::uint32_t stopBits = 0; // 0: 1, other: 2
};

// The COM_OPEN_* reason for an errno of open().
std::uint32_t openFailureOf(int error);

class TtyLine final : public SerialLine
{
public:
    // Opens the device exclusively: no other opener, this process or another, gets it while we
    // hold it. Returns null when the device is missing, not a terminal or already held; failure
    // is then the reason (COM_OPEN_*), else COM_OPEN_NO_FAILURE.
    static std::shared_ptr<TtyLine> open(const std::string& devicePath, std::uint32_t& failure);
    ~TtyLine() override;

    // Applies speed, framing and the fixed settings (raw bytes, no flow control, no input
    // parity checking, DTR and RTS inactive). Returns 0, or -1/-2 like COM_Setup.
    std::int32_t setup(const LineSettings& settings);
    // Cancels any wait, waits for a running attempt to end and releases the port.
    void close();

    std::unique_lock<std::mutex> lockForAttempt() override;
    bool isOpen() const override;
    void discardQueues() override;
    bool writeAll(const std::uint8_t* data, std::size_t size) override;
    long waitForInput(Clock::time_point deadline) override;
    long read(std::uint8_t* data, std::size_t size) override;

private:
    TtyLine(int fd, int cancelFd);
    // Waits on the cancel event only; true if it fired before the deadline.
    bool cancelledBefore(Clock::time_point deadline) const;

    std::mutex m_io;
    int m_fd = -1;
    int m_cancelFd = -1;
    std::atomic<bool> m_open{false};
};

} // namespace zrq7::link
