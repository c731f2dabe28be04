// SPDX-License-Identifier: MIT
#include "RelayClockRules.h"

namespace zrq7::params {

std::uint16_t ToBcd(std::uint32_t n)
{
    n &= 0xFFFF;
    std::uint16_t packed = 0;
    for (int shift = 0; shift < 16; shift += 4, n /= 10)
        packed = static_cast<std::uint16_t>(packed | ((n % 10) << shift));
    return packed;
}

std::uint32_t FromBcd(std::uint32_t w)
{
    w &= 0xFFFF;
    return (w >> 12 & 0xF) * 1000 + (w >> 8 & 0xF) * 100 + (w >> 4 & 0xF) * 10 + (w & 0xF);
}

ClockRegisters clockRegistersFor(const CalendarTime& t)
{
    return {ToBcd(std::uint32_t(t.second)),
            ToBcd(std::uint32_t(t.minute)),
            ToBcd(std::uint32_t(t.hour)),
            ToBcd(std::uint32_t(t.day)),
            ToBcd(std::uint32_t(t.month)),
            t.year < 2000 ? std::uint16_t(0) : ToBcd(std::uint32_t(t.year - 2000))};
}

int compareRelayClock(const ClockRegisters& relay, const CalendarTime& pc)
{
    if (int(FromBcd(relay[5])) + 2000 != pc.year)
        return ClockYearMismatch;
    if (int(FromBcd(relay[4])) != pc.month)
        return ClockMonthMismatch;
    if (int(FromBcd(relay[3])) != pc.day)
        return ClockDayMismatch;
    if (int(FromBcd(relay[2])) != pc.hour)
        return ClockHourMismatch;
    if (int(FromBcd(relay[1])) != pc.minute)
        return ClockMinuteMismatch;
    const int seconds = int(FromBcd(relay[0]));
    if (seconds < pc.second - 1 || seconds > pc.second + 1)
        return ClockSecondsMismatch;
    return ClockSyncOk;
}

const char* clockSyncMessage(int code)
{
    switch (code) {
    case 100:
        return "Błąd synchronizacji czasu.\r\nW urządzeniu nie można zapisać sekund.";
    case 101:
        return "Błąd synchronizacji czasu.\r\nW urządzeniu nie można zapisać minut.";
    case 102:
        return "Błąd synchronizacji czasu.\r\nW urządzeniu nie można zapisać godziny.";
    case 103:
        return "Błąd synchronizacji czasu.\r\nW urządzeniu nie można zapisać dnia.";
    case 104:
        return "Błąd synchronizacji czasu.\r\nW urządzeniu nie można zapisać miesiąca.";
    case 105:
        return "Błąd synchronizacji czasu.\r\nW urządzeniu nie można zapisać roku.";
    case 200:
        return "Błąd synchronizacji czasu.\r\nNiezgodny rok.";
    case 201:
        return "Błąd synchronizacji czasu.\r\nNiezgodny miesiąc.";
    case 202:
        return "Błąd synchronizacji czasu.\r\nNiezgodny dzień.";
    case 203:
        return "Błąd synchronizacji czasu.\r\nNiezgodna godzina.";
    case 204:
        return "Błąd synchronizacji czasu.\r\nNiezgodne minuty.";
    case 205:
        return "Błąd synchronizacji czasu.\r\nNiezgodne sekundy.";
    case 300:
        return "Błąd synchronizacji czasu.\r\nNie można odczytać czasu z urządzenia.";
    default:
        return "";
    }
}

} // namespace zrq7::params
