// SPDX-License-Identifier: MIT
// The relay's fault log: a ring of 50 entries of five registers each from
// register 1000, and the index of the newest entry in register 75.
//
// Entry registers: fault code; value at the fault (raw); minutes:seconds;
// day:hours; year:month, each of the last three as two BCD bytes, high byte first.
// An unused entry reads 0xFFFF throughout: a code of 40 or more ends the log
// for a reader walking back from the newest entry.
#pragma once

#include "RelayDevice.h"

#include <array>
#include <cstdint>

namespace zrq7::sim {

class FaultLog
{
public:
    static constexpr int kEntries = 50;
    static constexpr std::uint16_t kFirstRegister = 1000;
    static constexpr std::uint16_t kRegistersPerEntry = 5;
    static constexpr std::uint16_t kLastRegister = kFirstRegister + kEntries * kRegistersPerEntry - 1;

    FaultLog();

    void add(std::uint16_t code, std::uint16_t value, const RelayDateTime& at);

    std::uint16_t newestIndex() const { return m_newest; }
    // Register 1000..1249.
    std::uint16_t readRegister(std::uint16_t reg) const;

private:
    using Entry = std::array<std::uint16_t, kRegistersPerEntry>;
    std::array<Entry, kEntries> m_entries;
    std::uint16_t m_newest = 0;
    bool m_empty = true;
};

} // namespace zrq7::sim
