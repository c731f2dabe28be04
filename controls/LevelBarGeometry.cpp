// SPDX-License-Identifier: MIT
#include "LevelBarGeometry.h"

#include <cmath>

namespace levelbar {

float scaleFor(int width, int low, int high, float factor)
{
    if (high <= low)
        return 0.0f;
    return (float(width) * factor) / float(high - low);
}

int fullScaleValue(int low, int high, float factor)
{
    if (high <= low || factor <= 0.0f)
        return 0;
    return int(std::lround(double(high - low) / double(factor)));
}

int pixelAt(int value, float scale)
{
    return int(float(value) * scale);
}

QVarLengthArray<Segment, 2> barSegments(int level, int markA, int markB, float scale)
{
    const int end = pixelAt(level, scale);
    QVarLengthArray<Segment, 2> segments;
    if (end <= 0)
        return segments;

    Zone zone = Zone::Normal;
    if (markA != 0 && markB != 0) {
        zone = level <= markB ? Zone::Low : level <= markA ? Zone::Normal : Zone::Over;
    } else if (markA != 0) {
        if (level > markA) {
            const int split = pixelAt(markA, scale);
            segments.append({0, split, Zone::Normal});
            if (split + 1 < end)
                segments.append({split + 1, end, Zone::Over});
            return segments;
        }
    } else if (markB != 0) {
        zone = level <= markB ? Zone::Low : Zone::Normal;
    }
    segments.append({0, end, zone});
    return segments;
}

QColor shadedRowColor(const QColor& color, int row, int height)
{
    const int mid = height / 2;
    auto channel = [&](int full) {
        const int dark = full * 66 / 100;
        if (row < mid)
            return dark + (full - dark) * row / mid;
        const int span = height - mid;
        return full + (dark - full) * (row - mid) / span;
    };
    const QColor rgb = color.toRgb();
    return QColor(channel(rgb.red()), channel(rgb.green()), channel(rgb.blue()));
}

} // namespace levelbar
