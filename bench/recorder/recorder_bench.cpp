// SPDX-License-Identifier: MIT
// The recorder window on a full day recorded every second (86,400 records):
// load and plot, pan and zoom redraws, against drawing every record as its own
// segment; and the full-day workbook export against openpyxl's write-only mode.
// Prints figures and ratios; run by hand: build/<preset>/bin/zrq7_bench_recorder
// With --days N it first writes N full days and times the graph over all of
// them (see multiday_bench.h), then prints the one-day figures as before.
#include "CCPL_ZRQ7App.h"
#include "DayFileFixture.h"
#include "RecorderBrowser.h"
#include "TableExport.h"
#include "multiday_bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

double medianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

template <typename F> double timeMs(F&& run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The peer: every record drawn as its own segment, five channels.
double drawEverySegmentMs(const std::vector<_tagSTRUCT_DATA>& records, QSize size)
{
    QPixmap layer(size);
    layer.fill(Qt::transparent);
    QPainter painter(&layer);
    painter.setPen(QPen(Qt::red, 1));
    const int quantities[] = {0, 1, 2, 36, 15};
    return timeMs([&] {
        for (const int q : quantities) {
            QPoint pen;
            for (std::size_t i = 0; i < records.size(); ++i) {
                const auto& r = records[i];
                const int t = r.stTime.wHour * 3600 + r.stTime.wMinute * 60 + r.stTime.wSecond;
                const QPoint to(20 + t * (size.width() - 30) / 86400,
                                size.height() - 20 - r.nValue[std::size_t(q)] % 200);
                if (i > 0)
                    painter.drawLine(pen, to);
                pen = to;
            }
        }
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const qsizetype daysAt = arguments.indexOf(QStringLiteral("--days"));
    if (daysAt >= 0) {
        const int days = daysAt + 1 < arguments.size() ? arguments[daysAt + 1].toInt() : 0;
        if (days < 1 || days > 366) {
            std::fprintf(stderr, "--days: a number of days from 1 to 366\n");
            return 2;
        }
        // Before the one-day figures, so the resident memory is the range's own.
        QTemporaryDir daysDir;
        if (!runMultiDayBench(daysDir.path(), days))
            return 1;
    }
    QTemporaryDir dir;
    const std::vector<_tagSTRUCT_DATA> records = fullDayRecords();
    const QString name = QStringLiteral("08122025.db");
    if (!writeDayFile(dir.filePath(name), {8, 12, 2025}, records))
        return 1;
    std::printf("day file: %zu records, %.1f MB\n", records.size(),
                double(QFileInfo(dir.filePath(name)).size()) / 1e6);

    // Five channels: i1, i2, i3, temperature 1, phase voltage U1.
    ProgramSettings& s = theApp().settings;
    const int listPositions[] = {1, 2, 3, 37, 16};
    for (int c = 0; c < 5; ++c) {
        s.nGraphQuantity[c] = listPositions[c];
        s.bGraphVisible[c] = 1;
    }
    RecorderBrowser browser;
    browser.setFolder(dir.path());
    browser.resize(1000, 800);
    browser.show();
    QCoreApplication::processEvents(); // once, so the window has its size before timing
    CGraphMix* graph = browser.graph();

    std::vector<double> load;
    for (int i = 0; i < 7; ++i)
        load.push_back(timeMs([&] {
            browser.LoadRecording(name);
            graph->grab();
        }));
    // The first load also allocates the day's memory; later ones reuse it.
    const double firstLoadMs = load.front();
    const double loadMs = medianMs(load);

    // Pan and zoom over a zoomed view (a few hours), each a replot and a paint.
    graph->setCursorPoint(QPoint(graph->width() / 2, 100));
    for (int i = 0; i < 6; ++i)
        graph->ZoomInAt();
    std::vector<double> pan, zoom;
    for (int i = 0; i < 40; ++i) {
        pan.push_back(timeMs([&] {
            i % 20 < 10 ? graph->ScrollLater() : graph->ScrollEarlier();
            graph->grab();
        }));
        zoom.push_back(timeMs([&] {
            i % 2 ? graph->ZoomOutAt() : graph->ZoomInAt();
            graph->grab();
        }));
    }
    graph->ShowWholeRange();
    std::vector<double> whole;
    for (int i = 0; i < 10; ++i)
        whole.push_back(timeMs([&] {
            browser.Replot();
            graph->grab();
        }));
    const double peerMs = drawEverySegmentMs(records, graph->size());

    std::printf(
        "load and plot a full day:      %7.1f ms first, %.1f ms median of later loads (goal < 100 ms)\n",
        firstLoadMs, loadMs);
    std::printf("pan redraw (median):           %7.2f ms (goal < 16 ms)\n", medianMs(pan));
    std::printf("zoom redraw (median):          %7.2f ms (goal < 16 ms)\n", medianMs(zoom));
    std::printf("whole-day replot and paint:    %7.2f ms\n", medianMs(whole));
    std::printf("peer, every record a segment:  %7.2f ms (replot without paint)  ratio peer/ours %.1f\n",
                peerMs, peerMs / medianMs(whole));

    // Export: the full day as a workbook, against openpyxl's write-only mode.
    exporting::Rows rows;
    rows.date = QStringLiteral("08.12.2025");
    rows.count = records.size();
    rows.fill = [&](std::size_t i, QString& time, exporting::RowValues& values) {
        exporting::fillRow(records[i], time, values);
    };
    const std::atomic<bool> cancel{false};
    exporting::Result written;
    const double exportMs =
        timeMs([&] { written = exporting::writeTable(dir.filePath("Table.xlsx"), rows, cancel); });
    const double csvMs = timeMs([&] { exporting::writeTable(dir.filePath("Table.csv"), rows, cancel); });
    QProcess peer;
    peer.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral(ZRQ7_BENCH_DIR "/openpyxl_peer.py"), dir.filePath("peer.xlsx"),
                QString::number(records.size())});
    peer.waitForFinished(600000);
    const double peerSeconds = peer.readAllStandardOutput().trimmed().toDouble();
    std::printf("export xlsx, full day:         %7.2f s (%s, %.1f MB)\n", exportMs / 1000,
                written.outcome == exporting::Outcome::Written ? "written" : "FAILED",
                double(QFileInfo(dir.filePath("Table.xlsx")).size()) / 1e6);
    std::printf("export csv, full day:          %7.2f s\n", csvMs / 1000);
    std::printf("peer openpyxl write-only:      %7.2f s  ratio peer/ours %.1f (goal >= 8)\n", peerSeconds,
                peerSeconds / (exportMs / 1000));
    return 0;
}
