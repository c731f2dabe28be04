// SPDX-License-Identifier: MIT
#include "ColorRef.h"

QColor colorFromRef(ColorRef ref)
{
    return QColor(int(ref & 0xFF), int(ref >> 8 & 0xFF), int(ref >> 16 & 0xFF));
}

ColorRef colorRefFrom(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return makeColorRef(rgb.red(), rgb.green(), rgb.blue());
}
