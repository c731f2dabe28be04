// SPDX-License-Identifier: MIT
#include "RelayClock.h"

#include "Bcd.h"

#include <ctime>

namespace zrq7::sim {

namespace {

int daysInMonth(int month, int year)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0))
        return 29;
    return month >= 1 && month <= 12 ? days[month - 1] : 31;
}

} // namespace

RelayClock::RelayClock(const RelayDateTime& start) : m_time(start) {}

void RelayClock::advance(std::int64_t milliseconds)
{
    if (milliseconds <= 0)
        return;
    m_pendingMs += milliseconds;
    const std::int64_t seconds = m_pendingMs / 1000;
    m_pendingMs %= 1000;
    if (seconds == 0)
        return;
    std::int64_t ofDay = m_time.hour * 3600 + m_time.minute * 60 + m_time.second + seconds;
    addDays(ofDay / 86400);
    ofDay %= 86400;
    m_time.hour = static_cast<int>(ofDay / 3600);
    m_time.minute = static_cast<int>(ofDay / 60 % 60);
    m_time.second = static_cast<int>(ofDay % 60);
}

void RelayClock::addDays(std::int64_t days)
{
    for (; days > 0; --days) {
        if (++m_time.day <= daysInMonth(m_time.month, m_time.year))
            continue;
        m_time.day = 1;
        if (++m_time.month > 12) {
            m_time.month = 1;
            // The year register holds two digits: the relay's calendar ends with 2099.
            m_time.year = m_time.year >= 2099 ? 2000 : m_time.year + 1;
        }
    }
}

std::uint16_t RelayClock::readField(int field) const
{
    switch (field) {
    case 0:
        return toBcd(m_time.second);
    case 1:
        return toBcd(m_time.minute);
    case 2:
        return toBcd(m_time.hour);
    case 3:
        return toBcd(m_time.day);
    case 4:
        return toBcd(m_time.month);
    case 5:
        return toBcd(m_time.year >= 2000 ? m_time.year - 2000 : 0);
    default:
        return 0;
    }
}

bool RelayClock::writeField(int field, std::uint16_t bcd)
{
    const auto value = fromBcd(bcd);
    if (!value)
        return false;
    const int v = static_cast<int>(*value);
    switch (field) {
    case 0:
        if (v > 59)
            return false;
        m_time.second = v;
        m_pendingMs = 0;
        return true;
    case 1:
        if (v > 59)
            return false;
        m_time.minute = v;
        return true;
    case 2:
        if (v > 23)
            return false;
        m_time.hour = v;
        return true;
    case 3:
        if (v < 1 || v > 31)
            return false;
        m_time.day = v;
        return true;
    case 4:
        if (v < 1 || v > 12)
            return false;
        m_time.month = v;
        return true;
    case 5:
        if (v > 99)
            return false;
        m_time.year = 2000 + v;
        return true;
    default:
        return false;
    }
}

RelayDateTime localDateTime()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace zrq7::sim
