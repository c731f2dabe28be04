// SPDX-License-Identifier: MIT
#include "CXProgressCtrl.h"

#include "ControlAccessibility.h"
#include "SunkenEdge.h"

#include <QAccessible>
#include <QPainter>

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
    {
        std::lock_guard lock(m_mutex);
        if (high == m_look.high)
            return;
        m_look.low = low;
        m_look.high = high;
        m_look.factor = factor;
    }
    m_repaint.post();
}

void CXProgressCtrl::SetMarks(int markA, int markB)
{
    {
        std::lock_guard lock(m_mutex);
        if (markA == m_look.markA && markB == m_look.markB)
            return;
        m_look.markA = markA;
        m_look.markB = markB;
    }
    m_repaint.post();
}

void CXProgressCtrl::SetLevel(int level)
{
    {
        std::lock_guard lock(m_mutex);
        if (level == m_look.level)
            return;
        m_look.level = level;
    }
    m_repaint.post();
}

QColor CXProgressCtrl::SetOverColor(const QColor& color)
{
    // The new colour shows with the next drawing the bar needs anyway.
    std::lock_guard lock(m_mutex);
    return std::exchange(m_look.over, color.toRgb());
}

int CXProgressCtrl::GetLevel() const
{
    return snapshot().level;
}

int CXProgressCtrl::GetFullScale() const
{
    const Look look = snapshot();
    return levelbar::fullScaleValue(look.low, look.high, look.factor);
}

void CXProgressCtrl::announceLevel()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent change(this, GetLevel());
    QAccessible::updateAccessibility(&change);
}

int CXProgressCtrl::GetMarkA() const
{
    return snapshot().markA;
}

int CXProgressCtrl::GetMarkB() const
{
    return snapshot().markB;
}

float CXProgressCtrl::GetScale() const
{
    const Look look = snapshot();
    return levelbar::scaleFor(width(), look.low, look.high, look.factor);
}

QSize CXProgressCtrl::sizeHint() const
{
    return {180, 16};
}

CXProgressCtrl::Look CXProgressCtrl::snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_look;
}

void CXProgressCtrl::paintEvent(QPaintEvent*)
{
    const Look look = snapshot();
    const QPixmap& picture =
        m_cache.picture(look, size(), devicePixelRatioF(), [&](QPainter& painter) { render(painter, look); });
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
