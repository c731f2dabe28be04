// SPDX-License-Identifier: MIT
// What the parameter grid shows for a register value and what it accepts from
// the operator. Values are kept in register units (tenths for tenths
// parameters), so the number shown, checked, stored, saved and written is one
// and the same. Plain C++; every text is UTF-8 and locale-independent.
#pragma once

#include "DeviceParameterTable.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zrq7::params {

// "%d" for an integer parameter; the tenths with one decimal and a point for a
// tenths parameter (497 -> "49.7", -5 -> "-0.5").
std::string formatRegisterValue(ParameterKind kind, std::int32_t registerValue);

// The item's name in the grid: "[ 153 adres ] <title>".
std::string parameterItemName(std::uint16_t address, std::string_view title);

enum class EditVerdict {
    Unchanged,  // the text is the one shown: nothing to do
    Accepted,   // store `registerValue`
    OutOfRange, // show rangeMessage() and keep the editor open
};

struct EditCheck
{
    EditVerdict verdict = EditVerdict::Unchanged;
    std::int32_t registerValue = 0;
};

// Checks the editor's text against the bounds (register units, inclusive).
// Integer: blanks, sign and leading digits as the C library reads them (0
// without digits); a number beyond the bounds, however long, is out of range.
// Tenths: blanks, sign, digits and a decimal point or comma ("2,5" is 2.5),
// rounded to the nearest tenth, which is then checked and stored: "1.06" is
// stored as 11 and shown as "1.1".
EditCheck checkEditText(ParameterKind kind, std::string_view text, std::int32_t currentValue,
                        std::int32_t minimum, std::int32_t maximum);

// "Wartość powinna znajdować się w przedziale od %d do %d." (one decimal for tenths).
std::string rangeMessage(ParameterKind kind, std::int32_t minimum, std::int32_t maximum);
// "[ od 10 do 600 ] : [ nastawa fabryczna 60 ]" (one decimal for tenths).
std::string rangeLine(ParameterKind kind, std::int32_t minimum, std::int32_t maximum, std::int32_t factory);

} // namespace zrq7::params
