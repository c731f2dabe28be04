// SPDX-License-Identifier: MIT
#include "tcp_connection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zrq7::link {

namespace {
constexpr std::size_t kReceiveChunk = 100;
constexpr int kSocketTimeoutMs = 1000;
} // namespace

TcpConnection::TcpConnection(int fd) : m_fd(fd), m_open(true) {}

TcpConnection::~TcpConnection()
{
    close();
}

std::shared_ptr<TcpConnection> TcpConnection::createSocket()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return nullptr;
    return std::shared_ptr<TcpConnection>(new TcpConnection(fd));
}

std::int32_t TcpConnection::connectTo(const std::string& dottedAddress, std::uint16_t port)
{
    const int noDelay = 1;
    const timeval timeout{kSocketTimeoutMs / 1000, (kSocketTimeoutMs % 1000) * 1000};
    if (setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay) != 0 ||
        setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0 ||
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0)
        return kConnectFailed;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, dottedAddress.c_str(), &address.sin_addr) != 1)
        return kConnectFailed;
    // The send time-out also bounds the connection attempt.
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return kConnectFailed;
    return 0;
}

bool TcpConnection::startReceiver()
{
    try {
        m_receiver = std::thread(&TcpConnection::receiveLoop, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void TcpConnection::receiveLoop()
{
    std::uint8_t chunk[kReceiveChunk];
    for (;;) {
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            m_received.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        // The 1000 ms receive time-out only gives a chance to notice a close.
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) && m_open)
            continue;
        return; // the peer closed the connection, the socket failed, or we are closing
    }
}

void TcpConnection::close()
{
    const std::lock_guard closing(m_closeMutex);
    if (m_fd < 0)
        return;
    m_open = false;
    m_received.markClosed();
    // Shutting the socket down ends a blocked recv() at once.
    ::shutdown(m_fd, SHUT_RDWR);
    if (m_receiver.joinable())
        m_receiver.join();
    const std::lock_guard sending(m_sendMutex);
    ::close(m_fd);
    m_fd = -1;
}

bool TcpConnection::isOpen() const
{
    return m_open;
}

bool TcpConnection::send(const std::uint8_t* data, std::size_t size)
{
    const std::lock_guard sending(m_sendMutex);
    if (m_fd < 0 || !m_open)
        return false;
    while (size > 0) {
        // MSG_NOSIGNAL: a peer that has gone away must not kill the program with SIGPIPE.
        const ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

ReceiveBuffer& TcpConnection::received()
{
    return m_received;
}

} // namespace zrq7::link
