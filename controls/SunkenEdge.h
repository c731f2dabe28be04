// SPDX-License-Identifier: MIT
#pragma once

#include <QPalette>
#include <QRect>

class QPainter;

// Two-pixel sunken frame round rect (shadow top-left, light bottom-right), as
// swatches and level bars have. Width of the frame on each side:
constexpr int sunkenEdgeWidth = 2;

void drawSunkenEdge(QPainter& painter, const QRect& rect, const QPalette& palette);
