// SPDX-License-Identifier: MIT
// The table export read back by an independent reader (openpyxl, Python's
// csv), under whatever locale the suite runs in (registered for C and pl_PL).
#include "ReadTableBack.h"
#include "TableExport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

using namespace exporting;

namespace {

// Row i: time i seconds after midnight; phase current 1 raw 157, cos A raw
// 875, every other quantity k raw k * 10 + i % 7 (negative for odd k).
Rows sampleRows(std::size_t count)
{
    Rows rows;
    rows.date = QStringLiteral("08.12.2025");
    rows.count = count;
    rows.fill = [](std::size_t i, QString& time, RowValues& values) {
        const int t = int(i % 86400);
        time = QString::asprintf("%.2d:%.2d:%.2d", t / 3600, t / 60 % 60, t % 60);
        for (int k = 0; k < valueColumns; ++k)
            values[k] = physicalValue(k, (k % 2 ? -1 : 1) * (k * 10 + int(i % 7)));
        values[0] = physicalValue(0, 157);
        values[33] = physicalValue(33, 875);
    };
    return rows;
}

QJsonObject readBack(const QString& path)
{
    return readTableBack(path);
}

void writeOldFile(const QString& path, const QByteArray& text)
{
    QFile old(path);
    if (old.open(QIODevice::WriteOnly))
        old.write(text);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_table_export : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qInfo() << "LC_NUMERIC" << setlocale(LC_NUMERIC, nullptr); }

    void valuesAreDividedInDouble()
    {
        QCOMPARE(physicalValue(0, 157), 15.7);
        QCOMPARE(physicalValue(33, 875), 0.875);
        QCOMPARE(physicalValue(15, -3), -3.0);
    }

    void tableReadsBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("workbook") << "Table_08122025.xlsx";
        QTest::newRow("csv") << "Table_08122025.csv";
    }
    void tableReadsBack()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const std::atomic<bool> cancel{false};
        const Result result = writeTable(path, sampleRows(3), cancel);
        QCOMPARE(int(result.outcome), int(Outcome::Written));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});

        const QJsonObject table = readBack(path);
        if (formatOfPath(path) == Format::Xlsx)
            QCOMPARE(table["sheets"].toArray(), QJsonArray{"Table1"});
        const QJsonArray header = table["header"].toArray();
        QCOMPARE(header.size(), 55);
        const QStringList names = columnNames();
        for (int c = 0; c < 55; ++c)
            QCOMPARE(header[c].toString(), names[c]);
        QCOMPARE(names[2], QString::fromUtf8("Wartość skuteczna prądu fazowego Ф1, A"));
        QCOMPARE(table["rows"].toInt(), 3);
        const QJsonArray first = table["first"].toArray();
        QCOMPARE(first[0].toString(), QStringLiteral("08.12.2025"));
        QCOMPARE(first[1].toString(), QStringLiteral("00:00:00"));
        QCOMPARE(first[2].toDouble(), 15.7);
        QCOMPARE(first[2 + 33].toDouble(), 0.875);
        QCOMPARE(first[2 + 15].toDouble(), -150.0);
        QCOMPARE(first[2 + 26].toDouble(), 26.0);
        const QJsonArray last = table["last"].toArray();
        QCOMPARE(last[1].toString(), QStringLiteral("00:00:02"));
        QCOMPARE(last[2 + 52].toDouble(), 52.2);
    }

    void emptyRecordingHasTheHeaderOnly()
    {
        QTemporaryDir dir;
        const std::atomic<bool> cancel{false};
        QCOMPARE(int(writeTable(dir.filePath("t.xlsx"), sampleRows(0), cancel).outcome),
                 int(Outcome::Written));
        const QJsonObject table = readBack(dir.filePath("t.xlsx"));
        QCOMPARE(table["header"].toArray().size(), 55);
        QCOMPARE(table["rows"].toInt(), 0);
    }

    void fullDay()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Table_full.xlsx");
        const std::atomic<bool> cancel{false};
        std::size_t lastProgress = 0;
        const Result result =
            writeTable(path, sampleRows(86400), cancel, [&](std::size_t n) { lastProgress = n; });
        QCOMPARE(int(result.outcome), int(Outcome::Written));
        QCOMPARE(lastProgress, std::size_t(86400));
        const QJsonObject table = readBack(path);
        QCOMPARE(table["rows"].toInt(), 86400);
        QCOMPARE(table["last"].toArray()[1].toString(), QStringLiteral("23:59:59"));
        QCOMPARE(table["last"].toArray()[2].toDouble(), 15.7);
    }

    void cancelledExportLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("old.xlsx");
        writeOldFile(path, "the operator's earlier workbook");
        std::atomic<bool> cancel{false};
        const Result result =
            writeTable(path, sampleRows(10000), cancel, [&](std::size_t) { cancel = true; });
        QCOMPARE(int(result.outcome), int(Outcome::Cancelled));
        QVERIFY(result.rows < 10000);
        QCOMPARE(contents(path), QByteArray("the operator's earlier workbook"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.xlsx"});
    }

    // A file-size limit makes the writes fail even for root: the old file stays.
    void failedExportLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("workbook") << "old.xlsx";
        QTest::newRow("csv") << "old.csv";
    }
    void failedExportLeavesTheOldFile()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        writeOldFile(path, "the operator's earlier table");

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const std::atomic<bool> cancel{false};
        const Result result = writeTable(path, sampleRows(20000), cancel);
        setrlimit(RLIMIT_FSIZE, &saved);

        QCOMPARE(int(result.outcome), int(Outcome::Failed));
        QVERIFY(!result.errorDescription.isEmpty());
        QCOMPARE(contents(path), QByteArray("the operator's earlier table"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    void unwritableFolderFails()
    {
        const std::atomic<bool> cancel{false};
        const Result result = writeTable("/nonexistent-folder/t.xlsx", sampleRows(1), cancel);
        QCOMPARE(int(result.outcome), int(Outcome::Failed));
        QVERIFY(!result.errorDescription.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_table_export)
#include "tst_table_export.moc"
