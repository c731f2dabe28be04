// SPDX-License-Identifier: MIT
#include "DeviceParameterTable.h"

#include <cmath>
#include <limits>

namespace zrq7::params {

namespace {

// float -> int32 truncating toward zero. A value outside int32 (only possible from a
// damaged file or a hand-made call) saturates instead of being undefined; NaN gives 0.
std::int32_t truncateToInt32(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<std::int32_t>::max();
    if (value < -2147483648.0f)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

} // namespace

std::vector<ParameterGroup> BuildParameterTable(int)
{
    return {}; // rows follow
}

std::vector<DeviceParameter> ParameterRows(int firmwareVersion)
{
    std::vector<DeviceParameter> rows;
    for (const ParameterGroup& group : BuildParameterTable(firmwareVersion))
        rows.insert(rows.end(), group.rows.begin(), group.rows.end());
    return rows;
}

std::optional<DeviceParameter> FindParameter(int firmwareVersion, std::uint16_t address)
{
    for (const DeviceParameter& row : ParameterRows(firmwareVersion))
        if (row.address == address)
            return row;
    return std::nullopt;
}

std::int32_t RegisterFromValue(ParameterKind kind, float value)
{
    if (kind == ParameterKind::Integer)
        return truncateToInt32(value);
    // Single precision throughout: the 10001 factor lifts values such as 49.7f
    // (stored as 49.69999...) over the next tenth before the cut.
    const float scaled = value * 10001.0f;
    return truncateToInt32(scaled) / 1000;
}

std::int32_t FactoryRegisterValue(const DeviceParameter& parameter)
{
    return RegisterFromValue(parameter.kind, parameter.factoryValue);
}

float ValueFromRegister(ParameterKind kind, std::int16_t reg)
{
    const float value = static_cast<float>(reg);
    return kind == ParameterKind::Tenths ? value / 10.0f : value;
}

} // namespace zrq7::params
