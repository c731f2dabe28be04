// SPDX-License-Identifier: MIT
#include "LoadGraphMath.h"

#include <algorithm>

namespace loadgraph {

int levelFor(std::uint32_t value, int height)
{
    // 64-bit product: 11,000,000 × a few hundred rows overflows 32 bits.
    const std::int64_t load = std::min(value, maxLoad);
    return int(height - load * (height - line100) / std::int64_t(fullLoad));
}

int line66(int height)
{
    return height - (height - line100) * 66 / 100;
}

QColor interpolate(const QColor& c1, const QColor& c2, int n, int d)
{
    const float fraction = d != 0 ? float(n) / float(d) : 0.0f;
    auto channel = [fraction](int a, int b) { return int(float(a) + float(b - a) * fraction); };
    return QColor(channel(c1.red(), c2.red()), channel(c1.green(), c2.green()),
                  channel(c1.blue(), c2.blue()));
}

QColor columnColor(int y, int height)
{
    if (y < line100)
        return interpolate(topRed(), orange(), y, line100);
    return interpolate(orange(), bottomBlue(), y - line100, height - line100);
}

} // namespace loadgraph
