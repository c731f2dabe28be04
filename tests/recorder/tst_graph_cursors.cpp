// SPDX-License-Identifier: MIT
// The A/B cursors and the time axis over several days, without a window.
#include "GraphCursors.h"
#include "GraphGeometry.h"
#include "MultiDayAxis.h"

#include <QTest>
#include <vector>

Q_DECLARE_METATYPE(std::vector<std::int32_t>)
Q_DECLARE_METATYPE(DbDate)

namespace {

// Records every 10 s from 0 to 300, then none until 3600 (a gap), then 3600 and 3610.
std::vector<std::int32_t> timesWithGap()
{
    std::vector<std::int32_t> times;
    for (int t = 0; t <= 300; t += 10)
        times.push_back(t);
    times.push_back(3600);
    times.push_back(3610);
    return times;
}

} // namespace

class tst_graph_cursors : public QObject
{
    Q_OBJECT

private slots:
    void snapsToNearestRecord_data()
    {
        QTest::addColumn<double>("t");
        QTest::addColumn<int>("index");
        // Times 0, 10, 20, 20, 40.
        QTest::newRow("before the first") << -5.0 << 0;
        QTest::newRow("nearer the first") << 4.0 << 0;
        QTest::newRow("half way: the earlier") << 5.0 << 0;
        QTest::newRow("nearer the second") << 6.0 << 1;
        QTest::newRow("equal times: the first of them") << 20.0 << 2;
        QTest::newRow("just before equal times") << 19.0 << 2;
        QTest::newRow("nearer the last") << 31.0 << 4;
        QTest::newRow("after the last") << 100.0 << 4;
    }
    void snapsToNearestRecord()
    {
        QFETCH(double, t);
        QFETCH(int, index);
        const std::vector<std::int32_t> times{0, 10, 20, 20, 40};
        QCOMPARE(cursors::snapToRecord(times, t), std::size_t(index));
    }

    void movesByRecordAndMinute_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("records"); // steps by record (0: by minute instead)
        QTest::addColumn<int>("minutes"); // +1 or -1
        QTest::addColumn<int>("to");
        QTest::newRow("next record") << 3 << 1 << 0 << 4;
        QTest::newRow("previous record") << 3 << -1 << 0 << 2;
        QTest::newRow("no record before the first") << 0 << -1 << 0 << 0;
        QTest::newRow("no record after the last") << 32 << 1 << 0 << 32;
        QTest::newRow("a minute on") << 0 << 0 << 1 << 6;
        QTest::newRow("a minute back") << 12 << 0 << -1 << 6;
        QTest::newRow("a minute on across a gap") << 30 << 0 << 1 << 31;
        QTest::newRow("a minute back across a gap") << 32 << 0 << -1 << 30;
        QTest::newRow("a minute on from near the end") << 31 << 0 << 1 << 32;
        QTest::newRow("a minute back from near the start") << 2 << 0 << -1 << 0;
    }
    void movesByRecordAndMinute()
    {
        QFETCH(int, from);
        QFETCH(int, records);
        QFETCH(int, minutes);
        QFETCH(int, to);
        const std::vector<std::int32_t> times = timesWithGap();
        const std::size_t moved = records != 0 ? cursors::stepByRecords(times, std::size_t(from), records)
                                               : cursors::stepByMinute(times, std::size_t(from), minutes);
        QCOMPARE(moved, std::size_t(to));
    }

    void withoutRecordsStaysAtZero()
    {
        const std::vector<std::int32_t> none;
        QCOMPARE(cursors::snapToRecord(none, 10), std::size_t(0));
        QCOMPARE(cursors::stepByRecords(none, 0, 1), std::size_t(0));
        QCOMPARE(cursors::stepByMinute(none, 0, -1), std::size_t(0));
    }

    void deltaTime_data()
    {
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<QString>("text");
        QTest::newRow("same record") << 5.0 << 5.0 << QStringLiteral("00:00:00");
        QTest::newRow("within a day") << 100.0 << 3761.0 << QStringLiteral("01:01:01");
        QTest::newRow("across two midnights") << 3600.0 << 2.0 * 86400 + 7205 << QStringLiteral("49:00:05");
        QTest::newRow("B before A") << 60.0 << 0.0 << QStringLiteral("-00:01:00");
    }
    void deltaTime()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(QString, text);
        QCOMPARE(cursors::deltaText(a, b), text);
    }

    // Values in physical units with the decimals of each channel's divisor;
    // the difference is exact (no 0.0999999).
    void readsChannels_data()
    {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<int>("rawA");
        QTest::addColumn<int>("rawB");
        QTest::addColumn<QString>("atA");
        QTest::addColumn<QString>("atB");
        QTest::addColumn<QString>("difference");
        QTest::addColumn<QString>("unit");
        QTest::newRow("divisor 10") << 0 << 157 << 156 << QString::fromUtf8("15.7")
                                    << QString::fromUtf8("15.6") << QString::fromUtf8("-0.1")
                                    << QString::fromUtf8("A");
        QTest::newRow("divisor 100") << 30 << 12345 << 12300 << QString::fromUtf8("123.45")
                                     << QString::fromUtf8("123.00") << QString::fromUtf8("-0.45")
                                     << QString::fromUtf8("kVA");
        QTest::newRow("divisor 1") << 14 << 7 << 9 << QString::fromUtf8("7") << QString::fromUtf8("9")
                                   << QString::fromUtf8("2") << QString::fromUtf8("s");
        QTest::newRow("divisor 1000, no unit")
            << 33 << 1500 << 2250 << QString::fromUtf8("1.500") << QString::fromUtf8("2.250")
            << QString::fromUtf8("0.750") << QString::fromUtf8("");
        QTest::newRow("extremes do not overflow")
            << 15 << -2147483647 - 1 << 2147483647 << QString::fromUtf8("-2147483648")
            << QString::fromUtf8("2147483647") << QString::fromUtf8("4294967295") << QString::fromUtf8("V");
    }
    void readsChannels()
    {
        QFETCH(int, quantity);
        QFETCH(int, rawA);
        QFETCH(int, rawB);
        const cursors::ChannelReading reading = cursors::readChannel(quantity, rawA, rawB);
        QTEST(reading.atA, "atA");
        QTEST(reading.atB, "atB");
        QTEST(reading.difference, "difference");
        QTEST(reading.unit, "unit");
    }

    void readingIsOneLineOfText()
    {
        QCOMPARE(cursors::readingLine(QStringLiteral("Kanał 1"), cursors::readChannel(0, 157, 174)),
                 QStringLiteral("Kanał 1: A 15.7 A, B 17.4 A, B−A 1.7 A"));
        QCOMPARE(cursors::readingLine(QStringLiteral("Kanał 2"), cursors::readChannel(33, 1000, 900)),
                 QStringLiteral("Kanał 2: A 1.000, B 0.900, B−A -0.100"));
    }

    // The read-out of a series at two records: channels without a quantity read empty.
    void readsTheShownChannelsOfASeries()
    {
        PlotSeries series;
        series.seconds = {0, 10, 86400 + 20};
        series.penBreaks = {1, 0, 0};
        series.values[0] = {150, 151, 162};
        series.values[3] = {40, 41, 45};
        const channels::Quantities quantities{0, channels::noQuantity, channels::noQuantity, 36,
                                              channels::noQuantity};
        const cursors::CursorReadout readout = cursors::readCursors(series, quantities, 1, 2);
        QCOMPARE(readout.delta, QStringLiteral("24:00:10"));
        QVERIFY(readout.channels[0]);
        QCOMPARE(readout.channels[0]->difference, QStringLiteral("1.1"));
        QVERIFY(!readout.channels[1] && !readout.channels[2] && !readout.channels[4]);
        QCOMPARE(readout.channels[3]->atB, QStringLiteral("45"));
        QVERIFY(cursors::readCursors(series, quantities, 1, 3).delta.isEmpty()); // no record 3
    }

    // Calendar days, whatever the clock did that day.
    void countsCalendarDays_data()
    {
        QTest::addColumn<DbDate>("first");
        QTest::addColumn<DbDate>("date");
        QTest::addColumn<int>("days");
        QTest::newRow("same day") << DbDate{8, 12, 2025} << DbDate{8, 12, 2025} << 0;
        QTest::newRow("leap day") << DbDate{28, 2, 2024} << DbDate{1, 3, 2024} << 2;
        QTest::newRow("not a leap year") << DbDate{28, 2, 2025} << DbDate{1, 3, 2025} << 1;
        QTest::newRow("new year") << DbDate{31, 12, 2025} << DbDate{1, 1, 2026} << 1;
        QTest::newRow("summer time starts") << DbDate{29, 3, 2026} << DbDate{30, 3, 2026} << 1;
        QTest::newRow("summer time ends") << DbDate{25, 10, 2025} << DbDate{27, 10, 2025} << 2;
        QTest::newRow("a month") << DbDate{15, 11, 2025} << DbDate{14, 12, 2025} << 29;
        QTest::newRow("earlier") << DbDate{1, 1, 2026} << DbDate{30, 12, 2025} << -2;
    }
    void countsCalendarDays()
    {
        QFETCH(DbDate, first);
        QFETCH(DbDate, date);
        QFETCH(int, days);
        QCOMPARE(multiday::daysBetween(first, date), days);
        QVERIFY(multiday::dateAfter(first, days) == date);
        const multiday::Axis axis = multiday::axisFor(first, date);
        QCOMPARE(axis.days, std::max(days + 1, 1));
        QCOMPARE(axis.timeOf(date, 3661), days * 86400 + 3661);
    }

    // One day is the day graph: the same times, whole view and labels.
    void oneDayIsTheDayGraph()
    {
        const multiday::Axis axis = multiday::axisFor({8, 12, 2025}, {8, 12, 2025});
        QCOMPARE(axis.timeOf({8, 12, 2025}, 45296), 45296);
        const graphmath::View whole = multiday::wholeAxis(axis);
        QCOMPARE(whole.start, graphmath::showWholeRange().start);
        QCOMPARE(whole.end, graphmath::showWholeRange().end);
        QCOMPARE(whole.secPerDiv, graphmath::showWholeRange().secPerDiv);
        for (const graphmath::View& view :
             {whole, graphmath::makeView(3600, 7200), graphmath::makeView(45000, 45600),
              graphmath::makeView(10.5, 97.25)}) {
            for (int j = 0; j <= graphmath::divisionsX; ++j) {
                const multiday::TickLabel label = multiday::tickLabel(axis, view, j);
                QCOMPARE(label.time, graphmath::axisLabel(view, j));
                QVERIFY(label.date.isEmpty());
            }
        }
        QCOMPARE(multiday::cursorText(axis, 3661), QStringLiteral("01:01:01"));
    }

    // Three days: the date where the day changes, the time of day as the day graph labels it.
    void labelsDatesAtDayChanges_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<int>("division");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("date");
        const double day = 86400;
        QTest::newRow("whole range, start")
            << 0.0 << 3 * day << 0 << QString::fromUtf8("godz.00:00") << QString::fromUtf8("08.12.2025");
        QTest::newRow("whole range, noon")
            << 0.0 << 3 * day << 10 << QString::fromUtf8("godz.12:00") << QString::fromUtf8("");
        QTest::newRow("whole range, second midnight")
            << 0.0 << 3 * day << 20 << QString::fromUtf8("godz.00:00") << QString::fromUtf8("09.12.2025");
        QTest::newRow("whole range, after it")
            << 0.0 << 3 * day << 21 << QString::fromUtf8("godz.01:12") << QString::fromUtf8("");
        QTest::newRow("whole range, end")
            << 0.0 << 3 * day << 60 << QString::fromUtf8("godz.00:00") << QString::fromUtf8("11.12.2025");
        QTest::newRow("around midnight, start")
            << day - 1800 << day + 1800 << 0 << QString::fromUtf8("godz.23:30")
            << QString::fromUtf8("08.12.2025");
        QTest::newRow("around midnight, before")
            << day - 1800 << day + 1800 << 29 << QString::fromUtf8("godz.23:59") << QString::fromUtf8("");
        QTest::newRow("around midnight, at it")
            << day - 1800 << day + 1800 << 30 << QString::fromUtf8("godz.00:00")
            << QString::fromUtf8("09.12.2025");
        QTest::newRow("minutes at midnight")
            << 2 * day - 300 << 2 * day + 300 << 30 << QString::fromUtf8("min.00:00")
            << QString::fromUtf8("10.12.2025");
        QTest::newRow("minutes after midnight") << 2 * day - 300 << 2 * day + 300 << 31
                                                << QString::fromUtf8("min.00:10") << QString::fromUtf8("");
    }
    void labelsDatesAtDayChanges()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(int, division);
        const multiday::Axis axis = multiday::axisFor({8, 12, 2025}, {10, 12, 2025});
        const multiday::TickLabel label =
            multiday::tickLabel(axis, graphmath::makeView(start, end), division);
        QTEST(label.time, "time");
        QTEST(label.date, "date");
    }

    // The graph's buttons and mouse on the axis: one day moves exactly as the
    // day graph; three days move over the whole axis, views inside it.
    void navigationOverTheAxis()
    {
        const graphmath::Plot plot = graphmath::Plot::forClient({630, 300}); // 10 px per division
        const multiday::Axis day = multiday::axisFor({8, 12, 2025}, {8, 12, 2025});
        const auto same = [](const graphmath::View& a, const graphmath::View& b) {
            return a.start == b.start && a.end == b.end && a.secPerDiv == b.secPerDiv;
        };
        for (const graphmath::View& view : {graphmath::showWholeRange(), graphmath::makeView(3600, 7200),
                                            graphmath::makeView(86000, 86400)}) {
            QVERIFY(same(multiday::scrollEarlier(day, view), graphmath::scrollEarlier(view)));
            QVERIFY(same(multiday::scrollLater(day, view), graphmath::scrollLater(view)));
            QVERIFY(same(multiday::zoomInAt(day, plot, view, 200), graphmath::zoomInAt(plot, view, 200)));
            QVERIFY(same(multiday::zoomOutAt(day, plot, view, 200), graphmath::zoomOutAt(plot, view, 200)));
            QVERIFY(same(multiday::zoomToRange(day, plot, view, 300, 100),
                         graphmath::zoomToRange(plot, view, 100, 300)));
            QVERIFY(same(multiday::goToTime(day, plot, view, 45296).view,
                         graphmath::goToTime(plot, view, 12, 34, 56).view));
        }
        QVERIFY(!multiday::goToTime(day, plot, graphmath::showWholeRange(), 86401).ok);

        const multiday::Axis days = multiday::axisFor({8, 12, 2025}, {10, 12, 2025});
        const graphmath::View whole = multiday::wholeAxis(days);
        QVERIFY(same(multiday::scrollEarlier(days, whole), whole));
        QVERIFY(same(multiday::zoomOutAt(days, plot, whole, 300), whole));
        const graphmath::View hour = graphmath::makeView(86400, 90000);
        QCOMPARE(multiday::scrollLater(days, hour).start, 86460.0); // one division
        QCOMPARE(multiday::scrollEarlier(days, hour).end, 89940.0);
        // Zooming keeps the time under x where it is: x 320 is the middle, 88200 s.
        const graphmath::View in = multiday::zoomInAt(days, plot, hour, 320);
        QCOMPARE(in.span(), 3600 / 1.3);
        QCOMPARE((in.start + in.end) / 2, 88200.0);
        QVERIFY(same(multiday::zoomOutAt(days, plot, graphmath::makeView(0, 200000), 20),
                     graphmath::makeView(0, 3 * 86400.0)));
        // A selection without width is widened to a minute; one past the end ends there.
        const graphmath::View picked = multiday::zoomToRange(days, plot, whole, 320, 320);
        QCOMPARE(picked.span(), 60.0);
        QVERIFY(picked.start < 1.5 * 86400 && picked.end > 1.5 * 86400);
        QCOMPARE(multiday::zoomToRange(days, plot, whole, 500, 900).end, 3 * 86400.0);
        // Going to a time of day two centres it with the cursor on it; outside the axis nothing.
        const graphmath::GoToResult there = multiday::goToTime(days, plot, hour, 2 * 86400 - 600);
        QVERIFY(there.ok);
        QCOMPARE(there.view.start, 2 * 86400 - 600 - 1800.0);
        QCOMPARE(there.cursorX, 320);
        QVERIFY(!multiday::goToTime(days, plot, hour, 3 * 86400 + 1).ok);
        QVERIFY(!multiday::goToTime(days, plot, hour, -1).ok);
    }

    void cursorTextCarriesTheDate()
    {
        const multiday::Axis axis = multiday::axisFor({31, 12, 2025}, {2, 1, 2026});
        QCOMPARE(multiday::cursorText(axis, 86400 + 3661), QStringLiteral("01.01.2026 01:01:01"));
        QCOMPARE(multiday::cursorText(axis, -5), QStringLiteral("31.12.2025 00:00:00"));
        QCOMPARE(multiday::cursorText(axis, 10 * 86400), QStringLiteral("02.01.2026 23:59:59"));
    }

    void navigationStaysOnTheAxis_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("share"); // pan by this share (0: zoom instead)
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("wantStart");
        QTest::addColumn<double>("wantEnd");
        QTest::newRow("pan later") << 3 << 0.0 << 86400.0 << 0.5 << 0.0 << 43200.0 << 129600.0;
        QTest::newRow("pan past the end") << 3 << 172800.0 << 259200.0 << 0.5 << 0.0 << 172800.0 << 259200.0;
        QTest::newRow("pan before the start") << 3 << 3600.0 << 7200.0 << -2.0 << 0.0 << 0.0 << 3600.0;
        QTest::newRow("zoom in around midnight") << 3 << 0.0 << 172800.0 << 0.0 << 0.5 << 43200.0 << 129600.0;
        QTest::newRow("zoom in stops at a minute")
            << 3 << 86380.0 << 86440.0 << 0.0 << 0.5 << 86380.0 << 86440.0;
        QTest::newRow("zoom out stops at the axis") << 3 << 0.0 << 172800.0 << 0.0 << 4.0 << 0.0 << 259200.0;
        QTest::newRow("one day: as the day graph")
            << 1 << 80000.0 << 86400.0 << 0.5 << 0.0 << 80000.0 << 86400.0;
    }
    void navigationStaysOnTheAxis()
    {
        QFETCH(int, days);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(double, share);
        QFETCH(double, factor);
        const multiday::Axis axis{{8, 12, 2025}, days};
        const graphmath::View view = graphmath::makeView(start, end);
        const graphmath::View moved =
            share != 0 ? multiday::panBy(axis, view, share) : multiday::zoomAround(axis, view, 86400, factor);
        QTEST(moved.start, "wantStart");
        QTEST(moved.end, "wantEnd");
        QCOMPARE(moved.secPerDiv, graphmath::secondsPerDivision(moved.start, moved.end));
    }

    // A step longer than three recording intervals is a gap (a missing day
    // among them); midnight between two recorded days is not.
    void findsGaps_data()
    {
        QTest::addColumn<std::vector<std::int32_t>>("times");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QList<int>>("breaks");
        std::vector<std::int32_t> missingDay;
        for (int t = 86400 - 50; t < 86400; t += 10)
            missingDay.push_back(t); // the first day's last minute
        for (int t = 2 * 86400; t < 2 * 86400 + 50; t += 10)
            missingDay.push_back(t); // the third day's first minute
        std::vector<std::int32_t> acrossMidnight;
        for (int t = 86400 - 50; t < 86400 + 50; t += 10)
            acrossMidnight.push_back(t);
        QTest::newRow("a day missing in the middle") << missingDay << 10 << QList<int>{0, 5};
        QTest::newRow("across midnight") << acrossMidnight << 10 << QList<int>{0};
        QTest::newRow("three intervals is no gap")
            << std::vector<std::int32_t>{0, 10, 20, 50, 60, 70} << 10 << QList<int>{0};
        QTest::newRow("four intervals is")
            << std::vector<std::int32_t>{0, 10, 20, 60, 70, 80} << 10 << QList<int>{0, 3};
        QTest::newRow("repeated times")
            << std::vector<std::int32_t>{0, 5, 5, 10, 40} << 5 << QList<int>{0, 4};
        QTest::newRow("one record: interval unknown") << std::vector<std::int32_t>{100} << 0 << QList<int>{0};
    }
    void findsGaps()
    {
        QFETCH(std::vector<std::int32_t>, times);
        QFETCH(int, interval);
        QFETCH(QList<int>, breaks);
        QCOMPARE(multiday::typicalInterval(times), interval);
        std::vector<std::uint8_t> penBreaks(times.size(), 0);
        penBreaks[0] = 1;
        multiday::markGaps(times, penBreaks, multiday::gapLimit(times));
        QList<int> found;
        for (std::size_t i = 0; i < penBreaks.size(); ++i)
            if (penBreaks[i])
                found << int(i);
        QCOMPARE(found, breaks);
        const std::vector<multiday::Segment> runs = multiday::segments(penBreaks);
        QCOMPARE(int(runs.size()), breaks.size());
        for (int r = 0; r < breaks.size(); ++r) {
            QCOMPARE(runs[std::size_t(r)].first, std::size_t(breaks[r]));
            QCOMPARE(runs[std::size_t(r)].end,
                     r + 1 < breaks.size() ? std::size_t(breaks[r + 1]) : times.size());
        }
    }
};

QTEST_GUILESS_MAIN(tst_graph_cursors)
#include "tst_graph_cursors.moc"
