// SPDX-License-Identifier: MIT
#include "CXProgressCtrl.h"

#include "ControlAccessibility.h"
#include "SunkenEdge.h"
#include "UiThreadOnly.h"

#include <QAccessible>
#include <QPainter>
#include <utility>

CXProgressCtrl::CXProgressCtrl(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The picture covers every pixel: a new level repaints the bar alone, not
    // the group box beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    installControlAccessibility();
}

void CXProgressCtrl::SetRange(int low, int high, float factor)
{
    assertUiThread(this);
    if (high == m_look.high)
        return;
    m_look.low = low;
    m_look.high = high;
    m_look.factor = factor;
    valuesChanged();
}

void CXProgressCtrl::SetMarks(int markA, int markB)
{
    assertUiThread(this);
    if (markA == m_look.markA && markB == m_look.markB)
        return;
    m_look.markA = markA;
    m_look.markB = markB;
    valuesChanged();
}

void CXProgressCtrl::SetLevel(int level)
{
    assertUiThread(this);
    if (level == m_look.level)
        return;
    m_look.level = level;
    valuesChanged();
}

QColor CXProgressCtrl::SetOverColor(const QColor& color)
{
    assertUiThread(this);
    // The new colour shows with the next drawing the bar needs anyway.
    return std::exchange(m_look.over, color.toRgb());
}

int CXProgressCtrl::GetLevel() const
{
    return m_look.level;
}

int CXProgressCtrl::GetFullScale() const
{
    return levelbar::fullScaleValue(m_look.low, m_look.high, m_look.factor);
}

void CXProgressCtrl::valuesChanged()
{
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent change(this, GetLevel());
        QAccessible::updateAccessibility(&change);
    }
    update();
}

int CXProgressCtrl::GetMarkA() const
{
    return m_look.markA;
}

int CXProgressCtrl::GetMarkB() const
{
    return m_look.markB;
}

float CXProgressCtrl::GetScale() const
{
    return levelbar::scaleFor(width(), m_look.low, m_look.high, m_look.factor);
}

QSize CXProgressCtrl::sizeHint() const
{
    return {180, 16};
}

void CXProgressCtrl::paintEvent(QPaintEvent*)
{
    const QPixmap& picture = m_cache.picture(m_look, size(), devicePixelRatioF(),
                                             [&](QPainter& painter) { render(painter, m_look); });
    QPainter(this).drawPixmap(0, 0, picture);
}

void CXProgressCtrl::render(QPainter& painter, const Look& look) const
{
    using namespace levelbar;
    const int h = height();
    painter.fillRect(rect(), look.background);

    const float scale = scaleFor(width(), look.low, look.high, look.factor);
    for (const Segment& segment : barSegments(look.level, look.markA, look.markB, scale)) {
        const QColor color = segment.zone == Zone::Low      ? look.lowColor
                             : segment.zone == Zone::Normal ? look.normal
                                                            : look.over;
        for (int row = 0; row < h; ++row)
            painter.fillRect(segment.from, row, segment.to - segment.from, 1, shadedRowColor(color, row, h));
    }

    auto drawMark = [&](int mark, const QColor& color) {
        if (mark != 0)
            painter.fillRect(pixelAt(mark, scale), 0, 1, h, color);
    };
    drawMark(look.markB, look.markBLine);
    drawMark(look.markA, look.markALine);

    drawSunkenEdge(painter, rect(), palette());
}
