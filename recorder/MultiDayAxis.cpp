// SPDX-License-Identifier: MIT
#include "MultiDayAxis.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace multiday {

namespace {

std::chrono::sys_days civilDay(const DbDate& date)
{
    return std::chrono::year_month_day{std::chrono::year(date.year), std::chrono::month(unsigned(date.month)),
                                       std::chrono::day(unsigned(date.day))};
}

int dayOfTime(double t)
{
    return int(std::floor(t / daySeconds));
}

} // namespace

int daysBetween(const DbDate& first, const DbDate& date)
{
    return int((civilDay(date) - civilDay(first)).count());
}

DbDate dateAfter(const DbDate& first, int days)
{
    const std::chrono::year_month_day date{civilDay(first) + std::chrono::days(days)};
    return {int(unsigned(date.day())), int(unsigned(date.month())), int(date.year())};
}

std::int32_t Axis::timeOf(const DbDate& date, int secondOfDay) const
{
    return daysBetween(first, date) * daySeconds + secondOfDay;
}

int Axis::dayAt(double t) const
{
    return std::clamp(dayOfTime(t), 0, days - 1);
}

Axis axisFor(const DbDate& first, const DbDate& last)
{
    return {first, std::max(1, daysBetween(first, last) + 1)};
}

TickLabel tickLabel(const Axis& axis, const graphmath::View& view, int division)
{
    return tickLabel(axis, view, division, 1);
}

TickLabel tickLabel(const Axis& axis, const graphmath::View& view, int division, int step)
{
    if (axis.days <= 1)
        return {graphmath::axisLabel(view, division), {}};
    const auto timeAt = [&](int j) { return view.start + view.span() * j / graphmath::divisionsX; };
    const double t = timeAt(division);
    const int day = dayOfTime(t);
    const double secondOfDay = t - double(day) * daySeconds;
    // The day graph's label of that time of day, at the view's span.
    TickLabel label{graphmath::axisLabel(graphmath::makeView(secondOfDay, secondOfDay + view.span()), 0), {}};
    if (division - step < 0 || dayOfTime(timeAt(division - step)) != day)
        label.date = QString::fromStdString(DbDateText(dateAfter(axis.first, day)));
    return label;
}

graphmath::Plot plotFor(const Axis& axis, QSize client)
{
    graphmath::Plot plot = graphmath::Plot::forClient(client);
    if (axis.days > 1) {
        constexpr int dateRow = 16;
        plot.bottom -= dateRow;
        plot.pxPerDivY = float(plot.bottom - plot.top) / graphmath::divisionsY;
    }
    return plot;
}

QString cursorText(const Axis& axis, double seconds)
{
    if (axis.days <= 1)
        return graphmath::cursorTimeText(seconds);
    seconds = std::clamp(seconds, 0.0, axis.end() - 1);
    const int day = dayOfTime(seconds);
    return QString::fromStdString(DbDateText(dateAfter(axis.first, day))) + QLatin1Char(' ') +
           graphmath::cursorTimeText(seconds - double(day) * daySeconds);
}

graphmath::View wholeAxis(const Axis& axis)
{
    return graphmath::makeView(0, axis.end());
}

graphmath::View keepInside(const Axis& axis, double start, double end)
{
    const double limit = axis.end();
    double span = std::clamp(end - start, std::min(graphmath::minimumSpan, limit), limit);
    start = std::clamp(start, 0.0, limit - span);
    return graphmath::makeView(start, start + span);
}

graphmath::View panBy(const Axis& axis, const graphmath::View& view, double share)
{
    const double shift = view.span() * share;
    return keepInside(axis, view.start + shift, view.end + shift);
}

graphmath::View zoomAround(const Axis& axis, const graphmath::View& view, double t, double factor)
{
    double span = view.span() * factor;
    // Never narrower than a minute, and t stays where it was on the screen.
    if (span < graphmath::minimumSpan)
        span = std::min(graphmath::minimumSpan, axis.end());
    const double share = view.span() > 0 ? (t - view.start) / view.span() : 0.5;
    return keepInside(axis, t - share * span, t - share * span + span);
}

graphmath::View scrollEarlier(const Axis& axis, const graphmath::View& view)
{
    return axis.days <= 1 ? graphmath::scrollEarlier(view) : panBy(axis, view, -1.0 / graphmath::divisionsX);
}

graphmath::View scrollLater(const Axis& axis, const graphmath::View& view)
{
    return axis.days <= 1 ? graphmath::scrollLater(view) : panBy(axis, view, 1.0 / graphmath::divisionsX);
}

graphmath::View zoomInAt(const Axis& axis, const graphmath::Plot& plot, const graphmath::View& view, int x)
{
    if (axis.days <= 1)
        return graphmath::zoomInAt(plot, view, x);
    if (view.span() <= graphmath::minimumSpan * graphmath::zoomStep)
        return view;
    return zoomAround(axis, view, graphmath::timeAtX(plot, view, x), 1 / graphmath::zoomStep);
}

graphmath::View zoomOutAt(const Axis& axis, const graphmath::Plot& plot, const graphmath::View& view, int x)
{
    if (axis.days <= 1)
        return graphmath::zoomOutAt(plot, view, x);
    if (view.span() >= axis.end())
        return view;
    return zoomAround(axis, view, graphmath::timeAtX(plot, view, x), graphmath::zoomStep);
}

graphmath::View zoomToRange(const Axis& axis, const graphmath::Plot& plot, const graphmath::View& view,
                            int x1, int x2)
{
    if (axis.days <= 1)
        return graphmath::zoomToRange(plot, view, x1, x2);
    const int limit = plot.left + plot.width();
    const auto timeAt = [&](int x) {
        return std::clamp(graphmath::timeAtX(plot, view, std::clamp(x, plot.left, limit)), 0.0, axis.end());
    };
    double t1 = timeAt(std::min(x1, x2)), t2 = timeAt(std::max(x1, x2));
    if (t2 - t1 < graphmath::minimumSpan) {
        t1 -= (graphmath::minimumSpan - (t2 - t1)) / 2;
        t2 = t1 + graphmath::minimumSpan;
    }
    return keepInside(axis, t1, t2);
}

graphmath::GoToResult goToTime(const Axis& axis, const graphmath::Plot& plot, const graphmath::View& view,
                               double t)
{
    if (axis.days <= 1) {
        const int whole = int(std::floor(t));
        return graphmath::goToTime(plot, view, whole / 3600, whole / 60 % 60, whole % 60);
    }
    if (t < 0 || t > axis.end())
        return {};
    const double span = std::max(view.span(), graphmath::minimumSpan);
    graphmath::GoToResult result;
    result.ok = true;
    result.view = keepInside(axis, t - span / 2, t + span / 2);
    result.cursorX = graphmath::xOfTime(plot, result.view, t);
    result.cursorY = plot.height() / 2;
    return result;
}

std::int32_t typicalInterval(std::span<const std::int32_t> seconds)
{
    std::vector<std::int32_t> steps;
    steps.reserve(seconds.size());
    for (std::size_t i = 1; i < seconds.size(); ++i)
        if (seconds[i] > seconds[i - 1])
            steps.push_back(seconds[i] - seconds[i - 1]);
    if (steps.empty())
        return 0;
    const auto middle = steps.begin() + std::ptrdiff_t(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

std::int32_t gapLimit(std::span<const std::int32_t> seconds)
{
    return gapIntervals * typicalInterval(seconds);
}

void markGaps(std::span<const std::int32_t> seconds, std::span<std::uint8_t> penBreaks, std::int32_t limit)
{
    const std::size_t count = limit > 0 ? std::min(seconds.size(), penBreaks.size()) : 0;
    for (std::size_t i = 1; i < count; ++i)
        if (std::int64_t(seconds[i]) - seconds[i - 1] > limit)
            penBreaks[i] = 1;
}

std::vector<Segment> segments(std::span<const std::uint8_t> penBreaks)
{
    std::vector<Segment> runs;
    for (std::size_t i = 0; i < penBreaks.size(); ++i) {
        if (i == 0 || penBreaks[i])
            runs.push_back({i, i + 1});
        else
            runs.back().end = i + 1;
    }
    return runs;
}

} // namespace multiday
