// SPDX-License-Identifier: MIT
// A Modbus TCP peer on a free loopback port for the link tests: one connection at a time,
// every request handed to a handler that returns the bytes to answer with (none: stay silent).
#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

class LoopbackServer
{
public:
    using Bytes = std::vector<std::uint8_t>;
    using Handler = std::function<Bytes(const Bytes& request)>;

    explicit LoopbackServer(Handler handler) : m_handler(std::move(handler))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t size = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        ::listen(m_listen, 4);
        m_stop = eventfd(0, EFD_CLOEXEC);
        m_closeClient = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        m_thread = std::thread([this] { run(); });
    }

    ~LoopbackServer()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(m_stop, &one, sizeof one);
        m_thread.join();
        ::close(m_listen);
        ::close(m_stop);
        ::close(m_closeClient);
    }

    std::uint16_t port() const { return m_port; }
    int requests() const
    {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }
    int connections() const
    {
        const std::lock_guard lock(m_mutex);
        return m_connections;
    }

    // Closes the current connection from the server side (the peer goes away).
    void dropConnection()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(m_closeClient, &one, sizeof one);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_clientOpen; });
    }

    // Waits until at least n requests have arrived.
    bool waitForRequests(int n, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_requests >= n; });
    }

    // Waits until the client has closed its connection (or it was dropped).
    bool waitForNoClient(std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return !m_clientOpen; });
    }

private:
    void run()
    {
        for (;;) {
            pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_stop, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents)
                return;
            if (!(fds[0].revents & POLLIN))
                continue;
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            setState(true, 1);
            const bool stop = serve(client);
            ::close(client);
            setState(false, 0);
            if (stop)
                return;
        }
    }

    void setState(bool open, int newConnections)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_clientOpen = open;
            m_connections += newConnections;
        }
        m_changed.notify_all();
    }

    // Serves one connection; true when the server is stopping.
    bool serve(int client)
    {
        Bytes pending;
        for (;;) {
            pollfd fds[3] = {{client, POLLIN, 0}, {m_stop, POLLIN, 0}, {m_closeClient, POLLIN, 0}};
            if (::poll(fds, 3, -1) < 0 && errno != EINTR)
                return true;
            if (fds[1].revents)
                return true;
            if (fds[2].revents) {
                std::uint64_t v;
                [[maybe_unused]] auto n = ::read(m_closeClient, &v, sizeof v);
                return false;
            }
            std::uint8_t chunk[512];
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                return false;
            pending.insert(pending.end(), chunk, chunk + n);
            while (pending.size() >= 6) {
                const std::size_t size = 6 + (std::size_t(pending[4]) << 8 | pending[5]);
                if (pending.size() < size)
                    break;
                const Bytes request(pending.begin(), pending.begin() + std::ptrdiff_t(size));
                pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(size));
                {
                    const std::lock_guard lock(m_mutex);
                    ++m_requests;
                }
                m_changed.notify_all();
                const Bytes answer = m_handler(request);
                if (!answer.empty())
                    ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            }
        }
    }

    Handler m_handler;
    int m_listen = -1;
    int m_stop = -1;
    int m_closeClient = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_requests = 0;
    int m_connections = 0;
    bool m_clientOpen = false;
};
