// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

// Registers per second read by the poll. Each cycle starts by offering the time;
// once more than a second has passed since the last measurement point it yields
// 1000 / (elapsed ms / registers read), or 0 when nothing was read, in single
// precision, and starts a new point with a count of 0.
class ThroughputMeter
{
public:
    explicit ThroughputMeter(int64_t nowMs) : m_pointMs(nowMs) {}

    void addRegisters(uint32_t count) { m_registers += count; }

    std::optional<float> sample(int64_t nowMs)
    {
        const int64_t elapsed = nowMs - m_pointMs;
        if (elapsed <= 1000)
            return std::nullopt;
        const float rate = m_registers == 0
                               ? 0.0f
                               : 1000.0f / (static_cast<float>(elapsed) / static_cast<float>(m_registers));
        m_pointMs = nowMs;
        m_registers = 0;
        return rate;
    }

private:
    int64_t m_pointMs;
    uint32_t m_registers = 0;
};
