// SPDX-License-Identifier: MIT
// A run of day files loaded for the graph: one axis, gaps, fault starts over
// the whole range, the per-column summary, and appending what the recorder
// has written since. The files are written by the recorder's own writer.
#include "DayFile.h"
#include "DayFileFixture.h"
#include "MultiDayLoad.h"

#include <QTemporaryDir>
#include <QTest>
#include <initializer_list>

namespace {

constexpr int day = 86400;

// A record at a time of day: quantity 0 holds `value`, quantity 28 an
// implausible timer reading (drawn as 0), quantity 36 a temperature; the
// given faults are active.
_tagSTRUCT_DATA sample(int second, int value, std::initializer_list<int> faults = {}, int link = 1)
{
    _tagSTRUCT_DATA record = recordAt(second, link);
    record.nValue[0] = value;
    record.nValue[28] = 700;
    record.nValue[36] = 40 + value;
    for (const int fault : faults)
        record.bFaultActive[std::size_t(fault)] = 1;
    return record;
}

// Appends records to the file of `date` in `folder` through the recorder's writer.
bool record(const QTemporaryDir& folder, const DbDate& date, const std::vector<_tagSTRUCT_DATA>& records)
{
    DayFileWriter writer;
    const DbOpenStatus status = writer.open(folder.path().toStdString(), date);
    if (status != DbOpenStatus::Created && status != DbOpenStatus::Reopened)
        return false;
    for (const _tagSTRUCT_DATA& r : records)
        if (!writer.append(r))
            return false;
    return true;
}

const channels::Quantities shown{0, 28, channels::noQuantity, 36, channels::noQuantity};

// 8 December: the last minute, the link lost at 23:59:20; 9 December missing;
// 10 December: the first minute. Values count the records.
bool writeRunWithMissingDay(const QTemporaryDir& folder)
{
    std::vector<_tagSTRUCT_DATA> first, third;
    for (int i = 0; i < 6; ++i) {
        first.push_back(sample(day - 60 + i * 10, i, {}, i == 2 ? 0 : 1));
        third.push_back(sample(i * 10, 6 + i));
    }
    return record(folder, {8, 12, 2025}, first) && record(folder, {10, 12, 2025}, third);
}

std::vector<int> indexesSet(const std::vector<std::uint8_t>& flags)
{
    std::vector<int> set;
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i])
            set.push_back(int(i));
    return set;
}

} // namespace

class tst_multi_day_load : public QObject
{
    Q_OBJECT

private slots:
    void loadsARunOfDaysWithAMissingDay()
    {
        QTemporaryDir folder;
        QVERIFY(writeRunWithMissingDay(folder));
        const multiday::LoadedRange range =
            multiday::loadDays(folder.path().toStdString(), {8, 12, 2025}, {10, 12, 2025}, shown, 300);

        QCOMPARE(range.axis.days, 3);
        QCOMPARE(range.days.size(), std::size_t(3));
        QVERIFY(range.days[0].status == DbReadStatus::Ok);
        QVERIFY(range.days[1].status == DbReadStatus::OpenFailed);
        QVERIFY(range.days[2].status == DbReadStatus::Ok);
        QCOMPARE(range.days[0].fileRecords, std::uint64_t(6));
        QCOMPARE(range.days[2].firstIndex, std::size_t(6));

        const std::vector<std::int32_t> times{day - 60,     day - 50,     day - 40,     day - 30,
                                              day - 20,     day - 10,     2 * day,      2 * day + 10,
                                              2 * day + 20, 2 * day + 30, 2 * day + 40, 2 * day + 50};
        QCOMPARE(range.series.seconds, times);
        QVERIFY(range.series.timeOrdered);
        QCOMPARE(range.gapLimit, 30);
        // The first record, the lost link, and the first record after the missing day.
        QCOMPARE(indexesSet(range.series.penBreaks), (std::vector<int>{0, 2, 6}));
        QCOMPARE(range.series.values[0], (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
        QCOMPARE(range.series.values[1],
                 std::vector<std::int32_t>(12, 0)); // the timer reading drawn as the graph draws it
        QCOMPARE(range.series.values[3].back(), 51);
        // Channels without a quantity keep nothing.
        QVERIFY(range.series.values[2].empty());
        QVERIFY(range.series.values[4].empty());
    }

    // One column per day: no line joins the days across the missing one.
    void summaryDrawsNoLineAcrossAGap()
    {
        QTemporaryDir folder;
        QVERIFY(writeRunWithMissingDay(folder));
        const multiday::LoadedRange range =
            multiday::loadDays(folder.path().toStdString(), {8, 12, 2025}, {10, 12, 2025}, shown, 3);
        const multiday::ColumnSummary& summary = range.summary;
        QCOMPARE(summary.filled, (std::vector<std::uint8_t>{1, 0, 1}));
        QCOMPARE(summary.startsRun, (std::vector<std::uint8_t>{1, 0, 1}));
        // Records at a pen break are not drawn: 0 and 2 (first, link lost), 6 (after the gap).
        QCOMPARE(summary.low[0], (std::vector<std::int32_t>{1, 0, 7}));
        QCOMPARE(summary.high[0], (std::vector<std::int32_t>{5, 0, 11}));
        QVERIFY(summary.low[2].empty());

        const graphmath::Plot plot = graphmath::Plot::forClient(QSize(620, 230));
        const std::vector<QLine> lines = multiday::summaryLines(plot, {20, 0}, summary, 0);
        QCOMPARE(lines.size(), std::size_t(2));
        for (const QLine& line : lines)
            QCOMPARE(line.x1(), line.x2());
        QVERIFY(lines[0].x1() < lines[1].x1());

        // Two days recorded across midnight: the columns are joined.
        QTemporaryDir across;
        std::vector<_tagSTRUCT_DATA> before, after;
        for (int i = 0; i < 6; ++i) {
            before.push_back(sample(day - 60 + i * 10, i));
            after.push_back(sample(i * 10, 6 + i));
        }
        QVERIFY(record(across, {8, 12, 2025}, before) && record(across, {9, 12, 2025}, after));
        const multiday::LoadedRange joined =
            multiday::loadDays(across.path().toStdString(), {8, 12, 2025}, {9, 12, 2025}, shown, 2);
        QCOMPARE(joined.summary.startsRun, (std::vector<std::uint8_t>{1, 0}));
        const std::vector<QLine> joinedLines = multiday::summaryLines(plot, {20, 0}, joined.summary, 0);
        QCOMPARE(joinedLines.size(), std::size_t(3)); // a column, the join, a column
        QCOMPARE(joinedLines[1].p1(), joinedLines[0].p2());
        QCOMPARE(joinedLines[1].p2(), joinedLines[2].p1());
    }

    // A summary with four columns per column of the view gives, gathered, what
    // summarising the records for that view gives: over the whole range and
    // over a part of it (with a lost link and a gap inside).
    void finerSummaryServesItsViews()
    {
        PlotSeries series;
        for (int i = 0; i < 3 * day / 10; ++i) {
            const std::int32_t t = 7 + 10 * i; // never on a column's edge
            if (t > day + 3600 && t < day + 7200)
                continue; // a gap of an hour
            series.seconds.push_back(t);
            series.penBreaks.push_back(i == 0 || (t > 50000 && t < 50100) || t == day + 7207);
            series.values[0].push_back((i * 37) % 101 - 20);
            series.values[3].push_back(i % 7);
        }
        const multiday::ColumnSummary fine = multiday::summarize(series, 0, 3 * day, 160);
        const auto same = [](const multiday::ColumnSummary& a, const multiday::ColumnSummary& b) {
            return a.filled == b.filled && a.startsRun == b.startsRun && a.low == b.low && a.high == b.high &&
                   a.columns == b.columns;
        };
        QVERIFY(same(multiday::summaryOfView(fine, graphmath::makeView(0, 3 * day), 40),
                     multiday::summarize(series, 0, 3 * day, 40)));
        const double column = 3.0 * day / 160;
        const multiday::ColumnSummary part =
            multiday::summaryOfView(fine, graphmath::makeView(20 * column, 100 * column), 20);
        QVERIFY(same(part, multiday::summarize(series, 20 * column, 100 * column, 20)));
        QCOMPARE(part.start, 20 * column);
        QVERIFY(std::count(part.filled.begin(), part.filled.end(), 0) == 0);
        QVERIFY(std::count(part.startsRun.begin(), part.startsRun.end(), 1) == 2); // the link, the gap
        QVERIFY(part.low[1].empty());
    }

    // Fault starts over the whole range: a fault active across midnight
    // started once, the day before.
    void faultStartsOverTheRange()
    {
        QTemporaryDir folder;
        QVERIFY(record(folder, {8, 12, 2025},
                       {sample(day - 30, 0, {7}), sample(day - 20, 0, {3, 7}), sample(day - 10, 0, {3, 7})}));
        QVERIFY(
            record(folder, {9, 12, 2025},
                   {sample(0, 0, {3, 7}), sample(10, 0, {3, 5, 7}), sample(20, 0, {}), sample(30, 0, {3})}));
        const multiday::LoadedRange range =
            multiday::loadDays(folder.path().toStdString(), {8, 12, 2025}, {9, 12, 2025}, shown, 100);
        struct Want
        {
            DbDate date;
            int fault;
            QString time;
            std::int32_t axisTime;
        };
        const std::vector<Want> want{{{8, 12, 2025}, 7, QStringLiteral("23:59:30"), day - 30},
                                     {{8, 12, 2025}, 3, QStringLiteral("23:59:40"), day - 20},
                                     {{9, 12, 2025}, 5, QStringLiteral("00:00:10"), day + 10},
                                     {{9, 12, 2025}, 3, QStringLiteral("00:00:30"), day + 30}};
        QCOMPARE(range.faults.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            QVERIFY(range.faults[i].date == want[i].date);
            QCOMPARE(range.faults[i].start.fault, want[i].fault);
            QCOMPARE(range.faults[i].start.time, want[i].time);
            QCOMPARE(range.faults[i].time, want[i].axisTime);
        }

        // Across a missing day nothing is known: a fault active on both sides is listed again.
        QVERIFY(record(folder, {11, 12, 2025}, {sample(0, 0, {3})}));
        const multiday::LoadedRange withGap =
            multiday::loadDays(folder.path().toStdString(), {8, 12, 2025}, {11, 12, 2025}, shown, 100);
        QCOMPARE(withGap.faults.size(), want.size() + 1);
        QVERIFY(withGap.faults.back().date == DbDate({11, 12, 2025}));
        QCOMPARE(withGap.faults.back().start.fault, 3);
        QCOMPARE(withGap.faults.back().time, 3 * day);
    }

    // The day being recorded: write N records, load, write M more; the append
    // reads exactly the M new ones, in order, and nothing the second time.
    void appendsOnlyWhatWasAdded_data()
    {
        QTest::addColumn<int>("loaded");
        QTest::addColumn<int>("added");
        QTest::addColumn<bool>("fileBeforeLoading");
        QTest::newRow("fifty, then seven") << 50 << 7 << true;
        QTest::newRow("one, then five (interval learnt late)") << 1 << 5 << true;
        QTest::newRow("an empty file") << 0 << 3 << true;
        QTest::newRow("no file yet") << 0 << 4 << false;
    }
    void appendsOnlyWhatWasAdded()
    {
        QFETCH(int, loaded);
        QFETCH(int, added);
        QFETCH(bool, fileBeforeLoading);
        QTemporaryDir folder;
        const DbDate today{10, 12, 2025};
        const std::filesystem::path path = folder.path().toStdString();
        // Fault 2 is active from the last loaded record on: it starts once.
        const auto nth = [&](int i) { return sample(3600 + i * 10, 100 + i, {}, 1); };
        std::vector<_tagSTRUCT_DATA> first, more;
        for (int i = 0; i < loaded; ++i)
            first.push_back(nth(i));
        for (int i = loaded; i < loaded + added; ++i)
            more.push_back(nth(i));
        for (auto* part : {&first, &more})
            for (_tagSTRUCT_DATA& r : *part)
                r.bFaultActive[2] = DbSecondOfDay(r) >= 3600 + (loaded - 1) * 10;

        DayFileWriter writer;
        if (fileBeforeLoading) {
            QVERIFY(writer.open(path, today) == DbOpenStatus::Created);
            for (const _tagSTRUCT_DATA& r : first)
                QVERIFY(writer.append(r));
        }
        multiday::LoadedRange range = multiday::loadDays(path, today, today, shown, 600);
        QCOMPARE(range.series.seconds.size(), std::size_t(loaded));
        if (!fileBeforeLoading)
            QVERIFY(writer.open(path, today) == DbOpenStatus::Created);
        for (const _tagSTRUCT_DATA& r : more)
            QVERIFY(writer.append(r));

        QCOMPARE(multiday::appendNewRecords(range, path), std::size_t(added));
        QCOMPARE(range.series.seconds.size(), std::size_t(loaded + added));
        for (int i = 0; i < loaded + added; ++i) {
            QCOMPARE(range.series.seconds[std::size_t(i)], 3600 + i * 10);
            QCOMPARE(range.series.values[0][std::size_t(i)], 100 + i);
            // One line from the first record on: no gap where the load ended.
            QCOMPARE(range.series.penBreaks[std::size_t(i)], std::uint8_t(i == 0));
        }
        QVERIFY(range.series.timeOrdered);
        QCOMPARE(range.days.back().fileRecords, std::uint64_t(loaded + added));
        QCOMPARE(range.faults.size(), std::size_t(1));
        QCOMPARE(range.faults[0].start.fault, 2);
        QCOMPARE(range.faults[0].time, 3600 + std::max(loaded - 1, 0) * 10);
        // The summary follows: the last record's column is filled.
        const auto lastColumn = std::size_t(double(3600 + (loaded + added - 1) * 10) * 600 / day);
        QVERIFY(range.summary.filled[lastColumn]);

        QCOMPARE(multiday::appendNewRecords(range, path), std::size_t(0));
        QVERIFY(writer.append(nth(loaded + added)));
        QCOMPARE(multiday::appendNewRecords(range, path), std::size_t(1));
        QCOMPARE(range.series.seconds.back(), 3600 + (loaded + added) * 10);
    }

    // Past midnight the recorder writes the next day's file: the range grows
    // by that day and the records join the line without a gap or a repeated fault.
    void followsTheRecorderIntoANewDay()
    {
        QTemporaryDir folder;
        const std::filesystem::path path = folder.path().toStdString();
        QVERIFY(record(folder, {8, 12, 2025},
                       {sample(day - 30, 1, {4}), sample(day - 20, 2, {4}), sample(day - 10, 3, {4})}));
        multiday::LoadedRange range = multiday::loadDays(path, {8, 12, 2025}, {8, 12, 2025}, shown, 600);
        multiday::extendTo(range, {8, 12, 2025}, 600);
        QCOMPARE(range.axis.days, 1);

        multiday::extendTo(range, {9, 12, 2025}, 600);
        QCOMPARE(range.axis.days, 2);
        QCOMPARE(range.days.size(), std::size_t(2));
        QCOMPARE(range.summary.columns, 600);
        QCOMPARE(multiday::appendNewRecords(range, path), std::size_t(0)); // no file yet
        QVERIFY(record(folder, {9, 12, 2025}, {sample(0, 4, {4}), sample(10, 5, {4})}));
        QCOMPARE(multiday::appendNewRecords(range, path), std::size_t(2));
        QCOMPARE(range.series.seconds,
                 (std::vector<std::int32_t>{day - 30, day - 20, day - 10, day, day + 10}));
        QCOMPARE(range.series.penBreaks, (std::vector<std::uint8_t>{1, 0, 0, 0, 0}));
        QCOMPARE(range.faults.size(), std::size_t(1));
        QCOMPARE(range.days[1].firstIndex, std::size_t(3));
        QVERIFY(range.summary.filled[std::size_t((day + 10) * 600.0 / (2 * day))]);
    }
};

QTEST_GUILESS_MAIN(tst_multi_day_load)
#include "tst_multi_day_load.moc"
