// SPDX-License-Identifier: MIT
#pragma once

// Holding registers for a poll worker under test, read through the link
// library's read contract; a switch makes every read fail as a silent relay.

#include "PollWorker.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

class FakeRelayRegisters
{
public:
    void set(uint16_t reg, uint16_t value)
    {
        std::lock_guard lock(m_mutex);
        m_registers[reg] = value;
    }
    void setSilent(bool silent) { m_silent.store(silent); }
    // How many reads started at `reg` (any thread may ask).
    int readsOf(uint16_t reg)
    {
        std::lock_guard lock(m_mutex);
        return m_reads[reg];
    }

    pollcycle::RegisterReader reader()
    {
        return [this](uint32_t, uint32_t first, uint32_t count, uint8_t* buffer, uint32_t size, uint32_t) {
            if (m_silent.load())
                return int32_t(-102);
            if (2 * count >= size)
                return int32_t(-7);
            std::lock_guard lock(m_mutex);
            ++m_reads[uint16_t(first)];
            for (uint32_t i = 0; i < count; ++i) {
                const auto it = m_registers.find(uint16_t(first + i));
                const uint16_t v = it == m_registers.end() ? 0 : it->second;
                buffer[2 * i] = uint8_t(v >> 8);
                buffer[2 * i + 1] = uint8_t(v & 0xFF);
            }
            return int32_t(2 * count);
        };
    }

private:
    std::mutex m_mutex;
    std::map<uint16_t, uint16_t> m_registers;
    std::map<uint16_t, int> m_reads;
    std::atomic<bool> m_silent{false};
};
