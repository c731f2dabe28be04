// SPDX-License-Identifier: MIT
#include "FaultLog.h"

#include "Bcd.h"

namespace zrq7::sim {

namespace {

std::uint16_t bcdPair(int high, int low)
{
    return static_cast<std::uint16_t>((toBcd(high) & 0xFF) << 8 | (toBcd(low) & 0xFF));
}

} // namespace

FaultLog::FaultLog()
{
    for (Entry& entry : m_entries)
        entry.fill(0xFFFF);
}

void FaultLog::add(std::uint16_t code, std::uint16_t value, const RelayDateTime& at)
{
    if (!m_empty)
        m_newest = static_cast<std::uint16_t>((m_newest + 1) % kEntries);
    m_empty = false;
    m_entries[m_newest] = {code, value, bcdPair(at.minute, at.second), bcdPair(at.day, at.hour),
                           bcdPair(at.year % 100, at.month)};
}

std::uint16_t FaultLog::readRegister(std::uint16_t reg) const
{
    const int offset = reg - kFirstRegister;
    return m_entries[offset / kRegistersPerEntry][offset % kRegistersPerEntry];
}

} // namespace zrq7::sim
