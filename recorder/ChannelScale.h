// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Scaling of the recorder graph's five channels: which quantity each shows,
// the value a record gives it, the automatic maxima and minima, the shared
// maxima of related quantities, and maxima typed by the operator.
// Quantities are measurement catalogue indexes 0-52; -1 means none ("Nie").
namespace channels {

constexpr int count = 5;
constexpr int noQuantity = -1;
using Quantities = std::array<int, count>;
using Raw = std::array<std::int32_t, count>;

// Catalogue index of a quantity list position (0 = "Nie", k = entry k - 1) and back.
int quantityOfListIndex(int listIndex);
int listIndexOfQuantity(int quantity);

// Divisor of a quantity (1 for none or an unknown index).
int divisorOf(int quantity);

// Scale group 1-15 of a quantity, 0 when it belongs to none.
int scaleGroupOf(int quantity);

// The value a channel draws: the raw value, except implausible readings of
// the three relay timers (index 27 above 900, 28 above 600, 29 from 900 on),
// which count as 0.
std::int32_t channelValue(int quantity, std::int32_t raw);

// Every channel whose quantity lies in a group gets the largest maximum among
// the channels of that group. Minima are not grouped.
void groupMaxima(Raw& maxima, const Quantities& quantities);

struct AutoScaleResult
{
    Raw max{};                             // raw, grouped
    Raw min{};                             // raw
    std::array<float, count> editValues{}; // own maximum in physical units, before grouping
};
// Largest positive and smallest negative value of each channel over its
// values (one per record), then grouped.
AutoScaleResult autoScale(const std::array<std::span<const std::int32_t>, count>& values,
                          const Quantities& quantities);

// The operator's "Max:" text, read the same way in every locale: a decimal
// number with a point or a comma. Empty reads as 0. nullopt for anything else.
std::optional<double> parseMaxText(const QString& text);
// Raw maximum of a typed physical maximum: divisor × value, truncated, and
// kept within 0 to 2^31 - 1 (a negative maximum means no positive range, a
// huge one must not overflow).
std::int32_t rawMaxOf(double value, int divisor);
// Text of an edit value: fixed notation with a decimal point, no exponent.
QString maxText(float value);

} // namespace channels
