// SPDX-License-Identifier: MIT
#include "GridValueRules.h"

#include <algorithm>
#include <cmath>

namespace zrq7::params {

namespace {

std::size_t skipBlanks(std::string_view text, std::size_t i)
{
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    return i;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Leading integer; `overflow` when its magnitude exceeds any register bound.
std::int64_t leadingInteger(std::string_view text, bool& overflow)
{
    std::size_t i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t magnitude = 0;
    overflow = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > (std::int64_t(1) << 40)) {
            overflow = true;
            break;
        }
    }
    return negative ? -magnitude : magnitude;
}

bool isDecimalSeparator(char c)
{
    return c == '.' || c == ','; // the point, or the comma our operators type
}

// Leading decimal number (point or comma as separator, optional exponent)
// rounded to tenths, digit by digit so the locale never matters; `overflow`
// when it is far beyond any register bound.
std::int64_t leadingTenths(std::string_view text, bool& overflow)
{
    std::size_t i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    double mantissa = 0;
    int scale = 1; // power of ten that turns the mantissa into tenths
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits)
        mantissa = mantissa * 10 + (text[i] - '0');
    if (i < text.size() && isDecimalSeparator(text[i])) {
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++digits) {
            mantissa = mantissa * 10 + (text[i] - '0');
            --scale;
        }
    }
    overflow = false;
    if (digits == 0)
        return 0;
    if (i + 1 < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            negativeExponent = text[j++] == '-';
        int exponent = 0;
        for (; j < text.size() && isDigit(text[j]); ++j)
            exponent = std::min(exponent * 10 + (text[j] - '0'), 100000);
        scale += negativeExponent ? -exponent : exponent;
    }
    const double tenths = scale >= 0 ? mantissa * std::pow(10.0, scale) : mantissa / std::pow(10.0, -scale);
    if (!std::isfinite(tenths) || tenths > 1e13) {
        overflow = true;
        return 0;
    }
    const std::int64_t rounded = std::llround(tenths);
    return negative ? -rounded : rounded;
}

std::string tenthsText(std::int64_t tenths)
{
    const std::int64_t magnitude = tenths < 0 ? -tenths : tenths;
    std::string text = tenths < 0 ? "-" : "";
    return text + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

std::string boundText(ParameterKind kind, std::int32_t value)
{
    return kind == ParameterKind::Tenths ? tenthsText(value) : std::to_string(value);
}

} // namespace

std::string formatRegisterValue(ParameterKind kind, std::int32_t registerValue)
{
    return boundText(kind, registerValue);
}

std::string parameterItemName(std::uint16_t address, std::string_view title)
{
    return "[ " + std::to_string(address) + " adres ] " + std::string(title);
}

EditCheck checkEditText(ParameterKind kind, std::string_view text, std::int32_t currentValue,
                        std::int32_t minimum, std::int32_t maximum)
{
    // "10,0" is the shown "10.0" typed with a comma: unchanged as well.
    std::string typed(text);
    if (kind == ParameterKind::Tenths)
        std::replace(typed.begin(), typed.end(), ',', '.');
    if (typed == formatRegisterValue(kind, currentValue))
        return {EditVerdict::Unchanged, currentValue};
    bool overflow = false;
    const std::int64_t number =
        kind == ParameterKind::Tenths ? leadingTenths(text, overflow) : leadingInteger(text, overflow);
    if (overflow || number < minimum || number > maximum)
        return {EditVerdict::OutOfRange, currentValue};
    return {EditVerdict::Accepted, static_cast<std::int32_t>(number)};
}

std::string rangeMessage(ParameterKind kind, std::int32_t minimum, std::int32_t maximum)
{
    return "Wartość powinna znajdować się w przedziale od " + boundText(kind, minimum) + " do " +
           boundText(kind, maximum) + ".";
}

std::string rangeLine(ParameterKind kind, std::int32_t minimum, std::int32_t maximum, std::int32_t factory)
{
    return "[ od " + boundText(kind, minimum) + " do " + boundText(kind, maximum) +
           " ] : [ nastawa fabryczna " + boundText(kind, factory) + " ]";
}

} // namespace zrq7::params
