// SPDX-License-Identifier: MIT
#include "CGraphMix.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

using namespace graphmath;

namespace {

const QColor backColor(255, 255, 240); // 0xF0FFFF
const QColor axisColor(0, 0, 0);
const QColor cursorColor(0, 0, 255); // 0xFF0000
constexpr int wheelStep = 120;       // eighths of a degree in one notch

// Box for a text of this length: ten pixels per character, as the labels are laid out.
int textBoxWidth(const QString& text)
{
    return int(text.size()) * 10;
}

} // namespace

CGraphMix::CGraphMix(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    m_plot = multiday::plotFor(m_axis, size());
    m_view = showWholeRange();
    m_divisor.fill(1);
    connect(&m_abCursors, &CursorPair::changed, this, qOverload<>(&QWidget::update));
}

QSize CGraphMix::sizeHint() const
{
    return {868, 380};
}

void CGraphMix::SetChannelColor(int channel, ColorRef color)
{
    m_labelColors[std::size_t(channel)] = colorFromRef(color);
}

void CGraphMix::SetMaxima(const Channels& maxima)
{
    m_max = maxima;
}

void CGraphMix::SetMinima(const Channels& minima)
{
    m_min = minima;
}

void CGraphMix::SetDivisors(const Channels& divisors)
{
    m_divisor = divisors;
}

void CGraphMix::SetChannelVisible(int channel, bool visible)
{
    m_visible[std::size_t(channel)] = visible;
}

void CGraphMix::SetLineWidth(int width)
{
    m_lineWidth = std::clamp(width, 1, 5);
}

void CGraphMix::SetTitle(const QString& title)
{
    m_title = title;
}

Scale CGraphMix::channelScale(int channel) const
{
    return Scale{m_max[std::size_t(channel)], m_min[std::size_t(channel)]};
}

bool CGraphMix::channelEmpty(int channel) const
{
    return channelScale(channel).empty();
}

QPixmap CGraphMix::blankLayer(const QColor& fill) const
{
    const qreal dpr = devicePixelRatioF();
    QPixmap layer((QSizeF(size()) * dpr).toSize());
    layer.setDevicePixelRatio(dpr);
    layer.fill(fill);
    return layer;
}

void CGraphMix::ClearChannelLayers()
{
    for (auto& layer : m_layers)
        layer = blankLayer(Qt::transparent);
}

void CGraphMix::PlotChannels(const PlotSeries& series, const std::array<QColor, channelCount>& lineColors)
{
    ClearChannelLayers();
    for (int k = 0; k < channelCount; ++k) {
        const auto& values = series.values[std::size_t(k)];
        drawChannelLines(k,
                         traceLines(m_plot, m_view, channelScale(k), series.seconds, series.penBreaks, values,
                                    series.timeOrdered, std::int32_t(m_axis.end())),
                         lineColors[std::size_t(k)]);
    }
}

void CGraphMix::PlotRange(const multiday::LoadedRange& range,
                          const std::array<QColor, channelCount>& lineColors)
{
    // A month of records walked per redraw would be millions: while the view
    // holds a few summary columns per pixel, they are drawn instead.
    const double columnsShown = range.summary.columns * m_view.span() / std::max(m_axis.end(), 1.0);
    if (columnsShown < 2.0 * m_plot.width()) {
        PlotChannels(range.series, lineColors);
        return;
    }
    const multiday::ColumnSummary shown = multiday::summaryOfView(range.summary, m_view, m_plot.width());
    ClearChannelLayers();
    for (int k = 0; k < channelCount; ++k)
        drawChannelLines(k, multiday::summaryLines(m_plot, channelScale(k), shown, k),
                         lineColors[std::size_t(k)]);
}

void CGraphMix::drawChannelLines(int channel, const std::vector<QLine>& lines, const QColor& color)
{
    if (lines.empty())
        return;
    QPainter painter(&m_layers[std::size_t(channel)]);
    painter.setPen(QPen(color, m_lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLines(lines.data(), int(lines.size()));
}

void CGraphMix::drawAxes()
{
    m_axes = blankLayer(backColor);
    QPainter painter(&m_axes);
    painter.setPen(QPen(axisColor, 1));
    const Plot& p = m_plot;

    // Value axis: no numbers, a long tick and a dashed grid line at half and full height.
    painter.drawLine(p.left, p.top, p.left, p.bottom);
    float y = float(p.bottom);
    for (int i = 1; i <= divisionsY; ++i) {
        y -= p.pxPerDivY;
        const int row = int(y);
        if (i == 5 || i == 10) {
            painter.drawLine(p.left - 15, row, p.left, row);
            painter.setPen(QPen(axisColor, 1, Qt::DashLine));
            painter.drawLine(p.left, row, p.right, row);
            painter.setPen(QPen(axisColor, 1));
        } else {
            painter.drawLine(p.left - 5, row, p.left, row);
        }
    }

    // Time axis with a label every ten divisions.
    painter.drawLine(p.left, p.bottom, p.right, p.bottom);
    float x = float(p.left);
    for (int j = 0; j <= divisionsX; ++j, x += p.pxPerDivX) {
        const int column = int(x);
        if (j % 10 != 0) {
            painter.drawLine(column, p.bottom, column, p.bottom - 5);
            continue;
        }
        painter.drawLine(column, p.bottom, column, p.bottom - 10);
        const multiday::TickLabel label = multiday::tickLabel(m_axis, m_view, j, 10);
        drawTimeLabel(painter, column, p.bottom + 2, label.time);
        if (!label.date.isEmpty())
            drawTimeLabel(painter, column, p.bottom + 18, label.date);
    }
}

// A label centred under its tick, kept inside the client.
void CGraphMix::drawTimeLabel(QPainter& painter, int column, int row, const QString& label)
{
    const Plot& p = m_plot;
    const int half = int(label.size()) / 2 * 10;
    int from = column - half, to = column + half;
    if (from < 0) {
        to -= from;
        from = 0;
    }
    if (to > p.clientWidth) {
        from -= to - p.clientWidth;
        to = p.clientWidth;
    }
    painter.drawText(QRect(from, row, to - from, std::min(18, p.clientHeight - row)),
                     Qt::AlignCenter | Qt::TextSingleLine, label);
}

void CGraphMix::setView(const View& view)
{
    m_view = view;
    drawAxes();
    emit replotRequested();
    update();
}

void CGraphMix::ShowWholeRange()
{
    setView(multiday::wholeAxis(m_axis));
}

void CGraphMix::ScrollEarlier()
{
    setView(multiday::scrollEarlier(m_axis, m_view));
}

void CGraphMix::ScrollLater()
{
    setView(multiday::scrollLater(m_axis, m_view));
}

void CGraphMix::ZoomInAt()
{
    setView(multiday::zoomInAt(m_axis, m_plot, m_view, m_cursor.x()));
}

void CGraphMix::ZoomOutAt()
{
    setView(multiday::zoomOutAt(m_axis, m_plot, m_view, m_cursor.x()));
}

void CGraphMix::ZoomToRange(int x1, int x2)
{
    setView(multiday::zoomToRange(m_axis, m_plot, m_view, x1, x2));
}

void CGraphMix::SetAxis(const multiday::Axis& axis)
{
    const bool otherLength = axis.days != m_axis.days;
    m_axis = axis;
    m_plot = multiday::plotFor(m_axis, size());
    if (otherLength)
        m_view = multiday::wholeAxis(m_axis);
    drawAxes();
    ClearChannelLayers();
    update();
}

void CGraphMix::ShowSpan(double start, double end)
{
    setView(multiday::keepInside(m_axis, start, end));
}

int CGraphMix::GoToTime(int hour, int minute, int second)
{
    return GoToAxisTime(hour * 3600.0 + minute * 60.0 + second);
}

int CGraphMix::GoToAxisTime(double seconds)
{
    const GoToResult result = multiday::goToTime(m_axis, m_plot, m_view, seconds);
    if (!result.ok)
        return -1;
    m_mode = GRAPH_MODE_CURSOR;
    m_cursor = QPoint(result.cursorX, result.cursorY);
    updateCursorShape();
    setView(result.view);
    return 0;
}

void CGraphMix::SetMode(int mode)
{
    m_cursor = QPoint(100, 100);
    m_mode = mode;
    m_selection = QRect();
    m_dragging = false;
    updateCursorShape();
    update();
}

void CGraphMix::setCursorPoint(QPoint point)
{
    m_cursor = point;
    update();
}

void CGraphMix::updateCursorShape()
{
    if (m_mode == GRAPH_MODE_ZOOM || m_mode == GRAPH_MODE_SELECT)
        setCursor(Qt::CrossCursor);
    else
        unsetCursor();
}

void CGraphMix::resizeEvent(QResizeEvent*)
{
    m_plot = multiday::plotFor(m_axis, size());
    drawAxes();
    ClearChannelLayers();
    emit replotRequested();
}

void CGraphMix::paintEvent(QPaintEvent*)
{
    if (m_axes.isNull())
        drawAxes();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_axes);
    for (int k = 0; k < channelCount; ++k)
        if (m_visible[std::size_t(k)] && !m_layers[std::size_t(k)].isNull())
            painter.drawPixmap(0, 0, m_layers[std::size_t(k)]);

    if (!m_title.isEmpty()) {
        painter.setPen(Qt::black);
        painter.drawText(QRect(5, 20, textBoxWidth(m_title), 20), Qt::AlignCenter | Qt::TextSingleLine,
                         m_title);
    }
    if (m_mode == GRAPH_MODE_CURSOR)
        paintCursor(painter);
    m_abCursors.paint(painter, m_plot, m_view);
    if (m_mode == GRAPH_MODE_SELECT && !m_selection.isEmpty()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_selection.adjusted(0, 0, -1, -1));
    }
}

void CGraphMix::paintCursor(QPainter& painter) const
{
    const int w = width();
    painter.setPen(QPen(cursorColor, 1));
    painter.drawLine(m_cursor.x(), 0, m_cursor.x(), height());
    painter.drawLine(0, m_cursor.y(), w, m_cursor.y());

    const QString time = multiday::cursorText(m_axis, timeAtX(m_plot, m_view, m_cursor.x()));
    const int timeWidth = textBoxWidth(time);
    QRect timeBox(m_cursor.x() + 3, 0, timeWidth, 20);
    if (timeBox.x() + timeWidth > w)
        timeBox.moveLeft(m_cursor.x() - 3 - timeWidth);
    painter.drawText(timeBox, Qt::AlignCenter | Qt::TextSingleLine, time);

    // Channel 1 is always the uppermost label, below or above the cursor.
    const bool below = m_cursor.y() < 120;
    int n = 0;
    for (int i = 0; i < channelCount; ++i) {
        const int k = below ? i : channelCount - 1 - i;
        if (channelEmpty(k) || !m_visible[std::size_t(k)])
            continue;
        ++n;
        const QString text =
            valueText(valueAtY(m_plot, channelScale(k), m_divisor[std::size_t(k)], m_cursor.y()));
        const int top = below ? m_cursor.y() + 20 * n + 3 - 20 : m_cursor.y() - 20 * n;
        const int right = w - 1;
        const int boxWidth = textBoxWidth(text);
        painter.setPen(m_labelColors[std::size_t(k)]);
        painter.drawText(QRect(right - boxWidth, top, boxWidth, 20),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
}

void CGraphMix::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (!rect().contains(point)) {
        if (m_dragging) {
            m_dragging = false;
            m_selection = QRect();
            update();
        }
        return;
    }
    if (event->buttons() != Qt::LeftButton || m_abCursors.isOn())
        return;
    if (m_mode == GRAPH_MODE_CURSOR) {
        setCursorPoint(point);
    } else if (m_mode == GRAPH_MODE_SELECT) {
        if (!m_dragging) {
            m_dragging = true;
            m_dragStart = point;
        }
        m_selection = QRect(m_dragStart, point).normalized();
        update();
    }
}

void CGraphMix::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_abCursors.press(m_plot, m_view, event->position().toPoint(), event->modifiers())) {
        setFocus(Qt::MouseFocusReason);
        return;
    }
    if (m_mode == GRAPH_MODE_CURSOR)
        setCursorPoint(event->position().toPoint());
    else if (m_mode == GRAPH_MODE_SELECT)
        m_dragging = false;
}

void CGraphMix::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (!rect().contains(point))
        return;
    if (event->button() == Qt::LeftButton) {
        if (m_abCursors.isOn()) // the press placed a cursor
            return;
        if (m_mode == GRAPH_MODE_ZOOM) {
            m_cursor = point;
            ZoomInAt();
        } else if (m_mode == GRAPH_MODE_SELECT && m_dragging) {
            m_dragging = false;
            const QRect chosen = m_selection;
            m_selection = QRect();
            ZoomToRange(chosen.left(), chosen.right());
        }
    } else if (event->button() == Qt::RightButton &&
               (m_mode == GRAPH_MODE_ZOOM || m_mode == GRAPH_MODE_SELECT)) {
        m_cursor = point;
        ZoomOutAt();
    }
}

void CGraphMix::keyPressEvent(QKeyEvent* event)
{
    if (!m_abCursors.keyPress(event->key(), event->modifiers(), m_view)) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A cursor the keys moved out of the view brings the view along.
    const std::optional<double> t = m_abCursors.timeOf(m_abCursors.active());
    if (t && (*t < m_view.start || *t > m_view.end))
        ShowSpan(*t - m_view.span() / 2, *t + m_view.span() / 2);
}

void CGraphMix::leaveEvent(QEvent*)
{
    if (m_dragging) {
        m_dragging = false;
        m_selection = QRect();
        update();
    }
}

void CGraphMix::wheelEvent(QWheelEvent* event)
{
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (keys != Qt::NoModifier && keys != Qt::ControlModifier) {
        event->ignore();
        return;
    }
    // Fine-grained wheels and touchpads send parts of a notch: one step per 120.
    m_wheelAccumulated += event->angleDelta().y();
    while (std::abs(m_wheelAccumulated) >= wheelStep) {
        const bool away = m_wheelAccumulated > 0;
        m_wheelAccumulated += away ? -wheelStep : wheelStep;
        if (keys == Qt::ControlModifier) {
            m_cursor = event->position().toPoint();
            away ? ZoomInAt() : ZoomOutAt();
        } else {
            away ? ScrollEarlier() : ScrollLater();
        }
    }
    event->accept();
}
