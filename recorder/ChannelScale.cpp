// SPDX-License-Identifier: MIT
#include "ChannelScale.h"

#include "ZRQ7DLL.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace channels {

namespace {

struct Group
{
    int first, last;
};
// Groups 1 to 15 by catalogue index range.
constexpr Group groups[] = {{0, 2},   {3, 5},   {6, 8},   {9, 11},  {15, 17}, {18, 20}, {21, 23}, {30, 32},
                            {33, 35}, {36, 37}, {38, 39}, {41, 43}, {44, 46}, {47, 49}, {50, 52}};

constexpr int quantityCount = 53;

bool validQuantity(int quantity)
{
    return quantity >= 0 && quantity < quantityCount;
}

} // namespace

int quantityOfListIndex(int listIndex)
{
    return listIndex >= 1 && listIndex <= quantityCount ? listIndex - 1 : noQuantity;
}

int listIndexOfQuantity(int quantity)
{
    return validQuantity(quantity) ? quantity + 1 : 0;
}

int divisorOf(int quantity)
{
    if (!validQuantity(quantity))
        return 1;
    const int divisor = int(dll_nMeasureInfo[quantity].nDivisor);
    return divisor > 0 ? divisor : 1;
}

int scaleGroupOf(int quantity)
{
    for (int g = 0; g < int(std::size(groups)); ++g)
        if (quantity >= groups[g].first && quantity <= groups[g].last)
            return g + 1;
    return 0;
}

std::int32_t channelValue(int quantity, std::int32_t raw)
{
    if ((quantity == 27 && raw > 900) || (quantity == 28 && raw > 600) || (quantity == 29 && raw >= 900))
        return 0;
    return raw;
}

void groupMaxima(Raw& maxima, const Quantities& quantities)
{
    for (int g = 1; g <= int(std::size(groups)); ++g) {
        std::int32_t largest = std::numeric_limits<std::int32_t>::min();
        bool any = false;
        for (int c = 0; c < count; ++c)
            if (scaleGroupOf(quantities[c]) == g) {
                largest = std::max(largest, maxima[c]);
                any = true;
            }
        if (!any)
            continue;
        for (int c = 0; c < count; ++c)
            if (scaleGroupOf(quantities[c]) == g)
                maxima[c] = largest;
    }
}

AutoScaleResult autoScale(const std::array<std::span<const std::int32_t>, count>& values,
                          const Quantities& quantities)
{
    AutoScaleResult result;
    for (int c = 0; c < count; ++c) {
        if (!validQuantity(quantities[c]))
            continue;
        for (const std::int32_t v : values[c]) {
            result.max[c] = std::max(result.max[c], v);
            result.min[c] = std::min(result.min[c], v);
        }
        result.editValues[c] = float(result.max[c]) / float(divisorOf(quantities[c]));
    }
    groupMaxima(result.max, quantities);
    return result;
}

std::optional<double> parseMaxText(const QString& text)
{
    QString number = text.trimmed();
    if (number.isEmpty())
        return 0.0;
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    // Digits with at most one decimal point and an optional sign; no exponent,
    // no group separators, nothing else.
    bool point = false, digit = false;
    for (qsizetype i = 0; i < number.size(); ++i) {
        const QChar ch = number[i];
        if (ch.isDigit() && ch.unicode() < 128)
            digit = true;
        else if (ch == QLatin1Char('.') && !point)
            point = true;
        else if (!(i == 0 && (ch == QLatin1Char('-') || ch == QLatin1Char('+'))))
            return std::nullopt;
    }
    if (!digit)
        return std::nullopt;
    bool ok = false;
    const double value = number.toDouble(&ok); // QString::toDouble is locale-independent
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::int32_t rawMaxOf(double value, int divisor)
{
    const double raw = std::trunc(value * (divisor > 0 ? divisor : 1));
    if (!(raw > 0))
        return 0;
    return raw >= double(std::numeric_limits<std::int32_t>::max()) ? std::numeric_limits<std::int32_t>::max()
                                                                   : std::int32_t(raw);
}

QString maxText(float value)
{
    // Fixed notation, never an exponent (parseMaxText and the edit take digits
    // only): a float's seven significant digits, at most six decimals, and no
    // trailing zeros.
    const double magnitude = std::fabs(double(value));
    int integerDigits = 1;
    for (double limit = 10; magnitude >= limit && integerDigits < 10; limit *= 10)
        ++integerDigits;
    QString text = QString::number(double(value), 'f', std::clamp(7 - integerDigits, 0, 6));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

} // namespace channels
