// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A small Modbus TCP slave on 127.0.0.1 for the poll worker tests: it serves
// function 03 from a register table, logs every request in arrival order, and can
// be told to keep silent or answer with an exception, per first register.
class ModbusTcpResponder
{
public:
    enum class Answer { Registers, Silent, Exception };
    struct Request
    {
        uint8_t unit = 0;
        uint16_t firstRegister = 0;
        uint16_t count = 0;
    };
    using Log = std::vector<Request>;

    ModbusTcpResponder();
    ~ModbusTcpResponder();
    ModbusTcpResponder(const ModbusTcpResponder&) = delete;
    ModbusTcpResponder& operator=(const ModbusTcpResponder&) = delete;

    // Listens on a free port of 127.0.0.1; false when it cannot.
    bool start();
    uint16_t port() const { return m_port; }

    void setRegisters(uint16_t first, std::initializer_list<uint16_t> values);
    // How a request starting at a given register is answered (default: its registers).
    void setPolicy(std::function<Answer(uint16_t firstRegister)> policy);

    Log requests() const;
    // Waits until the log satisfies the condition; false after timeoutMs.
    bool waitFor(const std::function<bool(const Log&)>& condition, int timeoutMs = 10000) const;

private:
    void serve();
    void handle(std::vector<uint8_t>& pending, int client);

    int m_listen = -1;
    int m_wakePipe[2] = {-1, -1};
    uint16_t m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_logged;
    std::array<uint16_t, 1200> m_registers{};
    std::function<Answer(uint16_t)> m_policy;
    Log m_log;
};
