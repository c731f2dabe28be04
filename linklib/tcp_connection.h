// SPDX-License-Identifier: MIT
// One Modbus TCP connection: the socket, its options, and the receive thread that appends
// everything the peer sends to the receive buffer.
#pragma once

#include "tcp_transport.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace zrq7::link {

class TcpConnection final : public TcpTransport
{
public:
    // Creates the IPv4 stream socket; null when the system refuses one.
    static std::shared_ptr<TcpConnection> createSocket();
    ~TcpConnection() override;

    // Sets no-delay and the 1000 ms send and receive time-outs, then connects to the dotted
    // IPv4 address (no name resolution). Returns 0 or -4.
    std::int32_t connectTo(const std::string& dottedAddress, std::uint16_t port);
    // Starts the receive thread; false when it cannot be created.
    bool startReceiver();
    // Ends the connection: after it returns the receive thread has stopped and nothing touches
    // the socket or the receive buffer on this connection's behalf.
    void close();

    bool isOpen() const override;
    bool send(const std::uint8_t* data, std::size_t size) override;
    ReceiveBuffer& received() override;

private:
    explicit TcpConnection(int fd);
    void receiveLoop();

    std::mutex m_closeMutex;
    std::mutex m_sendMutex;
    int m_fd = -1;
    std::atomic<bool> m_open{false};
    std::thread m_receiver;
    ReceiveBuffer m_received;
};

} // namespace zrq7::link
