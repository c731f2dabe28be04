// SPDX-License-Identifier: MIT
// The relay's real-time clock: six fields (seconds .. year) that tick with
// elapsed time and that a master sets one register at a time.
#pragma once

#include "RelayDevice.h"

#include <cstdint>

namespace zrq7::sim {

class RelayClock
{
public:
    explicit RelayClock(const RelayDateTime& start);

    // Moves the clock on by elapsed milliseconds; fractions of a second are kept.
    void advance(std::int64_t milliseconds);

    RelayDateTime now() const { return m_time; }

    // Field 0..5 = seconds, minutes, hours, day, month, year - 2000, as BCD.
    std::uint16_t readField(int field) const;
    // Sets one field from BCD; false when the word is no BCD number or out of the
    // field's range. The day is checked against 31 only: a master sets the day before
    // the month, so 30 in February is a valid step on the way to 30 March.
    bool writeField(int field, std::uint16_t bcd);

private:
    void addDays(std::int64_t days);

    RelayDateTime m_time;
    std::int64_t m_pendingMs = 0;
};

// The PC's local time, for a relay whose clock has not been set by the scenario.
RelayDateTime localDateTime();

} // namespace zrq7::sim
