// SPDX-License-Identifier: MIT
// The link's process-global state and the calls that change it: which channel is installed,
// the serial port and TCP connection it holds, the settings, and the register call wrapper
// with its gates and exchange lock.
//
// Locking: m_lifecycle serialises opens and closes; m_state guards the fields below it and is
// never held during I/O. The gates and the exchange lock live as long as the process, so a
// call racing with a close never touches a destroyed semaphore; "existing" is a flag under
// m_state, and every call releases whatever it acquired.
#pragma once

#include "ZRQ7DLL.h"
#include "link_channel.h"
#include "tty_line.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore>

namespace zrq7::link {

class TcpConnection;

class LinkState
{
public:
    static LinkState& instance();

    std::int32_t read03(std::uint32_t unit, std::uint32_t reg, std::uint32_t count, std::uint8_t* buffer,
                        std::uint32_t size, std::uint32_t retries);
    std::int32_t write06(std::uint32_t unit, std::uint32_t reg, std::int32_t value, std::uint32_t retries);

    std::int32_t comOpen(const char16_t* portName);
    std::int32_t comSetup(const LineSettings& settings);
    std::int32_t comClose();
    bool comIsOpen() const;

    std::int32_t tcpOpen(const char16_t* host, std::uint32_t port);
    std::int32_t tcpClose();
    bool tcpIsOpen() const;

    std::int32_t debugOpen();
    std::int32_t debugClose();

    // Single 32-bit values, read and written without locking.
    std::atomic<std::uint32_t> ioProtocol{0};
    std::atomic<std::uint32_t> ioTimeoutMs{100};
    std::atomic<std::uint32_t> userFlag{0};
    std::atomic<std::uint32_t> deviceError{0};
    std::atomic<std::uint32_t> openFailure{COM_OPEN_NO_FAILURE}; // reason of the last comOpen

private:
    enum class Gate { Read, Write };
    using Operation = std::int32_t (LinkChannel::*)(Attempt&);

    std::int32_t runExchange(Gate gate, Operation operation, Attempt attempt, std::uint32_t retries);
    // Both need m_lifecycle held by the caller.
    void closeSerialLocked();
    void closeTcpLocked();
    // Called from inside an exchange when a request could not be sent on this connection.
    void closeTcpAfterSendFailure(const std::shared_ptr<TcpConnection>& connection);
    // Takes the held port or connection out of the state and removes the channel.
    template <typename T> std::shared_ptr<T> detach(std::shared_ptr<T>& held)
    {
        const std::lock_guard lock(m_state);
        removeLocked();
        return std::move(held);
    }
    // Both need m_state held.
    void installLocked(std::shared_ptr<LinkChannel> channel);
    void removeLocked();

    std::mutex m_lifecycle;
    mutable std::mutex m_state;
    std::shared_ptr<LinkChannel> m_channel;
    std::shared_ptr<TtyLine> m_serial;
    std::shared_ptr<TcpConnection> m_tcp;
    bool m_gatesExist = false;
    std::uint64_t m_generation = 0; // changes at every open and close

    std::counting_semaphore<5> m_readGate{5};
    std::counting_semaphore<5> m_writeGate{5};
    // One exchange on the line at a time. Taken and given back by the same caller, so a
    // mutex: unlike a binary semaphore it makes no wake-up call when nobody waits.
    std::mutex m_exchangeLock;
    std::uint16_t m_transactionId = 0; // used under m_exchangeLock only
};

} // namespace zrq7::link
