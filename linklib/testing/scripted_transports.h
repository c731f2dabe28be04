// SPDX-License-Identifier: MIT
// Stand-ins for a serial line and a TCP connection that replay response bytes given in
// advance. Tests and fuzz targets drive the real channels (SerialChannel, TcpChannel) with
// them, so the receive loops and checks run exactly as on a port, just without one.
//
// Feeding arbitrary response bytes to a framing (as a fuzz target does):
//   auto line = std::make_shared<ScriptedSerialLine>();
//   line->queueResponse(data, size, chunkSize);           // the far end's answer, in chunks
//   SerialChannel channel(line, SerialFraming::Rtu);      // or SerialFraming::Ascii
//   Attempt attempt;                                      // request, target buffer, timeout
//   channel.readRegisters(attempt);                       // or writeRegister(attempt)
// For Modbus TCP: ScriptedTcpTransport::queueResponse(bytes), TcpChannel(transport, id), and a
// timeout of 0 so an incomplete answer ends the attempt at once. The pure steps alone are in
// framing.h (rtu::complete/check, ascii::Scanner/check, tcp::scan/check).
#pragma once

#include "serial_line.h"
#include "tcp_transport.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace zrq7::link {

// A serial line whose far end answers every request with the queued chunks, one chunk per
// wait, then stays silent (the attempt ends with its time-out at once).
class ScriptedSerialLine final : public SerialLine
{
public:
    void queueChunk(std::vector<std::uint8_t> chunk);
    // Splits bytes into chunks of at most chunkSize (0: one chunk).
    void queueResponse(const std::uint8_t* data, std::size_t size, std::size_t chunkSize = 0);
    // Every request written so far, in order.
    const std::vector<std::vector<std::uint8_t>>& requests() const { return m_requests; }
    void setWriteFails(bool fails) { m_writeFails = fails; }

    std::unique_lock<std::mutex> lockForAttempt() override;
    bool isOpen() const override { return true; }
    void discardQueues() override {}
    bool writeAll(const std::uint8_t* data, std::size_t size) override;
    long waitForInput(Clock::time_point deadline) override;
    long read(std::uint8_t* data, std::size_t size) override;

private:
    std::mutex m_mutex;
    std::deque<std::vector<std::uint8_t>> m_chunks;
    std::vector<std::vector<std::uint8_t>> m_requests;
    bool m_writeFails = false;
};

// A TCP connection whose peer answers the next request with the given bytes (all at once).
class ScriptedTcpTransport final : public TcpTransport
{
public:
    // Bytes the peer sends right after the next request; a response may hold several frames.
    void queueResponse(std::vector<std::uint8_t> bytes);
    const std::vector<std::vector<std::uint8_t>>& requests() const { return m_requests; }
    void setSendFails(bool fails) { m_sendFails = fails; }

    bool isOpen() const override { return true; }
    bool send(const std::uint8_t* data, std::size_t size) override;
    ReceiveBuffer& received() override { return m_received; }

private:
    std::deque<std::vector<std::uint8_t>> m_responses;
    std::vector<std::vector<std::uint8_t>> m_requests;
    bool m_sendFails = false;
    ReceiveBuffer m_received;
};

} // namespace zrq7::link
