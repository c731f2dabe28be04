// SPDX-License-Identifier: MIT
#pragma once

#include "LoadGraphMath.h"
#include "RenderCache.h"

#include <QBasicTimer>
#include <QImage>
#include <QWidget>
#include <cstdint>

// Scrolling strip chart of one load value (the motor's thermal state): every
// 300 ms while running, a column for the latest load enters at the right and
// the history moves one pixel left. Lines and labels mark 100 % and 66 %, and
// a red time marker travels across once per (width − 3) ticks.
//
// SetLoad and ResetGraph only store the value, which the next tick draws. UI
// thread only, like every display control (see UiThreadOnly.h).
class CGraph : public QWidget
{
    Q_OBJECT
public:
    static constexpr int tickMs = 300;

    explicit CGraph(QWidget* parent = nullptr);

    // Stores the load (1,100,000 = 100 %, clamped at 1000 %) and returns it in
    // whole per cent.
    std::uint32_t SetLoad(std::uint32_t value);
    // Following columns stay empty until the next SetLoad.
    void ResetGraph();
    // Starts (restarting if running) or stops the scrolling.
    void RunGraph(bool run);
    bool IsRunning() const { return m_timer.isActive(); }

    // The stored load in whole per cent (what the next tick draws).
    std::uint32_t LoadPercent() const { return loadgraph::loadPercent(m_load); }

    // y of the top of the next column at the current height.
    int Level() const;
    // x of the time marker in the history picture, 0 before the first tick.
    int Marker() const { return m_marker; }

    // One tick: draw the new column, move the marker, scroll one pixel.
    void scrollStep();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Key
    {
        quint64 generation = 0;
        bool operator==(const Key&) const = default;
    };
    void ensureHistory();
    void render(QPainter& painter) const;

    std::uint32_t m_load = 0;
    QImage m_history; // (width + 1) × height, one logical pixel per tick
    int m_marker = 0;
    quint64 m_generation = 0;
    std::uint32_t m_announcedPercent = 0; // what screen readers were last told
    QBasicTimer m_timer;
    RenderCache<Key> m_cache;
};
