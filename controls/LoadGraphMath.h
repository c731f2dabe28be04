// SPDX-License-Identifier: MIT
#pragma once

#include "LoadPercent.h"

#include <QColor>
#include <cstdint>

// Arithmetic and colours of the scrolling load graph, on the load scale of
// LoadPercent.h. The 100 % line lies 30 pixels below the top, so a graph of
// height h maps 0..100 % onto rows h..30 and shows up to 1000 % above it (clipped).
namespace loadgraph {

constexpr int line100 = 30; // y of the 100 % line

// y of the top of the column for a load: height − load × (height − 30) / full
// load, in integers; height means an empty column, negative values lie above
// the top edge.
int levelFor(std::uint32_t value, int height);

// y of the 66 % line: height − (height − 30) × 66 / 100.
int line66(int height);

// c1 + (c2 − c1) × (n / d) per channel, fraction in single precision, truncated.
QColor interpolate(const QColor& c1, const QColor& c2, int n, int d);

// Colour of row y of a column: red at the top to orange at the 100 % line,
// then orange to blue at the bottom.
QColor columnColor(int y, int height);

// clang-format off
inline QColor background()   { return QColor(232, 232, 206); }
inline QColor topRed()       { return QColor(255, 0, 0); }
inline QColor orange()       { return QColor(255, 103, 0); }
inline QColor bottomBlue()   { return QColor(8, 98, 183); }
inline QColor line100Color() { return QColor(152, 0, 3); }
inline QColor line66Color()  { return QColor(18, 0, 191); }
inline QColor markerColor()  { return QColor(255, 0, 0); }
// clang-format on

} // namespace loadgraph
