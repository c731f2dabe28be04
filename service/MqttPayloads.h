// SPDX-License-Identifier: MIT
#pragma once

// The JSON texts zrq7rec publishes, built from plain values: what the poll of one
// relay unit knows once per record interval. Numbers are written from integers
// (no C library formatting), so no locale changes them.

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace zrq7rec {

inline constexpr int measurementCount = 53; // entries of dll_nMeasureInfo
inline constexpr int faultCount = 40;       // entries of dll_nErrInfo

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

// {"id":11,"firmware":12,"unit":1,"link":"..."}
std::string identityJson(const UnitIdentity& identity);

// {"time":"2026-12-10T15:43:25+01:00","link":1,"values":{"Phase i1":35.7,...}}: every
// catalogue entry with a short name, divided by its divisor. While the link is down
// the values are those the poll cleared, not measurements: "values" is then empty.
std::string measurementsJson(const UnitReading& reading);

// [{"code":0,"name":"Imax","text":"<Polish description>","value":"12.3 A"},...]; codes
// outside the catalogue are left out.
std::string faultsJson(const std::vector<ActiveFault>& faults);

// The local time with its offset from UTC: "2026-12-10T15:43:25+01:00".
std::string isoLocalTime(std::time_t time);

// raw / divisor as a decimal number with as many decimals as the divisor has
// zeros (125 / 10 = "12.5", 850 / 1000 = "0.850", -5 / 10 = "-0.5"); divisor 0 or 1
// gives the integer.
std::string decimalText(int32_t raw, uint32_t divisor);

// A JSON string literal of UTF-8 text, quotes included.
std::string jsonString(std::string_view utf8);

} // namespace zrq7rec
