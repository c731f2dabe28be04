// SPDX-License-Identifier: MIT
#include "CGraph.h"

#include "ControlAccessibility.h"
#include "UiThreadOnly.h"

#include <QPainter>
#include <QTimerEvent>
#include <cstring>

using namespace loadgraph;

CGraph::CGraph(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    installControlAccessibility();
}

std::uint32_t CGraph::SetLoad(std::uint32_t value)
{
    assertUiThread(this);
    m_load = std::min(value, maxLoad);
    return loadPercent(value);
}

void CGraph::ResetGraph()
{
    assertUiThread(this);
    m_load = 0;
}

void CGraph::RunGraph(bool run)
{
    if (run)
        m_timer.start(tickMs, this);
    else
        m_timer.stop();
}

int CGraph::Level() const
{
    return levelFor(m_load, height());
}

QSize CGraph::sizeHint() const
{
    return {240, 90};
}

void CGraph::ensureHistory()
{
    const QSize wanted(width() + 1, height());
    if (m_history.size() == wanted)
        return;
    m_history = QImage(wanted, QImage::Format_RGB32);
    m_history.fill(background());
    m_marker = 0;
    ++m_generation;
}

void CGraph::scrollStep()
{
    ensureHistory();
    const int w = width();
    const int h = height();
    if (w < 1 || h < 1)
        return;

    // 1. The new column, from the level down to the bottom row.
    for (int y = std::max(Level(), 0); y < h; ++y)
        m_history.setPixel(w - 1, y, columnColor(y, h).rgb());

    // 2. The time marker: a new one when the last has crossed the picture.
    if (m_marker > 0)
        --m_marker;
    if (m_marker == 0 && w > 3) {
        for (int y = 0; y < h; ++y)
            m_history.setPixel(w - 3, y, markerColor().rgb());
        m_marker = w - 3;
    }

    // 3. Scroll one pixel left; the spare column at x = width stays background.
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_history.scanLine(y));
        std::memmove(row, row + 1, sizeof(QRgb) * w);
    }

    ++m_generation;
    update();
    // Screen readers hear the load when the graph draws a different one.
    const std::uint32_t percent = LoadPercent();
    if (percent != m_announcedPercent) {
        m_announcedPercent = percent;
        notifyAccessible(this, QAccessible::DescriptionChanged);
    }
}

void CGraph::paintEvent(QPaintEvent*)
{
    ensureHistory();
    const QPixmap& picture = m_cache.picture(Key{m_generation}, size(), devicePixelRatioF(),
                                             [&](QPainter& painter) { render(painter); });
    QPainter(this).drawPixmap(0, 0, picture);
}

void CGraph::render(QPainter& painter) const
{
    const int w = width();
    const int h = height();
    // History first (one logical pixel per tick, never smoothed), then the
    // lines and labels on top, drawn at full device resolution.
    painter.drawImage(QRect(0, 0, w, h), m_history, QRect(0, 0, w, h));

    QFont labelFont = font();
    labelFont.setPixelSize(11);
    painter.setFont(labelFont);
    auto drawLevelLine = [&](int y, const QColor& color, const QString& label) {
        painter.fillRect(0, y - 1, w, 2, color); // 2 pixels wide: rows y − 1 and y
        painter.setPen(color);
        painter.drawText(QRect(3, y - 15, 50, 14), Qt::AlignLeft | Qt::AlignBottom, label);
    };
    drawLevelLine(line100, line100Color(), QStringLiteral("100%"));
    drawLevelLine(line66(h), line66Color(), QStringLiteral("66%"));
}

void CGraph::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        scrollStep();
    else
        QWidget::timerEvent(event);
}

void CGraph::resizeEvent(QResizeEvent* event)
{
    ensureHistory();
    QWidget::resizeEvent(event);
}
