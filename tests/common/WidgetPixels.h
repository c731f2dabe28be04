// SPDX-License-Identifier: MIT
#pragma once

// What a widget shows, read from its picture (header only).
#include <QColor>
#include <QImage>
#include <QWidget>
#include <algorithm>

// Whether any pixel of `color` lies in the widget's columns x1..x2.
inline bool drawnBetween(QWidget* widget, int x1, int x2, const QColor& color)
{
    const QImage picture = widget->grab().toImage();
    for (int x = std::max(x1, 0); x <= std::min(x2, picture.width() - 1); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if (picture.pixelColor(x, y) == color)
                return true;
    return false;
}
