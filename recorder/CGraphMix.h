// SPDX-License-Identifier: MIT
#pragma once

#include "ColorRef.h"
#include "CursorPair.h"
#include "GraphGeometry.h"
#include "MultiDayLoad.h"
#include "TraceLines.h"

#include <QPixmap>
#include <QWidget>
#include <array>
#include <cstdint>

// The day graph of the recorder window: up to five channels of one recorded
// day against the time of day, on a grid of 60 × 10 divisions, with zoom and
// scroll over the 24 hours, a cursor read-out and a rubber-band selection.
//
// It draws in layers: the axes layer (background, grid, time labels) and one
// transparent layer per channel are rendered when their content changes and
// only composed on paint, so moving the cursor or the selection repaints
// without replotting. The layers follow the widget's size: a resize draws the
// axes again and asks the owner for a replot (replotRequested).
//
// The A/B cursors (CursorPair) are a switch over the modes: while on, a left
// click places a cursor instead of zooming or selecting.
//
// The mouse drives the graph by its mode (zoom, selection or cursor); every
// change of the view emits replotRequested, and the owner answers with
// PlotChannels (the graph does not keep the recording). UI thread only.
class CGraphMix : public QWidget
{
    Q_OBJECT
public:
    enum Mode { GRAPH_MODE_NONE = 0, GRAPH_MODE_CURSOR = 1, GRAPH_MODE_ZOOM = 2, GRAPH_MODE_SELECT = 4 };
    static constexpr int channelCount = PlotSeries::channelCount;
    using Channels = std::array<std::int32_t, channelCount>;

    explicit CGraphMix(QWidget* parent = nullptr);

    // Setters store only; Redraw() shows the result.
    void SetChannelColor(int channel, ColorRef color); // colour of the channel's read-out label
    void SetMaxima(const Channels& maxima);            // raw, >= 0
    void SetMinima(const Channels& minima);            // raw, <= 0
    void SetDivisors(const Channels& divisors);
    void SetChannelVisible(int channel, bool visible);
    void SetLineWidth(int width);
    void SetTitle(const QString& title);
    void Redraw() { update(); }

    // Clears the channel layers and draws every channel of the series with
    // its line colour in the current view.
    void PlotChannels(const PlotSeries& series, const std::array<QColor, channelCount>& lineColors);
    // The same for a run of days: from the range's min/max summary while the
    // view holds at least two of its columns per pixel, else from the records.
    void PlotRange(const multiday::LoadedRange& range, const std::array<QColor, channelCount>& lineColors);
    void ClearChannelLayers();

    // Navigation; each draws the axes again and emits replotRequested.
    void ShowWholeRange();
    void ScrollEarlier();
    void ScrollLater();
    void ZoomInAt();  // around the cursor point
    void ZoomOutAt(); // around the cursor point
    void ZoomToRange(int x1, int x2);
    // 0, or -1 (nothing changed) when the time lies outside the day.
    int GoToTime(int hour, int minute, int second);
    void SetMode(int mode);

    // The time axis: one day (the default) or a run of days, times in seconds
    // since the first day's midnight. A change of its length shows it whole.
    void SetAxis(const multiday::Axis& axis);
    const multiday::Axis& axis() const { return m_axis; }
    // GoToTime for a time on the axis; -1 (nothing changed) outside it.
    int GoToAxisTime(double seconds);
    // Moves the view without the buttons (following new records); kept inside the axis.
    void ShowSpan(double start, double end);

    int mode() const { return m_mode; }
    QPoint cursorPoint() const { return m_cursor; }
    void setCursorPoint(QPoint point);
    QRect selection() const { return m_selection; }
    const graphmath::View& view() const { return m_view; }
    const graphmath::Plot& plot() const { return m_plot; }
    graphmath::Scale channelScale(int channel) const;
    bool channelVisible(int channel) const { return m_visible[std::size_t(channel)]; }
    int lineWidth() const { return m_lineWidth; }
    QString title() const { return m_title; }
    // The A/B cursors over the graph (off until switched on).
    CursorPair& abCursors() { return m_abCursors; }

    QSize sizeHint() const override;

signals:
    // The view or the size changed: the channels must be plotted again.
    void replotRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void setView(const graphmath::View& view);
    void drawAxes();
    void drawTimeLabel(QPainter& painter, int column, int row, const QString& label);
    void drawChannelLines(int channel, const std::vector<QLine>& lines, const QColor& color);
    QPixmap blankLayer(const QColor& fill) const;
    void paintCursor(QPainter& painter) const;
    void updateCursorShape();
    bool channelEmpty(int channel) const;

    multiday::Axis m_axis;
    graphmath::Plot m_plot;
    graphmath::View m_view;
    QPoint m_cursor{0, 0};
    QRect m_selection;
    QPoint m_dragStart;
    bool m_dragging = false;
    int m_wheelAccumulated = 0; // eighths of a degree towards one wheel step (120)
    int m_mode = GRAPH_MODE_NONE;
    int m_lineWidth = 1;
    QString m_title;
    std::array<QColor, channelCount> m_labelColors{};
    Channels m_max{}, m_min{}, m_divisor{};
    std::array<bool, channelCount> m_visible{true, true, true, true, true};
    QPixmap m_axes;
    std::array<QPixmap, channelCount> m_layers;
    CursorPair m_abCursors;
};
