// SPDX-License-Identifier: MIT
#include "ModbusTcpResponder.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

ModbusTcpResponder::ModbusTcpResponder() = default;

ModbusTcpResponder::~ModbusTcpResponder()
{
    if (m_thread.joinable()) {
        const char stop = 'x';
        [[maybe_unused]] auto written = ::write(m_wakePipe[1], &stop, 1);
        m_thread.join();
    }
    for (int fd : {m_listen, m_wakePipe[0], m_wakePipe[1]})
        if (fd >= 0)
            ::close(fd);
}

bool ModbusTcpResponder::start()
{
    if (::pipe(m_wakePipe) != 0)
        return false;
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 4) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&ModbusTcpResponder::serve, this);
    return true;
}

void ModbusTcpResponder::setRegisters(uint16_t first, std::initializer_list<uint16_t> values)
{
    std::lock_guard lock(m_mutex);
    for (uint16_t value : values)
        m_registers.at(first++) = value;
}

void ModbusTcpResponder::setPolicy(std::function<Answer(uint16_t)> policy)
{
    std::lock_guard lock(m_mutex);
    m_policy = std::move(policy);
}

ModbusTcpResponder::Log ModbusTcpResponder::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

bool ModbusTcpResponder::waitFor(const std::function<bool(const Log&)>& condition, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_logged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return condition(m_log); });
}

void ModbusTcpResponder::serve()
{
    int client = -1;
    std::vector<uint8_t> pending;
    for (;;) {
        pollfd fds[2] = {{m_wakePipe[0], POLLIN, 0}, {client >= 0 ? client : m_listen, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[0].revents)
            break;
        if (!fds[1].revents)
            continue;
        if (client < 0) {
            client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            pending.clear();
            continue;
        }
        uint8_t chunk[512];
        const ssize_t got = ::read(client, chunk, sizeof chunk);
        if (got <= 0) {
            ::close(client);
            client = -1;
            continue;
        }
        pending.insert(pending.end(), chunk, chunk + got);
        handle(pending, client);
    }
    if (client >= 0)
        ::close(client);
}

// MBAP header (transaction, protocol 0, length, unit) and PDU (function, first, count).
void ModbusTcpResponder::handle(std::vector<uint8_t>& pending, int client)
{
    while (pending.size() >= 7) {
        const std::size_t frameSize = 6 + (pending[4] << 8 | pending[5]);
        if (pending.size() < frameSize)
            return;
        const std::vector<uint8_t> frame(pending.begin(), pending.begin() + frameSize);
        pending.erase(pending.begin(), pending.begin() + frameSize);
        if (frameSize < 12)
            continue;
        Request request{frame[6], static_cast<uint16_t>(frame[8] << 8 | frame[9]),
                        static_cast<uint16_t>(frame[10] << 8 | frame[11])};

        std::vector<uint8_t> pdu;
        {
            std::lock_guard lock(m_mutex);
            m_log.push_back(request);
            const Answer answer = m_policy ? m_policy(request.firstRegister) : Answer::Registers;
            if (answer == Answer::Registers && frame[7] == 3 &&
                request.firstRegister + request.count <= m_registers.size()) {
                pdu = {3, static_cast<uint8_t>(2 * request.count)};
                for (int i = 0; i < request.count; ++i) {
                    const uint16_t value = m_registers[request.firstRegister + i];
                    pdu.push_back(static_cast<uint8_t>(value >> 8));
                    pdu.push_back(static_cast<uint8_t>(value));
                }
            } else if (answer != Answer::Silent) {
                pdu = {static_cast<uint8_t>(frame[7] | 0x80), 2};
            }
        }
        m_logged.notify_all();
        if (pdu.empty())
            continue;
        std::vector<uint8_t> reply(frame.begin(), frame.begin() + 4);
        const std::size_t length = pdu.size() + 1;
        reply.push_back(static_cast<uint8_t>(length >> 8));
        reply.push_back(static_cast<uint8_t>(length));
        reply.push_back(frame[6]);
        reply.insert(reply.end(), pdu.begin(), pdu.end());
        [[maybe_unused]] auto written = ::write(client, reply.data(), reply.size());
    }
}
