// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <cstdint>

// Colours in the settings record and in the relay panel's tables are stored as
// 32-bit values 0x00BBGGRR: red in the low byte, blue in the third. These two
// functions are the only place that knows that layout.
using ColorRef = std::uint32_t;

constexpr ColorRef makeColorRef(int red, int green, int blue)
{
    return ColorRef(red & 0xFF) | ColorRef(green & 0xFF) << 8 | ColorRef(blue & 0xFF) << 16;
}

// Opaque colour of a 0x00BBGGRR value (the top byte is ignored).
QColor colorFromRef(ColorRef ref);

// 0x00BBGGRR value of a colour (alpha is dropped).
ColorRef colorRefFrom(const QColor& color);
