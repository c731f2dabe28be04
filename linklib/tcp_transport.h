// SPDX-License-Identifier: MIT
// What the Modbus TCP framing needs from a connection: a way to send a request and the
// receive buffer the connection's receive thread fills. The real connection is TcpConnection;
// tests and fuzz targets plug in ScriptedTcpTransport.
#pragma once

#include "link_channel.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace zrq7::link {

// Bytes received on the connection since the current exchange started. The receive thread
// appends and signals; the exchange waits for the signal instead of polling.
class ReceiveBuffer
{
public:
    // Appends a chunk unless it would fill the buffer (then the chunk is dropped: the
    // exchange waiting for it times out).
    void append(const std::uint8_t* data, std::size_t size);
    // Empties the buffer; called before each request is sent.
    void reset();
    // Marks the connection closed and wakes any waiting exchange.
    void markClosed();

    // Calls scan(data, count) now and after every change until it returns a result whose
    // status is not Incomplete, the deadline passes or the connection is closed.
    // Returns the last scan result and whether the connection was closed.
    template <typename ScanFn> auto waitFor(Clock::time_point deadline, ScanFn scan, bool& closed)
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            auto result = scan(static_cast<const std::uint8_t*>(m_data), m_count);
            closed = m_closed;
            if (result.status != decltype(result)::Incomplete || m_closed)
                return result;
            if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout) {
                result = scan(static_cast<const std::uint8_t*>(m_data), m_count);
                closed = m_closed;
                return result;
            }
        }
    }
    // Runs fn(data, count) under the buffer's lock (for the checks after a scan).
    template <typename Fn> auto inspect(Fn fn)
    {
        const std::lock_guard lock(m_mutex);
        return fn(static_cast<const std::uint8_t*>(m_data), m_count);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint8_t m_data[kFrameBufferSize] = {};
    std::size_t m_count = 0;
    bool m_closed = false;
};

class TcpTransport
{
public:
    virtual ~TcpTransport() = default;
    virtual bool isOpen() const = 0;
    // Sends all bytes; false when the connection failed.
    virtual bool send(const std::uint8_t* data, std::size_t size) = 0;
    virtual ReceiveBuffer& received() = 0;
};

} // namespace zrq7::link
