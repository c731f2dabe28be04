// SPDX-License-Identifier: MIT
// Modbus TCP listener with any number of clients, served by one thread.
#pragma once

#include "FaultInjector.h"
#include "FrameLog.h"
#include "SlaveProtocol.h"
#include "TcpFraming.h"
#include "WakeEvent.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace zrq7::sim {

class TcpServer
{
public:
    TcpServer(SlaveProtocol& protocol, FaultInjector* faults, FrameLog& log);
    ~TcpServer();

    // Binds and listens; false with `error` set when the address cannot be used.
    bool listen(const std::string& host, std::uint16_t port, std::string& error);
    // "host:port" actually bound (the chosen port when 0 was asked for).
    std::string endpoint() const { return m_endpoint; }

    void start();
    void stop();
    // Closes every client connection (scenario "drop-tcp"); the listener stays. Thread-safe.
    void dropConnections();

private:
    struct Client
    {
        int fd = -1;
        std::string name;
        TcpFraming framing;
        std::vector<std::uint8_t> output; // answers the socket has not taken yet
    };
    struct DelayedAnswer
    {
        int clientId;
        std::vector<std::uint8_t> frame;
    };
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxUnsentBytes = 64 * 1024;

    void run();
    void accept();
    void receive(int clientId);
    void send(Client& client, const std::vector<std::uint8_t>& frame);
    void flush(Client& client);
    static bool overloaded(const Client& client);
    void close(int clientId);
    void sendDueAnswers();
    int pollTimeoutMs() const;

    SlaveProtocol& m_protocol;
    FaultInjector* m_faults;
    FrameLog& m_log;
    int m_listenFd = -1;
    std::string m_endpoint;
    std::map<int, Client> m_clients; // by client id
    std::multimap<Clock::time_point, DelayedAnswer> m_delayed;
    int m_nextClientId = 1;
    WakeEvent m_wake;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_dropRequested{false};
    std::thread m_thread;
};

} // namespace zrq7::sim
