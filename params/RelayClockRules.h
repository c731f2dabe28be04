// SPDX-License-Identifier: MIT
// The relay clock's registers 80-85 (seconds, minutes, hours, day, month,
// year - 2000), each four packed BCD digits, and the check that follows a
// clock synchronisation. Plain C++.
#pragma once

#include <array>
#include <cstdint>

namespace zrq7::params {

inline constexpr std::uint16_t kClockFirstRegister = 80;
inline constexpr int kClockRegisterCount = 6;

// The four lowest decimal digits of n (taken as unsigned 16-bit), packed four
// bits each, units lowest: ToBcd(2024) == 0x2024.
std::uint16_t ToBcd(std::uint32_t n);
// Thousands-nibble x 1000 + hundreds x 100 + tens x 10 + units; nibbles above 9
// count as they are.
std::uint32_t FromBcd(std::uint32_t w);

struct CalendarTime
{
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

using ClockRegisters = std::array<std::uint16_t, kClockRegisterCount>; // registers 80..85

// The words written to 80..85 for a PC time; the year register is 0 before 2000.
ClockRegisters clockRegistersFor(const CalendarTime& time);

// Failure codes of a synchronisation attempt; 0 is success.
enum ClockSyncCode : int {
    ClockSyncOk = 0,
    ClockWriteSecondsFailed = 100, // + field index 0..5 for seconds..year
    ClockYearMismatch = 200,
    ClockMonthMismatch = 201,
    ClockDayMismatch = 202,
    ClockHourMismatch = 203,
    ClockMinuteMismatch = 204,
    ClockSecondsMismatch = 205,
    ClockReadFailed = 300,
};

// The relay's clock read back against the PC's time at the same second boundary:
// year, month, day, hour and minute must be equal (checked in that order), the
// seconds within one second either way.
int compareRelayClock(const ClockRegisters& relay, const CalendarTime& pc);

// The operator's message for a failure code ("Błąd synchronizacji czasu.\r\n...");
// empty for 0 and unknown codes.
const char* clockSyncMessage(int code);

} // namespace zrq7::params
