// SPDX-License-Identifier: MIT
// Day files byte by byte: name, header, record layout, flag packing, the header
// check, the partial-record rule, the writer's lock and its checked appends.
#include "DayFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/types.h>

namespace {

QByteArray hex(std::span<const std::uint8_t> bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex(' ');
}

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

_tagSTRUCT_DATA sampleRecord(int seed)
{
    _tagSTRUCT_DATA record;
    record.nLinkState = seed % 2;
    record.stTime.wHour = static_cast<std::uint16_t>(seed % 24);
    record.stTime.wMinute = static_cast<std::uint16_t>(seed % 60);
    record.stTime.wSecond = static_cast<std::uint16_t>((seed * 7) % 60);
    for (int i = 0; i < DbFaultCount; ++i)
        record.bFaultActive[i] = (i * seed) % 3 == 0 ? 1 : 0;
    for (int k = 0; k < DbValueCount; ++k)
        record.nValue[k] = (k % 2 ? -1 : 1) * (seed * 1000 + k);
    return record;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray validFile(const DbDate& date, int records, int trailing = 0)
{
    const DbHeaderBytes header = EncodeDbHeader(date);
    QByteArray bytes(reinterpret_cast<const char*>(header.data()), qsizetype(header.size()));
    for (int n = 0; n < records; ++n) {
        const DbRecordBytes record = EncodeDbRecord(sampleRecord(n + 1));
        bytes.append(reinterpret_cast<const char*>(record.data()), qsizetype(record.size()));
    }
    bytes.append(QByteArray(trailing, '\x5a'));
    return bytes;
}

std::span<const std::uint8_t> span(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

// Writes only part of what it is given, as a full device does.
ssize_t shortWrite(int fd, const void* buffer, size_t size, off_t offset)
{
    return ::pwrite(fd, buffer, size / 2, offset);
}

ssize_t refusedWrite(int, const void*, size_t, off_t)
{
    errno = ENOSPC;
    return -1;
}

} // namespace

class tst_DayFile : public QObject
{
    Q_OBJECT

private slots:
    void nameAndHeaderBytes()
    {
        const DbDate date{8, 12, 2025};
        QCOMPARE(QString::fromStdString(DbFileName(date)), QStringLiteral("08122025.db"));
        QCOMPARE(QString::fromStdString(DbFileName({31, 1, 2026})), QStringLiteral("31012026.db"));

        const DbHeaderBytes header = EncodeDbHeader(date);
        QCOMPARE(hex(std::span(header).subspan(0, 8)), QByteArray("44 42 00 00 00 00 00 28"));
        QCOMPARE(hex(std::span(header).subspan(8, 8)), QByteArray("00 00 00 08 00 0c 07 e9"));
        QCOMPARE(hex(std::span(header).subspan(16, 8)), QByteArray("05 00 00 00 d4 00 00 00"));
        QCOMPARE(hex(std::span(header).subspan(24)), QByteArray(24, '\0').toHex(' '));
        QCOMPARE(DbFormatVersion(), std::uint16_t(40));
        QCOMPARE(QString::fromStdString(DbDateText(date)), QStringLiteral("08.12.2025"));
    }

    void recordBytes()
    {
        _tagSTRUCT_DATA record;
        record.nLinkState = 1;
        record.stTime.wHour = 12;
        record.stTime.wMinute = 5;
        record.stTime.wSecond = 9;
        record.nValue[0] = 157;
        record.nValue[52] = -2;
        DbRecordBytes bytes = EncodeDbRecord(record);
        QCOMPARE(hex(std::span(bytes).first(8)), QByteArray("00 01 00 0c 00 05 00 09"));
        QCOMPARE(hex(std::span(bytes).subspan(13, 4)), QByteArray("9d 00 00 00"));
        QCOMPARE(hex(std::span(bytes).subspan(221, 4)), QByteArray("fe ff ff ff"));
        QCOMPARE(QString::fromStdString(DbFirstRecordTimeText(bytes)), QStringLiteral("12:05:09"));
    }

    void faultFlagPacking_data()
    {
        QTest::addColumn<QList<int>>("active");
        QTest::addColumn<QByteArray>("flagBytes");
        QTest::newRow("none") << QList<int>{} << QByteArray("00 00 00 00 00");
        QTest::newRow("fault 0") << QList<int>{0} << QByteArray("80 00 00 00 00");
        QTest::newRow("fault 39") << QList<int>{39} << QByteArray("00 00 00 00 01");
        QTest::newRow("faults 7, 8, 20") << QList<int>{7, 8, 20} << QByteArray("01 80 08 00 00");
    }
    void faultFlagPacking()
    {
        QFETCH(QList<int>, active);
        QFETCH(QByteArray, flagBytes);
        _tagSTRUCT_DATA record;
        for (int i : active)
            record.bFaultActive[i] = 2; // any non-zero flag counts as set
        const DbRecordBytes bytes = EncodeDbRecord(record);
        QCOMPARE(hex(std::span(bytes).subspan(8, 5)), flagBytes);
        const _tagSTRUCT_DATA decoded = DecodeDbRecord(bytes);
        for (int i = 0; i < DbFaultCount; ++i)
            QCOMPARE(int(decoded.bFaultActive[i]), active.contains(i) ? 1 : 0);
    }

    void recordRoundTrip()
    {
        const _tagSTRUCT_DATA record = sampleRecord(37);
        const _tagSTRUCT_DATA decoded = DecodeDbRecord(EncodeDbRecord(record));
        QCOMPARE(decoded.nLinkState, record.nLinkState);
        QCOMPARE(decoded.stTime.wHour, record.stTime.wHour);
        QCOMPARE(decoded.stTime.wMinute, record.stTime.wMinute);
        QCOMPARE(decoded.stTime.wSecond, record.stTime.wSecond);
        QCOMPARE(decoded.stTime.wYear, std::uint16_t(0));
        QVERIFY(decoded.bFaultActive == record.bFaultActive);
        QVERIFY(decoded.nValue == record.nValue);
    }

    // The header check on whole files, including headers that would make a
    // record of another shape (or of no length at all).
    void headerCheck_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("records");
        const QByteArray good = validFile({8, 12, 2025}, 0);
        auto patched = [&](int offset, QByteArray bytes) {
            QByteArray file = good;
            file.replace(offset, bytes.size(), bytes);
            return file;
        };
        const int valid = int(DbHeaderStatus::Valid), tooShort = int(DbHeaderStatus::TooShort),
                  wrong = int(DbHeaderStatus::WrongFormat);
        QTest::newRow("48 bytes") << good << valid << 0;
        QTest::newRow("3 records and 100 bytes") << validFile({8, 12, 2025}, 3, 100) << valid << 3;
        QTest::newRow("47 bytes") << good.left(47) << tooShort << 0;
        QTest::newRow("empty") << QByteArray() << tooShort << 0;
        QTest::newRow("second byte not B") << patched(1, "C") << wrong << 0;
        QTest::newRow("version 00 27") << patched(6, QByteArray::fromHex("0027")) << wrong << 0;
        QTest::newRow("6 flag bytes") << patched(16, QByteArray::fromHex("06000000")) << wrong << 0;
        QTest::newRow("no flag or value bytes")
            << patched(16, QByteArray::fromHex("0000000000000000")) << wrong << 0;
        QTest::newRow("record length wraps to 0")
            << patched(16, QByteArray::fromHex("fcffffff00000000")) << wrong << 0;
        QTest::newRow("213 value bytes") << patched(20, QByteArray::fromHex("d5000000")) << wrong << 0;
        QTest::newRow("4 GB of value bytes") << patched(20, QByteArray::fromHex("ffffffff")) << wrong << 0;
    }
    void headerCheck()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(int, records);
        const DbHeaderCheck check = CheckDbHeader(span(file).first(std::min<std::size_t>(file.size(), 48)),
                                                  std::uint64_t(file.size()));
        QCOMPARE(int(check.status), status);
        QCOMPARE(check.recordCount, std::uint64_t(records));

        const DbFileContents contents = ParseDbFile(span(file));
        QCOMPARE(int(contents.records.size()), records);
        if (status == int(DbHeaderStatus::Valid))
            QVERIFY(contents.date == (DbDate{8, 12, 2025}));
    }

    void readerAndSummary()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("08122025.db"));
        writeFile(path, validFile({8, 12, 2025}, 0));
        DbFileSummary summary = ReadDbSummary(fsPath(path));
        QCOMPARE(int(summary.status), int(DbReadStatus::Ok));
        QCOMPARE(QString::fromStdString(summary.dateText), QStringLiteral("08.12.2025"));
        QCOMPARE(QString::fromStdString(summary.timeText), QStringLiteral("00:00:00"));

        writeFile(path, validFile({8, 12, 2025}, 3, 100));
        const DbFileContents contents = ReadDbFile(fsPath(path));
        QCOMPARE(int(contents.status), int(DbReadStatus::Ok));
        QCOMPARE(int(contents.records.size()), 3);
        QVERIFY(contents.records[2].nValue == sampleRecord(3).nValue);
        summary = ReadDbSummary(fsPath(path));
        QCOMPARE(QString::fromStdString(summary.timeText), QStringLiteral("01:01:07"));

        QCOMPARE(int(ReadDbFile(fsPath(dir.filePath(QStringLiteral("none.db")))).status),
                 int(DbReadStatus::OpenFailed));
    }

    // The reader decodes in slices into storage it may be handed: across slice
    // edges, with a partial record at the end and with a stale vector given to
    // reuse, it reads what the parser reads from the same bytes.
    void readerMatchesParserAcrossSlices_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("trailing");
        for (const int n : {1, 4095, 4096, 4097, 9000})
            QTest::addRow("%d records", n) << n << 100;
        QTest::addRow("no records, partial one") << 0 << 224;
    }
    void readerMatchesParserAcrossSlices()
    {
        QFETCH(int, records);
        QFETCH(int, trailing);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("08122025.db"));
        const QByteArray file = validFile({8, 12, 2025}, records, trailing);
        writeFile(path, file);
        const DbFileContents parsed = ParseDbFile(span(file));
        const DbFileContents read =
            ReadDbFile(fsPath(path), std::vector<_tagSTRUCT_DATA>(7, sampleRecord(99)));
        QCOMPARE(int(read.status), int(DbReadStatus::Ok));
        QCOMPARE(read.records.size(), std::size_t(records));
        QCOMPARE(read.records.size(), parsed.records.size());
        for (std::size_t i = 0; i < parsed.records.size(); ++i) {
            const _tagSTRUCT_DATA &a = read.records[i], &b = parsed.records[i];
            if (a.nLinkState != b.nLinkState || a.stTime.wHour != b.stTime.wHour ||
                a.stTime.wMinute != b.stTime.wMinute || a.stTime.wSecond != b.stTime.wSecond ||
                a.bFaultActive != b.bFaultActive || a.nValue != b.nValue)
                QFAIL(qPrintable(QStringLiteral("record %1 differs").arg(i)));
        }
        if (records > 0)
            QVERIFY(read.records.back().nValue == sampleRecord(records).nValue);
    }

    // The records from a given one on (what a reader of a file being recorded
    // has not yet read), in slices that do not line up with it; none past the
    // end. A partial record at the end is left out as in a whole read.
    void readsTheTailFromARecord_data()
    {
        QTest::addColumn<int>("first");
        for (const int first : {0, 1, 3, 5, 9, 10, 12})
            QTest::addRow("from record %d", first) << first;
    }
    void readsTheTailFromARecord()
    {
        QFETCH(int, first);
        constexpr int records = 10;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("08122025.db"));
        const QByteArray file = validFile({8, 12, 2025}, records, 100);
        writeFile(path, file);
        const DbReadCall read = [&file](std::uint8_t* into, std::size_t count, std::uint64_t at) -> ssize_t {
            if (at >= std::uint64_t(file.size()))
                return 0;
            const std::size_t n = std::min<std::size_t>(count, std::size_t(file.size()) - at);
            std::memcpy(into, file.constData() + at, n);
            return ssize_t(n);
        };
        const DbFileContents sliced =
            ReadDbFrom(read, std::uint64_t(file.size()), {}, 3, std::uint64_t(first));
        const DbFileContents tail = ReadDbFileTail(fsPath(path), std::uint64_t(first));
        for (const DbFileContents* contents : {&sliced, &tail}) {
            QCOMPARE(int(contents->status), int(DbReadStatus::Ok));
            QVERIFY(contents->date == DbDate({8, 12, 2025}));
            QCOMPARE(contents->records.size(), std::size_t(std::max(records - first, 0)));
            for (std::size_t i = 0; i < contents->records.size(); ++i)
                QVERIFY(contents->records[i].nValue == sampleRecord(first + int(i) + 1).nValue);
        }
    }

    // The partial record left by a crash is overwritten by the next append.
    void appendOverwritesPartialRecord()
    {
        QTemporaryDir dir;
        const DbDate date{8, 12, 2025};
        writeFile(dir.filePath(QStringLiteral("08122025.db")), validFile(date, 3, 100));
        DayFileWriter writer;
        QCOMPARE(int(writer.open(fsPath(dir.path()), date)), int(DbOpenStatus::Reopened));
        QCOMPARE(writer.recordCount(), std::uint64_t(3));
        QCOMPARE(DbRecordOffset(writer.recordCount()), std::uint64_t(723));
        QVERIFY(writer.append(sampleRecord(40)));
        writer.close();

        const DbFileContents contents = ReadDbFile(fsPath(dir.filePath(QStringLiteral("08122025.db"))));
        QCOMPARE(int(contents.records.size()), 4);
        QVERIFY(contents.records[3].nValue == sampleRecord(40).nValue);
        // The new record covers the 100 partial bytes and the file ends after four whole records.
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("08122025.db"))).size(), qint64(48 + 4 * 225));
    }

    void writerCreatesAndReopens()
    {
        QTemporaryDir dir;
        const DbDate date{9, 12, 2025};
        {
            DayFileWriter writer;
            QCOMPARE(int(writer.open(fsPath(dir.path()), date)), int(DbOpenStatus::Created));
            QVERIFY(writer.append(sampleRecord(1)));
            QVERIFY(writer.append(sampleRecord(2)));
        }
        DayFileWriter writer;
        QCOMPARE(int(writer.open(fsPath(dir.path()), date)), int(DbOpenStatus::Reopened));
        QCOMPARE(writer.recordCount(), std::uint64_t(2));
        QVERIFY(writer.headerDate() == date);
        writer.close();
        const QString path = dir.filePath(QStringLiteral("09122025.db"));
        QCOMPARE(QFileInfo(path).size(), qint64(48 + 2 * 225));

        writeFile(path, QByteArray(20, 'D'));
        QCOMPARE(int(writer.open(fsPath(dir.path()), date)), int(DbOpenStatus::TooShort));
        QVERIFY(!writer.isOpen());
        writeFile(path, validFile(date, 1).replace(7, 1, "\x27"));
        QCOMPARE(int(writer.open(fsPath(dir.path()), date)), int(DbOpenStatus::WrongFormat));
        QVERIFY(!writer.isOpen());
    }

    // Only one writer holds a day file; a second one is told it is busy.
    void secondWriterIsRefused()
    {
        QTemporaryDir dir;
        const DbDate date{10, 12, 2025};
        DayFileWriter first;
        QCOMPARE(int(first.open(fsPath(dir.path()), date)), int(DbOpenStatus::Created));
        DayFileWriter second;
        QCOMPARE(int(second.open(fsPath(dir.path()), date)), int(DbOpenStatus::Busy));
        QVERIFY(!second.isOpen());
        QVERIFY(first.append(sampleRecord(1)));
        first.close();
        QCOMPARE(int(second.open(fsPath(dir.path()), date)), int(DbOpenStatus::Reopened));
        QCOMPARE(second.recordCount(), std::uint64_t(1));
    }

    // Deleting a day file asks for the writers' lock first: a file held by a
    // recorder (of this or another copy) or locked by another program stays.
    void removeRefusesAHeldFile_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<int>("status");
        QTest::newRow("nobody") << QStringLiteral("nobody") << int(DbRemoveStatus::Removed);
        QTest::newRow("a writer") << QStringLiteral("writer") << int(DbRemoveStatus::BeingRecorded);
        QTest::newRow("another program's flock")
            << QStringLiteral("flock") << int(DbRemoveStatus::BeingRecorded);
        QTest::newRow("no such file") << QStringLiteral("missing") << int(DbRemoveStatus::Failed);
    }
    void removeRefusesAHeldFile()
    {
        QFETCH(QString, holder);
        QFETCH(int, status);
        QTemporaryDir dir;
        const DbDate date{13, 12, 2025};
        const QString path = dir.filePath(QStringLiteral("13122025.db"));
        if (holder != QStringLiteral("missing"))
            writeFile(path, validFile(date, 2));
        DayFileWriter writer;
        if (holder == QStringLiteral("writer"))
            QCOMPARE(int(writer.open(fsPath(dir.path()), date)), int(DbOpenStatus::Reopened));
        QProcess locker; // util-linux flock(1): the same lock, taken by another program
        if (holder == QStringLiteral("flock")) {
            locker.start(QStringLiteral("flock"), {QStringLiteral("-x"), path, QStringLiteral("-c"),
                                                   QStringLiteral("echo locked; exec sleep 60")});
            QVERIFY(locker.waitForReadyRead(10000));
            QCOMPARE(locker.readAll().trimmed(), QByteArray("locked"));
        }
        QCOMPARE(int(RemoveDbFile(fsPath(path))), status);
        QCOMPARE(QFile::exists(path), status == int(DbRemoveStatus::BeingRecorded));
        if (holder == QStringLiteral("writer"))
            QVERIFY(writer.append(sampleRecord(3))); // still recording into a file that is there
        locker.kill();
        locker.waitForFinished();
    }

    // The writer knows the time of the file's last record, reopened or appended.
    void writerKnowsTheLastRecordsTime()
    {
        QTemporaryDir dir;
        const DbDate date{14, 12, 2025};
        const QString path = dir.filePath(QStringLiteral("14122025.db"));
        writeFile(path, validFile(date, 2));
        DayFileWriter writer;
        QCOMPARE(int(writer.open(fsPath(dir.path()), date)), int(DbOpenStatus::Reopened));
        QCOMPARE(writer.lastRecordSecond(), DbSecondOfDay(sampleRecord(2)));
        writer.close();
        DayFileWriter fresh;
        QCOMPARE(int(fresh.open(fsPath(dir.path()), {15, 12, 2025})), int(DbOpenStatus::Created));
        QCOMPARE(fresh.lastRecordSecond(), -1);
        QVERIFY(fresh.append(sampleRecord(5)));
        QCOMPARE(fresh.lastRecordSecond(), DbSecondOfDay(sampleRecord(5)));
    }

    // A refused or short write leaves only whole records and the count unchanged.
    void failedWrites_data()
    {
        QTest::addColumn<void*>("call");
        QTest::newRow("short") << reinterpret_cast<void*>(&shortWrite);
        QTest::newRow("refused") << reinterpret_cast<void*>(&refusedWrite);
    }
    void failedWrites()
    {
        QFETCH(void*, call);
        QTemporaryDir dir;
        const DbDate date{11, 12, 2025};
        writeFile(dir.filePath(QStringLiteral("11122025.db")), validFile(date, 2));
        DayFileWriter writer(reinterpret_cast<DayFileWriter::WriteCall>(call));
        QCOMPARE(int(writer.open(fsPath(dir.path()), date)), int(DbOpenStatus::Reopened));
        QVERIFY(!writer.append(sampleRecord(3)));
        QCOMPARE(writer.lastError(), ENOSPC);
        QCOMPARE(writer.recordCount(), std::uint64_t(2));
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("11122025.db"))).size(), qint64(48 + 2 * 225));

        // A header that cannot be written leaves no file behind.
        DayFileWriter fresh(reinterpret_cast<DayFileWriter::WriteCall>(call));
        QCOMPARE(int(fresh.open(fsPath(dir.path()), {12, 12, 2025})), int(DbOpenStatus::HeaderWriteFailed));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("12122025.db"))));
    }
};

QTEST_GUILESS_MAIN(tst_DayFile)
#include "tst_day_file.moc"
