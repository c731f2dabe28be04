// SPDX-License-Identifier: MIT
#include "GraphGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace graphmath {

namespace {

QString twoDigits(int value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

QString clockText(int a, int b)
{
    return twoDigits(a) + QLatin1Char(':') + twoDigits(b);
}

// Whole seconds of a view end, as the labels and the division width count them.
long long wholeSeconds(double seconds)
{
    return static_cast<long long>(seconds);
}

// A view never shorter than the minimum span, shifted back inside the day.
View keepInsideDay(double start, double end)
{
    start = std::max(start, double(fullStart));
    end = std::min(end, double(fullEnd));
    if (end - start < minimumSpan) {
        if (start <= fullStart) {
            start = fullStart;
            end = fullStart + minimumSpan;
        } else {
            end = std::min(end, double(fullEnd));
            start = end - minimumSpan;
            if (start < fullStart) {
                start = fullStart;
                end = fullStart + minimumSpan;
            }
        }
    }
    return makeView(start, end);
}

int clampToPlot(const Plot& plot, int x)
{
    return std::clamp(x, plot.left, plot.left + int(divisionsX * plot.pxPerDivX));
}

// Share of the view to the right of x, in whole per cent.
int percentRightOf(const Plot& plot, int x)
{
    const int width = std::max(plot.width(), 1);
    return 100 - (clampToPlot(plot, x) - plot.left) * 100 / width;
}

} // namespace

Plot Plot::forClient(QSize client)
{
    Plot plot;
    plot.clientWidth = client.width();
    plot.clientHeight = client.height();
    plot.left = 20;
    plot.top = 10;
    plot.right = client.width() - 10;
    plot.bottom = client.height() - 20;
    plot.pxPerDivX = float(plot.right - plot.left) / divisionsX;
    plot.pxPerDivY = float(plot.bottom - plot.top) / divisionsY;
    return plot;
}

double secondsPerDivision(double start, double end)
{
    return double(float(wholeSeconds(end) - wholeSeconds(start)) / divisionsX);
}

View makeView(double start, double end)
{
    return View{start, end, secondsPerDivision(start, end)};
}

int xOfTime(const Plot& plot, const View& view, double seconds)
{
    if (seconds < view.start)
        seconds = double(wholeSeconds(view.start));
    if (view.secPerDiv <= 0)
        return plot.left;
    return int((seconds - view.start) / view.secPerDiv * plot.pxPerDivX + plot.left);
}

double Scale::span() const
{
    return double(max) + std::fabs(double(min));
}

int zeroLine(const Plot& plot, const Scale& scale)
{
    if (scale.empty())
        return plot.bottom;
    const double height = divisionsY * double(plot.pxPerDivY);
    return int(plot.bottom - height * std::fabs(double(scale.min)) / scale.span());
}

ValueToY::ValueToY(const Plot& plot, const Scale& scale)
    : m_empty(scale.empty()), m_zero(zeroLine(plot, scale)), m_height(divisionsY * double(plot.pxPerDivY)),
      m_span(scale.span())
{
}

int yOfValue(const Plot& plot, const Scale& scale, std::int32_t raw)
{
    return ValueToY(plot, scale)(raw);
}

double timeAtX(const Plot& plot, const View& view, int x)
{
    if (plot.pxPerDivX <= 0)
        return view.start;
    return (x - plot.left) / double(plot.pxPerDivX) * view.secPerDiv + view.start;
}

QString cursorTimeText(double seconds)
{
    if (seconds < 0)
        return QStringLiteral("00:00:00");
    if (seconds > fullEnd)
        return QStringLiteral("24:00:00");
    const int whole = int(seconds);
    return clockText(whole / 3600, whole / 60 % 60) + QLatin1Char(':') + twoDigits(whole % 60);
}

double valueAtY(const Plot& plot, const Scale& scale, int divisor, int y)
{
    if (plot.pxPerDivY <= 0)
        return 0;
    const double raw =
        (plot.bottom - y) / double(plot.pxPerDivY) * scale.span() / divisionsY - std::fabs(double(scale.min));
    return raw / (divisor != 0 ? divisor : 1);
}

QString valueText(double value)
{
    return QString::number(value, 'f', value >= 1.0 ? 1 : 2);
}

QString axisLabel(const View& view, int division)
{
    const long long first = wholeSeconds(view.start);
    const float t = float(wholeSeconds(view.end) - first) * division / divisionsX + float(first);
    const int hours = int(t / 3600);
    const int minutes = int((t - hours * 3600) / 60);
    const int seconds = int(t - hours * 3600 - minutes * 60);
    if (view.end - view.start >= 3600)
        return QStringLiteral("godz.") + clockText(hours, minutes);
    return QStringLiteral("min.") + clockText(minutes, seconds);
}

View showWholeRange()
{
    return makeView(fullStart, fullEnd);
}

View scrollEarlier(const View& view)
{
    if (view.start <= fullStart)
        return view;
    double step = view.start > 3 * view.secPerDiv ? view.secPerDiv : 1.0;
    step = std::min(step, view.start - fullStart);
    return makeView(view.start - step, view.end - step);
}

View scrollLater(const View& view)
{
    if (view.end >= fullEnd)
        return view;
    double step = view.end < fullEnd - 3 * view.secPerDiv ? view.secPerDiv : 1.0;
    step = std::min(step, fullEnd - view.end);
    return makeView(view.start + step, view.end + step);
}

View zoomInAt(const Plot& plot, const View& view, int x)
{
    const int right = percentRightOf(plot, x);
    const double span = view.span();
    if (span <= 78)
        return view;
    const double cut = span - span / zoomStep;
    return keepInsideDay(view.start + (100 - right) * cut / 100, view.end - right * cut / 100);
}

View zoomOutAt(const Plot& plot, const View& view, int x)
{
    const int right = percentRightOf(plot, x);
    const double span = view.span();
    if (span >= fullEnd - fullStart)
        return view;
    const double grow = span * zoomStep - span;
    return keepInsideDay(view.start - (100 - right) * grow / 100, view.end + right * grow / 100);
}

View zoomToRange(const Plot& plot, const View& view, int x1, int x2)
{
    const int limit = plot.left + plot.width();
    const int from = std::clamp(std::min(x1, x2), plot.left, limit);
    const int to = std::clamp(std::max(x1, x2), plot.left, limit);
    auto timeAt = [&](int x) { return (long long)timeAtX(plot, view, x); };
    long long t1 = std::max<long long>(timeAt(from), fullStart);
    long long t2 = std::min<long long>(timeAt(to), fullEnd);
    t2 = std::max(t2, t1);
    if (t2 - t1 < minimumSpan) {
        t1 -= (long long)(minimumSpan - (t2 - t1)) / 2;
        t2 = t1 + (long long)minimumSpan;
    }
    return keepInsideDay(double(t1), double(t2));
}

GoToResult goToTime(const Plot& plot, const View& view, int hour, int minute, int second)
{
    const long long t = hour * 3600LL + minute * 60LL + second;
    if (t < fullStart || t > fullEnd)
        return {};
    const double span = std::max(view.span(), minimumSpan);
    GoToResult result;
    result.ok = true;
    result.view = keepInsideDay(t - span / 2, t + span / 2);
    result.cursorX = int((t - result.view.start) * plot.pxPerDivX / result.view.secPerDiv + plot.left);
    result.cursorY = plot.height() / 2;
    return result;
}

} // namespace graphmath
