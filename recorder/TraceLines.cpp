// SPDX-License-Identifier: MIT
#include "TraceLines.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace graphmath {

namespace {

// The points drawn to within one pixel column since the pen last left it.
struct ColumnRun
{
    bool active = false;
    int x = 0;
    int firstY = 0, lastY = 0;
    int lowY = 0, highY = 0;
    std::size_t lowAt = 0, highAt = 0; // order of the extremes
    std::size_t count = 0;

    void start(int column, int y)
    {
        active = true;
        x = column;
        firstY = lastY = lowY = highY = y;
        lowAt = highAt = count = 0;
    }
    void add(int y)
    {
        ++count;
        lastY = y;
        if (y < lowY) {
            lowY = y;
            lowAt = count;
        }
        if (y > highY) {
            highY = y;
            highAt = count;
        }
    }
};

class Tracer
{
public:
    Tracer(const Plot& plot, std::vector<QLine>& out) : m_plot(plot), m_out(out) {}

    void moveTo(QPoint point)
    {
        flush();
        m_pen = point;
    }
    void lineTo(int x, int y)
    {
        if (m_run.active && m_run.x == x) {
            m_run.add(y);
            return;
        }
        flush();
        m_run.start(x, y);
    }
    void flush()
    {
        if (!m_run.active)
            return;
        m_run.active = false;
        draw(m_run.firstY, true);
        const bool lowFirst = m_run.lowAt <= m_run.highAt;
        draw(lowFirst ? m_run.lowY : m_run.highY, false);
        draw(lowFirst ? m_run.highY : m_run.lowY, false);
        draw(m_run.lastY, false);
    }

private:
    void draw(int y, bool always)
    {
        const QPoint to(m_run.x, y);
        if (!always && to == m_pen)
            return;
        if (to.x() > m_plot.left && to.x() < m_plot.right)
            m_out.emplace_back(m_pen, to);
        m_pen = to;
    }

    const Plot& m_plot;
    std::vector<QLine>& m_out;
    QPoint m_pen;
    ColumnRun m_run;
};

// The records whose pen moves can draw in the plot: from the last one left of
// or on its left edge (it places the pen) up to, not including, the first one
// on or right of its right edge (nothing after it lands strictly inside).
// x never decreases with time, so both ends are found by binary search.
std::pair<std::size_t, std::size_t> visibleRecords(const Plot& plot, const View& view,
                                                   std::span<const std::int32_t> seconds)
{
    const auto x = [&](std::int32_t t) { return xOfTime(plot, view, t); };
    const auto first = std::partition_point(seconds.begin(), seconds.end(),
                                            [&](std::int32_t t) { return x(t) <= plot.left; });
    const auto last =
        std::partition_point(first, seconds.end(), [&](std::int32_t t) { return x(t) < plot.right; });
    const std::size_t from = std::size_t(first - seconds.begin());
    return {from > 0 ? from - 1 : 0, std::size_t(last - seconds.begin())};
}

} // namespace

std::vector<QLine> traceLines(const Plot& plot, const View& view, const Scale& scale,
                              std::span<const std::int32_t> seconds, std::span<const std::uint8_t> penBreaks,
                              std::span<const std::int32_t> values, bool timeOrdered, std::int32_t lastSecond)
{
    std::vector<QLine> lines;
    if (scale.empty() || values.empty())
        return lines;
    const std::size_t count = std::min({seconds.size(), penBreaks.size(), values.size()});
    std::size_t from = 0, to = count;
    if (timeOrdered)
        std::tie(from, to) = visibleRecords(plot, view, seconds.first(count));
    lines.reserve(std::min<std::size_t>(to - from, std::size_t(std::max(plot.width(), 1)) * 4 + 16));
    Tracer tracer(plot, lines);
    const ValueToY yOf(plot, scale);
    for (std::size_t i = from; i < to; ++i) {
        if (seconds[i] < 0 || seconds[i] > lastSecond)
            continue; // a damaged record's time: not a moment of the axis
        const int x = xOfTime(plot, view, seconds[i]);
        if (penBreaks[i])
            tracer.moveTo(QPoint(x, plot.bottom));
        else
            tracer.lineTo(x, yOf(values[i]));
    }
    tracer.flush();
    return lines;
}

} // namespace graphmath
