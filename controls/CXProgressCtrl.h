// SPDX-License-Identifier: MIT
#pragma once

#include "ColorRef.h"
#include "LevelBarGeometry.h"
#include "RenderCache.h"

#include <QWidget>

// Horizontal level bar with an upper mark A and a lower mark B. The bar is
// drawn with a shaded fill in the low colour (at or below B), the normal
// colour (between the marks) or the over colour (above A); the marks are
// 1-pixel red lines; a sunken edge frames it all.
//
// UI thread only, like every display control (see UiThreadOnly.h). Pixel
// positions follow the current width, so a resized bar keeps its scale.
class CXProgressCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CXProgressCtrl(QWidget* parent = nullptr);

    // Ignored when high equals the current high, whatever low is.
    // scale = width × factor / (high − low) pixels per unit.
    void SetRange(int low, int high, float factor = 1.0f);
    // Marks in value units, 0 for none; ignored when both unchanged.
    void SetMarks(int markA, int markB);
    // Length of the bar in value units; ignored when unchanged.
    void SetLevel(int level);
    // Replaces the colour above mark A; returns the previous one.
    QColor SetOverColor(const QColor& color);
    ColorRef SetOverColor(ColorRef color) { return colorRefFrom(SetOverColor(colorFromRef(color))); }

    int GetLevel() const;
    // The value at the bar's right edge (its left edge is 0): high − low when
    // the factor is 1.
    int GetFullScale() const;
    int GetMarkA() const;
    int GetMarkB() const;
    // Pixels per value unit at the current width.
    float GetScale() const;

    static QColor defaultBackground() { return QColor(208, 209, 193); }
    static QColor defaultNormal() { return QColor(89, 219, 75); }
    static QColor defaultLow() { return QColor(255, 255, 0); }
    static QColor defaultOver() { return QColor(255, 255, 0); }
    static QColor defaultMarkLine() { return QColor(255, 0, 0); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Look
    {
        int low = 0;
        int high = 100;
        float factor = 1.0f;
        int markA = 0;
        int markB = 0;
        int level = 0;
        QColor background = defaultBackground();
        QColor normal = defaultNormal();
        QColor lowColor = defaultLow();
        QColor over = defaultOver();
        QColor markBLine = defaultMarkLine();
        QColor markALine = defaultMarkLine();
        bool operator==(const Look&) const = default;
    };
    // After a new range, marks or level: screen readers hear the level, the bar repaints.
    void valuesChanged();
    void render(QPainter& painter, const Look& look) const;

    Look m_look;
    RenderCache<Look> m_cache;
};
