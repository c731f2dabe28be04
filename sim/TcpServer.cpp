// SPDX-License-Identifier: MIT
#include "TcpServer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zrq7::sim {

TcpServer::TcpServer(SlaveProtocol& protocol, FaultInjector* faults, FrameLog& log)
    : m_protocol(protocol), m_faults(faults), m_log(log)
{
}

TcpServer::~TcpServer()
{
    stop();
    for (auto& [id, client] : m_clients)
        ::close(client.fd);
    if (m_listenFd >= 0)
        ::close(m_listenFd);
}

bool TcpServer::listen(const std::string& host, std::uint16_t port, std::string& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error = "cannot resolve TCP address '" + host + "': " + ::gai_strerror(rc);
        return false;
    }
    error = "cannot listen on TCP " + host + ":" + service;
    for (addrinfo* candidate = found; candidate; candidate = candidate->ai_next) {
        const int fd = ::socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                                candidate->ai_protocol);
        if (fd < 0)
            continue;
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, candidate->ai_addr, candidate->ai_addrlen) == 0 && ::listen(fd, 16) == 0) {
            m_listenFd = fd;
            break;
        }
        error = "cannot listen on TCP " + host + ":" + service + ": " + std::strerror(errno);
        ::close(fd);
    }
    ::freeaddrinfo(found);
    if (m_listenFd < 0)
        return false;

    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&bound), &length);
    char hostText[NI_MAXHOST];
    char portText[NI_MAXSERV];
    ::getnameinfo(reinterpret_cast<sockaddr*>(&bound), length, hostText, sizeof hostText, portText,
                  sizeof portText, NI_NUMERICHOST | NI_NUMERICSERV);
    m_endpoint = bound.ss_family == AF_INET6 ? "[" + std::string(hostText) + "]:" + portText
                                             : std::string(hostText) + ":" + portText;
    return true;
}

void TcpServer::start()
{
    m_thread = std::thread([this] { run(); });
}

void TcpServer::stop()
{
    m_stop = true;
    m_wake.signal();
    if (m_thread.joinable())
        m_thread.join();
}

void TcpServer::dropConnections()
{
    m_dropRequested = true;
    m_wake.signal();
}

int TcpServer::pollTimeoutMs() const
{
    if (m_delayed.empty())
        return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_delayed.begin()->first - Clock::now());
    return int(std::max<long long>(0, wait.count()));
}

void TcpServer::run()
{
    std::vector<pollfd> fds;
    std::vector<int> ids;
    while (!m_stop) {
        fds.assign({{m_wake.fd(), POLLIN, 0}, {m_listenFd, POLLIN, 0}});
        ids.assign({0, 0});
        for (auto& [id, client] : m_clients) {
            fds.push_back({client.fd, short(POLLIN | (client.output.empty() ? 0 : POLLOUT)), 0});
            ids.push_back(id);
        }
        if (::poll(fds.data(), fds.size(), pollTimeoutMs()) < 0 && errno != EINTR)
            break;
        if (fds[0].revents) {
            m_wake.clear();
            if (m_dropRequested.exchange(false)) {
                m_log.note("tcp", "dropping all connections");
                while (!m_clients.empty())
                    close(m_clients.begin()->first);
                continue;
            }
        }
        if (fds[1].revents & POLLIN)
            accept();
        for (std::size_t i = 2; i < fds.size(); ++i) {
            const auto client = m_clients.find(ids[i]);
            if (client == m_clients.end())
                continue;
            if (fds[i].revents & POLLOUT)
                flush(client->second);
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
                receive(ids[i]);
        }
        sendDueAnswers();
    }
}

void TcpServer::accept()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const int id = m_nextClientId++;
        Client& client = m_clients[id];
        client.fd = fd;
        client.name = "tcp#" + std::to_string(id);
        m_log.note(client.name, "connected");
    }
}

void TcpServer::receive(int clientId)
{
    Client& client = m_clients.at(clientId);
    std::uint8_t buffer[1024];
    const ssize_t got = ::recv(client.fd, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) {
        close(clientId);
        return;
    }
    client.framing.feed(buffer, std::size_t(got));
    while (auto request = client.framing.next()) {
        const std::vector<std::uint8_t> incoming =
            TcpFraming::encode(request->transaction, request->unit, request->pdu);
        m_log.frame(client.name, "<-", incoming);
        const auto pdu = m_protocol.answer(*request, false);
        if (!pdu)
            continue;
        std::vector<std::uint8_t> frame = TcpFraming::encode(request->transaction, request->unit, *pdu);
        const FaultDecision fault = m_faults ? m_faults->decide(frame.size()) : FaultDecision{};
        if (fault.drop) {
            m_log.frame(client.name, "x ", frame, "dropped");
            continue;
        }
        FaultInjector::corrupt(fault, frame);
        if (fault.delay.count() > 0) {
            m_delayed.emplace(Clock::now() + fault.delay, DelayedAnswer{clientId, std::move(frame)});
            continue;
        }
        m_log.frame(client.name, "->", frame, fault.garbage ? "garbage" : fault.corrupt ? "corrupted" : "");
        send(client, frame);
    }
    if (client.framing.broken()) {
        m_log.note(client.name, "not a Modbus TCP header, closing");
        close(clientId);
    } else if (overloaded(client)) {
        m_log.note(client.name, "answers not read, closing");
        close(clientId);
    }
}

void TcpServer::sendDueAnswers()
{
    const auto now = Clock::now();
    while (!m_delayed.empty() && m_delayed.begin()->first <= now) {
        DelayedAnswer answer = std::move(m_delayed.begin()->second);
        m_delayed.erase(m_delayed.begin());
        if (const auto client = m_clients.find(answer.clientId); client != m_clients.end()) {
            m_log.frame(client->second.name, "->", answer.frame, "delayed");
            send(client->second, answer.frame);
        }
    }
}

void TcpServer::send(Client& client, const std::vector<std::uint8_t>& frame)
{
    client.output.insert(client.output.end(), frame.begin(), frame.end());
    flush(client);
}

bool TcpServer::overloaded(const Client& client)
{
    // A client that keeps asking without reading the answers is not a master.
    return client.output.size() > kMaxUnsentBytes;
}

void TcpServer::flush(Client& client)
{
    while (!client.output.empty()) {
        const ssize_t sent = ::send(client.fd, client.output.data(), client.output.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return; // full (POLLOUT resumes) or gone (the next receive notices)
        client.output.erase(client.output.begin(), client.output.begin() + sent);
    }
}

void TcpServer::close(int clientId)
{
    const auto client = m_clients.find(clientId);
    if (client == m_clients.end())
        return;
    m_log.note(client->second.name, "closed");
    ::close(client->second.fd);
    m_clients.erase(client);
}

} // namespace zrq7::sim
