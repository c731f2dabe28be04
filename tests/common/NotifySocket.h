// SPDX-License-Identifier: MIT
// A bound AF_UNIX datagram socket at a path, standing in for systemd's notify
// socket (NOTIFY_SOCKET) in tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zrq7::test {

class NotifySocket
{
public:
    explicit NotifySocket(const QString& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() { ::close(m_fd); }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;
    bool bound() const { return m_bound; }

    // The next datagram, or "" when none arrives within timeoutMs.
    QByteArray receive(int timeoutMs = 2000)
    {
        pollfd ready{m_fd, POLLIN, 0};
        if (::poll(&ready, 1, timeoutMs) != 1)
            return {};
        char buffer[256];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
    }

private:
    int m_fd = -1;
    bool m_bound = false;
};

} // namespace zrq7::test
