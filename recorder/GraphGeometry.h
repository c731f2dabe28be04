// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QString>
#include <cstdint>

// Arithmetic of the day graph: where a time and a value land in the control,
// what lies under a point, and how zoom and scroll move the visible window.
// The graph widget only draws what these functions compute, so everything
// here is tested without a window.
namespace graphmath {

constexpr int divisionsX = 60;           // time divisions across the plot
constexpr int divisionsY = 10;           // value divisions up the plot
constexpr std::uint32_t fullStart = 0;   // s of the day
constexpr std::uint32_t fullEnd = 86400; // s of the day
// Narrowest view any navigation leaves: below it the seconds per division
// would fall under one and a division by the span would follow.
constexpr double minimumSpan = 60.0;

// The plot area inside a client rectangle of the given size: 20 pixels left,
// 10 top, 10 right and 20 bottom are kept free. right and bottom are
// exclusive, as the client's own width and height are.
struct Plot
{
    int clientWidth = 0;
    int clientHeight = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    float pxPerDivX = 0; // plot width / 60
    float pxPerDivY = 0; // plot height / 10

    static Plot forClient(QSize client);
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The visible part of the day, in seconds.
struct View
{
    double start = fullStart;
    double end = fullEnd;
    double secPerDiv = double(fullEnd - fullStart) / divisionsX;

    double span() const { return end - start; }
};

// (whole seconds of the end − whole seconds of the start) / 60, in single
// precision as the axis labels use it.
double secondsPerDivision(double start, double end);
// A view over [start, end] with its seconds per division.
View makeView(double start, double end);

// x of a time; a time before the view start is drawn at the view start.
int xOfTime(const Plot& plot, const View& view, double seconds);

// Vertical scale of one channel: its raw maximum (>= 0) and minimum (<= 0).
// A channel whose maximum and minimum are both 0 is empty and draws nothing.
struct Scale
{
    std::int32_t max = 0;
    std::int32_t min = 0;

    bool empty() const { return max == 0 && min == 0; }
    double span() const; // max + |min|, computed without overflow
};

// y of the channel's zero line: the channel's range fills the plot height,
// the minimum on the bottom edge and the maximum on the top.
int zeroLine(const Plot& plot, const Scale& scale);
// y of a raw value (values outside the range leave the plot area).
int yOfValue(const Plot& plot, const Scale& scale, std::int32_t raw);

// yOfValue for many values of one channel: the zero line and span worked out once.
class ValueToY
{
public:
    ValueToY(const Plot& plot, const Scale& scale);
    int operator()(std::int32_t raw) const
    {
        return m_empty ? m_zero : int(m_zero - m_height * raw / m_span);
    }

private:
    bool m_empty;
    int m_zero;
    double m_height;
    double m_span;
};

// Time under x (may lie outside the day) and its read-out: "00:00:00" before
// the day, "24:00:00" after it, else hh:mm:ss of the whole seconds.
double timeAtX(const Plot& plot, const View& view, int x);
QString cursorTimeText(double seconds);

// Physical value under y for a channel with this scale and divisor, and its
// read-out text (one decimal from 1.0 up, else two); locale-independent.
double valueAtY(const Plot& plot, const Scale& scale, int divisor, int y);
QString valueText(double value);

// Label of time division j (0 to 60): "godz.hh:mm" while the view spans an
// hour or more, "min.mm:ss" below that.
QString axisLabel(const View& view, int division);

// Navigation. Each returns the new view (with its seconds per division); the
// view always stays inside 0-86400 s, starts before it ends, and spans at
// least 60 s except where the caller's view was narrower to begin with.
View showWholeRange();
View scrollEarlier(const View& view);
View scrollLater(const View& view);
// Zoom by zoomStep around x, keeping the time under x in place (in: only while
// the span is above 78 s; out: only while it is below the whole day).
constexpr double zoomStep = 1.3;
View zoomInAt(const Plot& plot, const View& view, int x);
View zoomOutAt(const Plot& plot, const View& view, int x);
// The times under two x positions (in either order), widened to 60 s.
View zoomToRange(const Plot& plot, const View& view, int x1, int x2);

// Centres the view on a time of the day, keeping its span as far as the day
// allows but never below 60 s. Empty (ok false) when the time lies outside
// the day; otherwise the new view and the cursor point at that time.
struct GoToResult
{
    bool ok = false;
    View view;
    int cursorX = 0;
    int cursorY = 0;
};
GoToResult goToTime(const Plot& plot, const View& view, int hour, int minute, int second);

} // namespace graphmath
