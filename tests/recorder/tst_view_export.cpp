// SPDX-License-Identifier: MIT
// Export of a span of the time axis: which records a span takes from which
// day files, the sheets a long span fills, cancel, and the table read back by
// an independent reader (registered for C and pl_PL).
#include "DayFileFixture.h"
#include "ReadTableBack.h"
#include "RecordingList.h"
#include "ViewExport.h"

#include <QDir>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace viewexport;

namespace {

constexpr int day = multiday::daySeconds;

// Record of `second` with value k raw (k + 1) * 10 + second % 97, negative for odd k.
_tagSTRUCT_DATA sampleRecord(int second)
{
    _tagSTRUCT_DATA record = recordAt(second);
    for (int k = 0; k < DbValueCount; ++k)
        record.nValue[std::size_t(k)] = (k % 2 ? -1 : 1) * ((k + 1) * 10 + second % 97);
    return record;
}

std::vector<_tagSTRUCT_DATA> sampleDay(std::initializer_list<int> seconds)
{
    std::vector<_tagSTRUCT_DATA> records;
    for (const int second : seconds)
        records.push_back(sampleRecord(second));
    return records;
}

// "dd.MM.yyyy hh:mm:ss" of every record the walker gives.
QStringList walk(const QString& folder, const multiday::Axis& axis, const Span& span)
{
    SpanWalker walker(QFile::encodeName(folder).toStdString(), axis, span);
    QStringList seen;
    while (const _tagSTRUCT_DATA* record = walker.next())
        seen << QString::fromStdString(DbDateText(walker.date())) + ' ' + recordings::recordTimeText(*record);
    return seen;
}

} // namespace

class tst_view_export : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    // 8 and 10 December 2025; the 9th has no file.
    const multiday::Axis m_axis{{8, 12, 2025}, 3};

private slots:
    void initTestCase()
    {
        QVERIFY(
            writeDayFile(m_dir.filePath("08122025.db"), {8, 12, 2025}, sampleDay({0, 3600, 3660, 86399})));
        std::vector<_tagSTRUCT_DATA> tenth = sampleDay({0, 60, 86399});
        _tagSTRUCT_DATA damaged = sampleRecord(0);
        damaged.stTime.wHour = 30; // a damaged time: not on the axis
        tenth.insert(tenth.begin() + 1, damaged);
        QVERIFY(writeDayFile(m_dir.filePath("10122025.db"), {10, 12, 2025}, tenth));
    }

    // Both ends of the span are included, as the graph draws a record at either edge.
    void spanTakesTheRecordsInsideIt_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("inside one day, ends included")
            << 3600.0 << 3660.0 << QStringList{"08.12.2025 01:00:00", "08.12.2025 01:01:00"};
        QTest::newRow("ends between records") << 3600.5 << 3659.5 << QStringList{};
        QTest::newRow("three days, the middle one missing")
            << 3660.0 << 2.0 * day + 60
            << QStringList{"08.12.2025 01:01:00", "08.12.2025 23:59:59", "10.12.2025 00:00:00",
                           "10.12.2025 00:01:00"};
        QTest::newRow("midnight of the missing day") << double(day) << double(day) << QStringList{};
        QTest::newRow("whole axis") << 0.0 << 3.0 * day
                                    << QStringList{"08.12.2025 00:00:00", "08.12.2025 01:00:00",
                                                   "08.12.2025 01:01:00", "08.12.2025 23:59:59",
                                                   "10.12.2025 00:00:00", "10.12.2025 00:01:00",
                                                   "10.12.2025 23:59:59"};
        QTest::newRow("outside the axis") << 3.0 * day + 1 << 4.0 * day << QStringList{};
    }
    void spanTakesTheRecordsInsideIt()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(QStringList, records);
        QCOMPARE(walk(m_dir.path(), m_axis, {start, end}), records);
    }

    // Rows of a sheet of 3 (the header and two records): seven records fill
    // four sheets, each with the header; CSV holds the same rows in one table.
    // Read back exactly, dates changing at midnight.
    void spanReadsBackExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("workbook") << "view.xlsx";
        QTest::newRow("csv") << "view.csv";
    }
    void spanReadsBackExactly()
    {
        QFETCH(QString, name);
        QTemporaryDir out;
        const QString target = out.filePath(name);
        const std::atomic<bool> cancel{false};
        std::size_t lastDone = 0;
        const exporting::Result result = writeSpan(
            target, QFile::encodeName(m_dir.path()).toStdString(), m_axis, {0, 3.0 * day}, cancel,
            [&](std::size_t done, std::size_t) { lastDone = done; }, 3);
        QCOMPARE(int(result.outcome), int(exporting::Outcome::Written));
        QCOMPARE(result.rows, std::size_t(7));
        QCOMPARE(lastDone, std::size_t(7));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});

        const QJsonObject table = readTableBack(target, {"--all"});
        const bool workbook = exporting::formatOfPath(target) == exporting::Format::Xlsx;
        if (workbook)
            QCOMPARE(table["sheets"].toArray(), QJsonArray({"Table1", "Table2", "Table3", "Table4"}));
        const QJsonArray headers = table["headers"].toArray();
        QCOMPARE(headers.size(), workbook ? 4 : 1);
        QJsonArray names;
        for (const QString& column : exporting::columnNames())
            names.append(column);
        for (const auto& header : headers)
            QCOMPARE(header.toArray(), names);

        const std::pair<QString, int> expected[] = {
            {"08.12.2025", 0}, {"08.12.2025", 3600}, {"08.12.2025", 3660}, {"08.12.2025", 86399},
            {"10.12.2025", 0}, {"10.12.2025", 60},   {"10.12.2025", 86399}};
        const QJsonArray data = table["data"].toArray();
        QCOMPARE(data.size(), 7);
        for (int r = 0; r < data.size(); ++r) {
            const QJsonArray row = data[r].toArray();
            const auto& [date, second] = expected[r];
            const _tagSTRUCT_DATA record = sampleRecord(second);
            QCOMPARE(row.size(), 55);
            QCOMPARE(row[0].toString(), date);
            QCOMPARE(row[1].toString(), recordings::recordTimeText(record));
            for (int k = 0; k < exporting::valueColumns; ++k)
                QCOMPARE(row[2 + k].toDouble(), exporting::physicalValue(k, record.nValue[std::size_t(k)]));
        }
    }

    // Cancelled halfway through a day of 5000 records: no target, no temporary
    // file, and none left open (a cancelled month would hold gigabytes of
    // deleted temporary file until the program ends).
    void cancelLeavesNoFile()
    {
        const auto openFiles = [] {
            return QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size();
        };
        const qsizetype openBefore = openFiles();
        QTemporaryDir folder;
        std::vector<_tagSTRUCT_DATA> records;
        for (int second = 0; second < 5000; ++second)
            records.push_back(sampleRecord(second));
        QVERIFY(writeDayFile(folder.filePath("08122025.db"), {8, 12, 2025}, records));
        QTemporaryDir out;
        std::atomic<bool> cancel{false};
        std::size_t expected = 0;
        const exporting::Result result =
            writeSpan(out.filePath("view.xlsx"), QFile::encodeName(folder.path()).toStdString(),
                      {{8, 12, 2025}, 1}, {0, day}, cancel, [&](std::size_t, std::size_t rows) {
                          expected = rows;
                          cancel = true;
                      });
        QCOMPARE(int(result.outcome), int(exporting::Outcome::Cancelled));
        QVERIFY(result.rows < 5000);
        QCOMPARE(expected, std::size_t(5000));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
        QCOMPARE(openFiles(), openBefore);
    }
};

QTEST_GUILESS_MAIN(tst_view_export)
#include "tst_view_export.moc"
