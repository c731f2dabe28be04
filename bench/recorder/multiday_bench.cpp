// SPDX-License-Identifier: MIT
#include "multiday_bench.h"

#include "DayFileFixture.h"
#include "LoadedRecords.h"
#include "MultiDayLoad.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

double medianOf(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double elapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The process's resident set in MB, from /proc.
double residentMb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024;
    return 0;
}

// What the graph widget does per frame, without it: the scales once per load,
// then each channel's lines (from the summary while the view holds two of its
// columns per pixel, else the records themselves) painted into the plot layer.
class Frame
{
public:
    Frame(const multiday::LoadedRange& range, QSize size)
        : m_range(range), m_plot(graphmath::Plot::forClient(size)), m_layer(size)
    {
        std::array<std::span<const std::int32_t>, channels::count> values;
        for (std::size_t c = 0; c < values.size(); ++c)
            values[c] = range.series.values[c];
        const channels::AutoScaleResult scaled = channels::autoScale(values, range.quantities);
        for (std::size_t c = 0; c < m_scales.size(); ++c)
            m_scales[c] = {scaled.max[c], scaled.min[c]};
    }

    void draw(const graphmath::View& view)
    {
        m_layer.fill(Qt::transparent);
        QPainter painter(&m_layer);
        const bool summarized =
            m_range.summary.columns * view.span() / m_range.axis.end() >= 2.0 * m_plot.width();
        const multiday::ColumnSummary shown =
            summarized ? multiday::summaryOfView(m_range.summary, view, m_plot.width())
                       : multiday::ColumnSummary{};
        for (int c = 0; c < channels::count; ++c) {
            if (m_range.series.values[std::size_t(c)].empty())
                continue;
            const graphmath::Scale& scale = m_scales[std::size_t(c)];
            const std::vector<QLine> lines =
                summarized
                    ? multiday::summaryLines(m_plot, scale, shown, c)
                    : graphmath::traceLines(m_plot, view, scale, m_range.series.seconds,
                                            m_range.series.penBreaks, m_range.series.values[std::size_t(c)],
                                            m_range.series.timeOrdered, std::int32_t(m_range.axis.end()));
            painter.setPen(QColor::fromHsv(c * 70, 255, 200));
            painter.drawLines(lines.data(), int(lines.size()));
        }
    }

private:
    const multiday::LoadedRange& m_range;
    graphmath::Plot m_plot;
    QPixmap m_layer;
    std::array<graphmath::Scale, channels::count> m_scales{};
};

} // namespace

bool runMultiDayBench(const QString& folder, int days)
{
    const DbDate first{8, 11, 2025};
    const DbDate last = multiday::dateAfter(first, days - 1);
    double bytes = 0;
    {
        const std::vector<_tagSTRUCT_DATA> records = fullDayRecords();
        for (int d = 0; d < days; ++d) {
            const DbDate date = multiday::dateAfter(first, d);
            const QString path = folder + QLatin1Char('/') + QString::fromStdString(DbFileName(date));
            if (!writeDayFile(path, date, records))
                return false;
            bytes += double(QFileInfo(path).size());
        }
    }
    std::printf("day files (%d days): %d records, %.0f MB\n", days, days * 86400, bytes / 1e6);
    const double residentBefore = residentMb();

    // i1, i2, i3, temperature 1, phase voltage U1, as the one-day figures.
    const channels::Quantities shown{0, 1, 2, 36, 15};
    const QSize size(980, 560); // the graph's size in a 1000 × 800 window
    QElapsedTimer timer;
    timer.start();
    // As the window loads it: a summary of many columns per pixel serves the wide views.
    const int columns = graphmath::Plot::forClient(size).width() * LoadedRecords::summaryColumnsPerPixel;
    multiday::LoadedRange range = multiday::loadDays(folder.toStdString(), first, last, shown, columns);
    const double loadMs = elapsedMs(timer);
    Frame frame(range, size);
    frame.draw(multiday::wholeAxis(range.axis));
    const double firstPlotMs = elapsedMs(timer);
    const double residentAfter = residentMb();

    // Pan and zoom over a few hours in the middle of the range.
    graphmath::View view =
        multiday::keepInside(range.axis, range.axis.end() / 2, range.axis.end() / 2 + 3 * 3600);
    std::vector<double> pan, zoom;
    for (int i = 0; i < 40; ++i) {
        timer.restart();
        view = multiday::panBy(range.axis, view, i % 20 < 10 ? 0.1 : -0.1);
        frame.draw(view);
        pan.push_back(elapsedMs(timer));
        timer.restart();
        view = multiday::zoomAround(range.axis, view, (view.start + view.end) / 2, i % 2 ? 1.3 : 1 / 1.3);
        frame.draw(view);
        zoom.push_back(elapsedMs(timer));
    }
    std::vector<double> whole, wide;
    for (int i = 0; i < 5; ++i) {
        timer.restart();
        frame.draw(multiday::wholeAxis(range.axis));
        whole.push_back(elapsedMs(timer));
    }
    // Zooming out of the middle towards the whole range: views of a quarter to most of it.
    for (const double share : {0.25, 0.4, 0.55, 0.7, 0.77}) {
        timer.restart();
        frame.draw(multiday::keepInside(range.axis, range.axis.end() * (1 - share) / 2,
                                        range.axis.end() * (1 + share) / 2));
        wide.push_back(elapsedMs(timer));
    }
    timer.restart();
    const multiday::ColumnSummary resummarized =
        multiday::summarize(range.series, 0, range.axis.end(), columns);
    const double summaryMs = elapsedMs(timer);

    std::printf("load and first plot, 5 channels (%d days): %7.1f ms (load %.1f ms; goal <= 1500 ms)\n", days,
                firstPlotMs, loadMs);
    std::printf("pan redraw, median (%d days):               %7.2f ms (goal <= 16 ms)\n", days,
                medianOf(pan));
    std::printf("zoom redraw, median (%d days):              %7.2f ms (goal <= 16 ms)\n", days,
                medianOf(zoom));
    std::printf(
        "whole-range redraw, median (%d days):       %7.2f ms (summary rebuilt in %.1f ms, %d columns)\n",
        days, medianOf(whole), summaryMs, resummarized.columns);
    std::printf("wide view redraw, median (%d days):         %7.2f ms (a quarter to 77%% of the range)\n",
                days, medianOf(wide));
    std::printf("resident memory after loading (%d days):   %7.1f MB (%.1f MB before; goal <= 250 MB)\n",
                days, residentAfter, residentBefore);
    return true;
}
