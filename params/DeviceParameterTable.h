// SPDX-License-Identifier: MIT
// The relay's settings table: registers 150-244, their titles and help texts,
// factory values, bounds and grouping, for one firmware version. Plain C++,
// shared by the parameters window and the relay simulator.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace zrq7::params {

// How a register maps to the value the operator sees.
enum class ParameterKind {
    Integer, // value = register, shown "%d"
    Tenths,  // value = register / 10 in single precision, shown "%.1f"
};

// One setting of the relay; every setting occupies exactly one holding register.
// Texts are UTF-8 and point into static storage; help texts contain "\r\n" line breaks.
struct DeviceParameter
{
    std::uint16_t address;  // holding register, 150..244
    std::string_view title; // "short name : description [unit]"
    std::string_view help;  // may be empty
    ParameterKind kind;
    float factoryValue;   // in shown units (4.0 for a Tenths register holding 40)
    std::int32_t minimum; // inclusive bounds in register units (tenths for Tenths)
    std::int32_t maximum;
};

struct ParameterGroup
{
    std::string_view title;
    bool expanded; // shown expanded when the parameters window opens
    std::vector<DeviceParameter> rows;
};

// Firmware versions the relay reports and the window accepts.
inline constexpr int kMinFirmwareVersion = 7;
inline constexpr int kMaxFirmwareVersion = 15;
// Only this version has the temperature filter coefficients (registers 243 and 244).
inline constexpr int kFilterCoefficientsVersion = 11;

// The 20 groups in display (and transfer) order: 95 rows for version 11, 93 otherwise.
// Register 230's factory value and both bounds are the version itself.
std::vector<ParameterGroup> BuildParameterTable(int firmwareVersion);

// All rows of BuildParameterTable(firmwareVersion), flattened, in table order.
std::vector<DeviceParameter> ParameterRows(int firmwareVersion);

// The row of one register for a firmware version, if that version has it.
std::optional<DeviceParameter> FindParameter(int firmwareVersion, std::uint16_t address);

// The register value written to the relay or to a parameter file for a shown value.
// Integer: the value itself. Tenths: value * 10001 in single precision, truncated toward
// zero, then divided by 1000 with truncation, so 49.7 gives 497 and every register -100..6000
// survives register -> value -> register. Extra decimals are cut, not rounded (0.99 gives 9),
// except that the extra ten-thousandth lifts a few values just below a tenth (100.99 gives
// 1010). Values beyond int32 saturate; NaN gives 0. The relay receives the low 16 bits.
std::int32_t RegisterFromValue(ParameterKind kind, float value);

// The factory value in register units (what a factory restore writes).
std::int32_t FactoryRegisterValue(const DeviceParameter& parameter);

// The shown value of a register read from the relay (the word taken as signed):
// Integer: the register; Tenths: register / 10 in single precision.
float ValueFromRegister(ParameterKind kind, std::int16_t reg);

} // namespace zrq7::params
