// SPDX-License-Identifier: MIT
#pragma once

// What the poll of one relay unit hands over once per record interval, as plain
// values: the day file's record and the MQTT payloads are both made from it.

#include "DayFileFormat.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace zrq7rec {

inline constexpr int measurementCount = DbValueCount; // 53 entries of dll_nMeasureInfo
inline constexpr int faultCount = DbFaultCount;       // 40 entries of dll_nErrInfo

// The relay as identified when its link came up (registers 0 and 1).
struct UnitIdentity
{
    uint16_t id = 0;       // register 0 (11 for a ZRQ-7/8)
    uint16_t firmware = 0; // register 1
    int unit = 0;          // MODBUS address
    std::string link;      // linkText() of the line it answers on
};

// A fault listed as active, as the panel's fault list shows it.
struct ActiveFault
{
    int code = 0;      // fault catalogue index (the fault mask bit; 38 link lost, 39 no rated current)
    std::string value; // the list's value column: "12.3 A", "Nie" (no value), "err" (read failed)
};

// One unit's state at a record's time.
struct UnitReading
{
    std::time_t time = 0;
    int32_t linkState = 0; // 1 while the relay answers, as the day file's record
    // Measurement catalogue entry k times its divisor (the MeasurementSnapshot layout).
    std::array<int32_t, measurementCount> values{};
    std::vector<ActiveFault> faults; // in catalogue order
};

// The day file's record of a reading, stamped with the clock reading that also
// chose the file (so a record never lands in another day's file): the link state,
// the flags of the listed faults, the 53 values as they stand.
_tagSTRUCT_DATA dayRecordOf(const UnitReading& reading, const DbClockReading& now);

// The reading a day-file record holds, at `time` (the record keeps only the time of
// day): link state, values, and the flagged faults without their value texts.
UnitReading readingOfRecord(const _tagSTRUCT_DATA& record, std::time_t time);

// The moment a clock reading names, in local time.
std::time_t timeOf(const DbClockReading& reading);

} // namespace zrq7rec
