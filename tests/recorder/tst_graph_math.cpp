// SPDX-License-Identifier: MIT
// The day graph's arithmetic: coordinates, read-outs, labels and navigation.
#include "ChannelScale.h"
#include "GraphGeometry.h"
#include "TraceLines.h"

#include <QTest>

using namespace graphmath;

class tst_graph_math : public QObject
{
    Q_OBJECT

private:
    // A client of 620 × 230: plot 20..610 × 10..210, 600 px / 60 and 200 px / 10.
    static Plot plot() { return Plot::forClient(QSize(620, 230)); }

private slots:
    // A "Max:" edit shows its value in fixed notation that reads back: large
    // maxima (10^7 and more) never turn into an exponent the edit refuses.
    void maxTextReadsBack_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0f << QStringLiteral("0");
        QTest::newRow("whole") << 12.0f << QStringLiteral("12");
        QTest::newRow("tenths") << 15.7f << QStringLiteral("15.7");
        QTest::newRow("thousandths") << 0.001f << QStringLiteral("0.001");
        QTest::newRow("below 10^7") << 9999999.0f << QStringLiteral("9999999");
        QTest::newRow("10^7 and more") << 12345678.0f << QStringLiteral("12345678");
        QTest::newRow("largest raw maximum") << 2147483647.0f << QStringLiteral("2147483648");
    }
    void maxTextReadsBack()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(channels::maxText(value), text);
        const std::optional<double> back = channels::parseMaxText(text);
        QVERIFY(back);
        QCOMPARE(float(*back), value);
    }

    void plotArea()
    {
        const Plot p = plot();
        QCOMPARE(p.left, 20);
        QCOMPARE(p.top, 10);
        QCOMPARE(p.right, 610);
        QCOMPARE(p.bottom, 210);
        QCOMPARE(p.pxPerDivX, 590.f / 60);
        QCOMPARE(p.pxPerDivY, 20.f);
        QCOMPARE(showWholeRange().secPerDiv, 1440.0);
    }

    void values_data()
    {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("y");
        // Plot height 200, bottom 210.
        QTest::newRow("zero line a quarter up for -50..150") << 150 << -50 << 0 << 160;
        QTest::newRow("maximum at the top") << 150 << -50 << 150 << 10;
        QTest::newRow("minimum at the bottom") << 150 << -50 << -50 << 210;
        QTest::newRow("positive only: zero on the bottom") << 1000 << 0 << 0 << 210;
        QTest::newRow("half way") << 1000 << 0 << 500 << 110;
        QTest::newRow("above the maximum leaves the plot") << 1000 << 0 << 2000 << -190;
        QTest::newRow("huge scale does not overflow") << 2147483647 << -2147483647 - 1 << 0 << 109;
    }
    void values()
    {
        QFETCH(int, max);
        QFETCH(int, min);
        QFETCH(int, raw);
        QFETCH(int, y);
        QCOMPARE(yOfValue(plot(), Scale{max, min}, raw), y);
    }

    void cursorReadOutInvertsY_data()
    {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("divisor");
        QTest::addColumn<int>("raw");
        QTest::newRow("phase current 15.7 A") << 200 << 0 << 10 << 157;
        QTest::newRow("negative value") << 150 << -50 << 1 << -25;
        QTest::newRow("power factor") << 1000 << 0 << 1000 << 500;
    }
    void cursorReadOutInvertsY()
    {
        QFETCH(int, max);
        QFETCH(int, min);
        QFETCH(int, divisor);
        QFETCH(int, raw);
        const Scale scale{max, min};
        const int y = yOfValue(plot(), scale, raw);
        // One pixel is span / 200 raw units: the read-out lands within it.
        QVERIFY(qAbs(valueAtY(plot(), scale, divisor, y) - double(raw) / divisor) <=
                scale.span() / 200 / divisor);
    }

    void readOutTexts()
    {
        QCOMPARE(valueText(15.7), QStringLiteral("15.7"));
        QCOMPARE(valueText(0.875), QStringLiteral("0.88"));
        QCOMPARE(valueText(-3.0), QStringLiteral("-3.00"));
        QCOMPARE(cursorTimeText(-5), QStringLiteral("00:00:00"));
        QCOMPARE(cursorTimeText(86401), QStringLiteral("24:00:00"));
        QCOMPARE(cursorTimeText(12 * 3600 + 5 * 60 + 9.7), QStringLiteral("12:05:09"));
        // Left of the plot in a zoomed view: earlier than the view start.
        const View zoomed = makeView(36000, 39600);
        QVERIFY(timeAtX(plot(), zoomed, 0) < zoomed.start);
    }

    void axisLabels()
    {
        const View whole = showWholeRange();
        const QStringList expected{"godz.00:00", "godz.04:00", "godz.08:00", "godz.12:00",
                                   "godz.16:00", "godz.20:00", "godz.24:00"};
        for (int j = 0; j <= 60; j += 10)
            QCOMPARE(axisLabel(whole, j), expected[j / 10]);
        const View shortView = makeView(43200, 43200 + 1800);
        QCOMPARE(axisLabel(shortView, 0), QStringLiteral("min.00:00"));
        QCOMPARE(axisLabel(shortView, 10), QStringLiteral("min.05:00"));
        QCOMPARE(axisLabel(makeView(43200, 43260), 10), QStringLiteral("min.00:10"));
    }

    void zoomAtMiddleKeepsTheTime()
    {
        const Plot p = plot();
        const int middle = p.left + p.width() / 2;
        const View before = showWholeRange();
        const double under = timeAtX(p, before, middle);
        const View after = zoomInAt(p, before, middle);
        QCOMPARE(after.span(), 86400 / 1.3);
        QVERIFY(qAbs(timeAtX(p, after, middle) - under) < 1.0);
        const View out = zoomOutAt(p, after, middle);
        QVERIFY(qAbs(out.start) < 1e-6 && qAbs(out.end - 86400) < 1e-6);
    }

    void zoomAtLeftEdgeMovesOnlyTheEnd()
    {
        const Plot p = plot();
        const View after = zoomInAt(p, makeView(3600, 7200), p.left - 50);
        QCOMPARE(after.start, 3600.0);
        QVERIFY(after.end < 7200);
    }

    void zoomInStopsAtTheMinimum()
    {
        const Plot p = plot();
        View view = showWholeRange();
        for (int i = 0; i < 100; ++i)
            view = zoomInAt(p, view, p.left + 37);
        QVERIFY(view.span() >= minimumSpan);
        QVERIFY(view.span() <= 78);
        QVERIFY(view.secPerDiv > 0);
        QVERIFY(axisLabel(view, 60).startsWith("min."));
    }

    void selectionRanges_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("x2");
        QTest::addColumn<double>("newStart");
        QTest::addColumn<double>("newEnd");
        // View 42900..43500 s: 1 px is 600/590 s; x = 20 + (t - 42900) * 590 / 600.
        QTest::newRow("10 s around 12:00 gives 60 s")
            << 42900.0 << 43500.0 << 310 << 320 << 43170.0 << 43230.0;
        QTest::newRow("reversed selection") << 42900.0 << 43500.0 << 320 << 310 << 43170.0 << 43230.0;
        QTest::newRow("narrow at the day's start") << 0.0 << 600.0 << 20 << 22 << 0.0 << 60.0;
        QTest::newRow("narrow at the day's end") << 85800.0 << 86400.0 << 608 << 609 << 86340.0 << 86400.0;
        QTest::newRow("wholly in the right margin") << 85800.0 << 86400.0 << 612 << 619 << 86340.0 << 86400.0;
        QTest::newRow("wholly in the left margin") << 0.0 << 86400.0 << 2 << 10 << 0.0 << 60.0;
    }
    void selectionRanges()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(int, x1);
        QFETCH(int, x2);
        QFETCH(double, newStart);
        QFETCH(double, newEnd);
        const View view = zoomToRange(plot(), makeView(start, end), x1, x2);
        QVERIFY2(qAbs(view.start - newStart) <= 1 && qAbs(view.end - newEnd) <= 1,
                 qPrintable(QString("%1..%2").arg(view.start).arg(view.end)));
        QVERIFY(view.start >= 0 && view.start < view.end && view.end <= 86400);
    }

    void scrollingStaysInsideTheDay()
    {
        View view = makeView(100, 1300); // 20 s a division
        view = scrollEarlier(view);
        QCOMPARE(view.start, 80.0);
        for (int i = 0; i < 200; ++i)
            view = scrollEarlier(view);
        QCOMPARE(view.start, 0.0);
        QCOMPARE(view.end, 1200.0);
        view = makeView(85000.5, 86399.5);
        for (int i = 0; i < 200; ++i)
            view = scrollLater(view);
        QCOMPARE(view.end, 86400.0);
        QCOMPARE(view.start, 85001.0);
    }

    void goToTimeAtTheDayEdgeKeepsAMinimumSpan()
    {
        const Plot p = plot();
        View view = makeView(40000, 44000);
        for (int i = 0; i < 30; ++i) {
            const GoToResult r = goToTime(p, view, 23, 59, 59);
            QVERIFY(r.ok);
            view = r.view;
            QVERIFY(view.span() >= minimumSpan);
            QVERIFY(view.end <= 86400);
            QVERIFY(qAbs(timeAtX(p, view, r.cursorX) - 86399) <= view.secPerDiv / p.pxPerDivX);
        }
        const GoToResult centre = goToTime(p, makeView(0, 3600), 12, 0, 0);
        QCOMPARE(centre.view.start, 43200.0 - 1800);
        QVERIFY(qAbs(centre.cursorX - (p.left + p.width() / 2)) <= 1); // truncated like every x
        QCOMPARE(centre.cursorY, p.height() / 2);
        QVERIFY(!goToTime(p, view, 24, 0, 1).ok);
        QVERIFY(!goToTime(p, view, 0, 0, -1).ok);
    }

    void traceKeepsPeaksWithFewSegments()
    {
        const Plot p = plot();
        const View whole = showWholeRange();
        std::vector<std::int32_t> seconds(86400), values(86400);
        std::vector<std::uint8_t> breaks(86400, 0);
        for (int i = 0; i < 86400; ++i) {
            seconds[std::size_t(i)] = i;
            values[std::size_t(i)] = 100;
        }
        breaks[0] = 1;
        values[50000] = 1000; // one second's peak
        const Scale scale{1000, 0};
        const auto lines = traceLines(p, whole, scale, seconds, breaks, values);
        QVERIFY(lines.size() < 4 * std::size_t(p.width()));
        const int peakX = xOfTime(p, whole, 50000);
        bool peak = false;
        for (const QLine& line : lines)
            peak = peak || (line.x2() == peakX && line.y2() == yOfValue(p, scale, 1000));
        QVERIFY(peak);
    }

    void traceBreaksAndSkipsBadTimes()
    {
        const Plot p = plot();
        const View view = makeView(0, 600);
        const Scale scale{100, 0};
        const std::vector<std::int32_t> seconds{60, 120, 180, 240, 90000, 300};
        const std::vector<std::uint8_t> breaks{1, 0, 1, 0, 0, 0};
        const std::vector<std::int32_t> values{0, 50, 0, 50, 100, 50};
        const auto lines = traceLines(p, view, scale, seconds, breaks, values);
        QCOMPARE(lines.size(), std::size_t(3));
        // After the link was lost at 180 s the curve starts again from the bottom there.
        QCOMPARE(lines[1].p1(), QPoint(xOfTime(p, view, 180), p.bottom));
        // The record at 90000 s is no moment of the day: the pen goes on from 240 to 300 s.
        QCOMPARE(lines[2].p1(), QPoint(xOfTime(p, view, 240), yOfValue(p, scale, 50)));
        QVERIFY(traceLines(p, view, Scale{}, seconds, breaks, values).empty());
    }
};

QTEST_APPLESS_MAIN(tst_graph_math)
#include "tst_graph_math.moc"
