// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QVarLengthArray>

// Arithmetic of the level bar, kept apart from the widget so it can be checked
// without a window. Values are in the bar's own units; pixels count from the
// bar's left edge.
namespace levelbar {

enum class Zone { Low, Normal, Over };

// A horizontal stretch of the bar in one colour: pixels from <= x < to.
struct Segment
{
    int from;
    int to;
    Zone zone;
    bool operator==(const Segment&) const = default;
};

// Pixels per value unit: width × factor / (high − low), in single precision;
// 0 for an empty or reversed range, which then draws nothing.
float scaleFor(int width, int low, int high, float factor);

// The value at the bar's right edge (the left edge is 0, as pixelAt counts
// from 0): (high − low) / factor, rounded; 0 when scaleFor draws nothing.
int fullScaleValue(int low, int high, float factor);

// Pixel position of a value: value × scale, truncated toward zero.
int pixelAt(int value, float scale);

// The bar for a level, given mark A (upper) and mark B (lower), 0 meaning
// "no mark". The bar runs from 0 to pixelAt(level) in one zone colour, except
// with only mark A set and the level above it: normal up to mark A, over
// from one pixel after it.
QVarLengthArray<Segment, 2> barSegments(int level, int markA, int markB, float scale);

// Row colour of the shaded fill of a rectangle `height` rows high: the colour
// darkened to 66 % at the top, full at half the height, darkened again at the
// bottom.
QColor shadedRowColor(const QColor& color, int row, int height);

} // namespace levelbar
