// SPDX-License-Identifier: MIT
#include "UnitReading.h"

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

} // namespace zrq7rec
