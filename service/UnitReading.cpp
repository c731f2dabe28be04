// SPDX-License-Identifier: MIT
#include "UnitReading.h"

#include <ctime>

namespace zrq7rec {

_tagSTRUCT_DATA dayRecordOf(const UnitReading& reading, const DbClockReading& now)
{
    _tagSTRUCT_DATA record;
    record.nLinkState = reading.linkState & 0xFF;
    record.stTime.wHour = static_cast<std::uint16_t>(now.hour);
    record.stTime.wMinute = static_cast<std::uint16_t>(now.minute);
    record.stTime.wSecond = static_cast<std::uint16_t>(now.second);
    for (const ActiveFault& fault : reading.faults)
        if (fault.code >= 0 && fault.code < DbFaultCount)
            record.bFaultActive[std::size_t(fault.code)] = 1;
    record.nValue = reading.values;
    return record;
}

UnitReading readingOfRecord(const _tagSTRUCT_DATA& record, std::time_t time)
{
    UnitReading reading;
    reading.time = time;
    reading.linkState = record.nLinkState;
    reading.values = record.nValue;
    for (int code = 0; code < DbFaultCount; ++code)
        if (record.bFaultActive[std::size_t(code)] != 0)
            reading.faults.push_back(ActiveFault{code, std::string()});
    return reading;
}

std::time_t timeOf(const DbClockReading& reading)
{
    std::tm local{};
    local.tm_year = reading.date.year - 1900;
    local.tm_mon = reading.date.month - 1;
    local.tm_mday = reading.date.day;
    local.tm_hour = reading.hour;
    local.tm_min = reading.minute;
    local.tm_sec = reading.second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

} // namespace zrq7rec
