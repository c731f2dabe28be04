// SPDX-License-Identifier: MIT
#pragma once

// The JSON texts zrq7rec publishes, built from one unit's reading (UnitReading.h).
// Numbers are written from integers (no C library formatting), so no locale
// changes them.

#include "UnitReading.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace zrq7rec {

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
