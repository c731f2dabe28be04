// SPDX-License-Identifier: MIT
// Recording end to end: the real program, offscreen, recording automatically
// from a profile, against the relay simulator; its day files read back byte by
// byte. Also a forced midnight (the program's clock started just before it), a
// second copy of the program ("-copy") finding the day file held, and a file
// system that fills up.
#include "ClearOfMidnight.h"
#include "DayFile.h"
#include "NearlyFullFileSystem.h"
#include "ProgramProcess.h"
#include "RelayUnderTest.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace zrq7::e2e;

namespace {

QString recordingsFolder()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/CPL_ZRQ7/zrq_db");
}

QString dayFile(const QDate& date)
{
    return recordingsFolder() + QLatin1Char('/') +
           QString::fromStdString(DbFileName({date.day(), date.month(), date.year()}));
}

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

int recordCount(const QString& path)
{
    return int(ReadDbFile(fsPath(path)).records.size());
}

// The program recording once a second without a relay, its recorder's clock
// started at `clock`; nothing when its profile cannot be written or it does not start.
std::unique_ptr<ProgramProcess> recordingAlone(const QString& logPath, const QString& clock)
{
    if (!writeProfile({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:1"), QStringLiteral("--record"),
                       QStringLiteral("1")}))
        return nullptr;
    auto program = std::make_unique<ProgramProcess>(
        logPath, QStringList{}, QStringList{QStringLiteral("ZRQ7_RECORDER_CLOCK=") + clock});
    return program->started() ? std::move(program) : nullptr;
}

} // namespace

class TestRecordingEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        waitUntilClearOfMidnight(std::chrono::seconds(90));
        QDir(recordingsFolder()).removeRecursively();
    }

    // Interval 1 s: one record a second carrying the relay's values, its
    // active fault and link state 1. A second copy started with "-copy" finds
    // the day file held and writes nothing into it.
    void recordsTheRelayOncePerSecond()
    {
        RelayUnderTest relay(LinkKind::Tcp, {}, QStringLiteral("at 0.2 trip 3 value 120\n"));
        QVERIFY2(relay.start(), qPrintable(relay.errorString()));
        QVERIFY(writeProfile(
            {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(relay.process().tcpPort()),
             QStringLiteral("--auto-connect"), QStringLiteral("--record"), QStringLiteral("1")}));
        QTemporaryDir logs;
        ProgramProcess program(logs.filePath(QStringLiteral("first.log")));
        QVERIFY(program.started());

        const QString path = dayFile(QDate::currentDate());
        // Wait for four records written with the link open and the fault listed.
        const auto linked = [&] {
            int count = 0;
            for (const _tagSTRUCT_DATA& record : ReadDbFile(fsPath(path)).records)
                count += record.nLinkState == 1 && record.bFaultActive[3] == 1;
            return count;
        };
        QTRY_VERIFY_WITH_TIMEOUT(linked() >= 4, 30000);

        ProgramProcess copy(logs.filePath(QStringLiteral("copy.log")), {QStringLiteral("-copy")});
        QVERIFY(copy.started());
        QTRY_VERIFY_WITH_TIMEOUT(copy.messages().contains(QStringLiteral("jest zapisywany przez inny")),
                                 20000);
        const int countBefore = recordCount(path);
        QTRY_VERIFY_WITH_TIMEOUT(recordCount(path) >= countBefore + 2, 10000);

        const DbFileContents contents = ReadDbFile(fsPath(path));
        QCOMPARE(int(contents.status), int(DbReadStatus::Ok));
        const QDate today = QDate::currentDate();
        QVERIFY(contents.date == (DbDate{today.day(), today.month(), today.year()}));
        int previous = -1;
        for (const _tagSTRUCT_DATA& record : contents.records) {
            const int t = record.stTime.wHour * 3600 + record.stTime.wMinute * 60 + record.stTime.wSecond;
            if (previous >= 0) {
                // One writer, one record a second (the spacing drifts, never shrinks).
                QVERIFY2(t - previous >= 1 && t - previous <= 2,
                         qPrintable(QStringLiteral("%1 -> %2").arg(previous).arg(t)));
            }
            previous = t;
            if (record.nLinkState == 1 && record.bFaultActive[3]) {
                QVERIFY2(record.nValue[26] > 450 &&
                             record.nValue[26] < 550, // mains frequency in tenths of Hz
                         qPrintable(QString::number(record.nValue[26])));
                QVERIFY(record.nValue[15] > 0); // phase voltage
            }
        }
        QVERIFY(!program.messages().contains(QStringLiteral("error|")));
    }

    // The program's clock started at 23:59:58: the old day's file keeps its
    // records of 23:59, the new day's file, headed with the new date, begins.
    void midnightStartsTheNewDaysFile()
    {
        QTemporaryDir logs;
        const auto started = recordingAlone(logs.filePath(QStringLiteral("midnight.log")),
                                            QStringLiteral("2025-12-31T23:59:58"));
        QVERIFY(started);
        const QString oldDay = recordingsFolder() + QStringLiteral("/31122025.db");
        const QString newDay = recordingsFolder() + QStringLiteral("/01012026.db");
        QTRY_VERIFY_WITH_TIMEOUT(recordCount(newDay) >= 2, 20000);

        const DbFileContents old = ReadDbFile(fsPath(oldDay));
        QVERIFY(old.date == (DbDate{31, 12, 2025}));
        QVERIFY(!old.records.empty());
        for (const _tagSTRUCT_DATA& record : old.records) {
            QCOMPARE(record.stTime.wHour, std::uint16_t(23));
            QCOMPARE(record.nLinkState, 0); // no link: state 0, values 0
            QCOMPARE(record.nValue[0], 0);
        }
        const DbFileContents fresh = ReadDbFile(fsPath(newDay));
        QVERIFY(fresh.date == (DbDate{1, 1, 2026}));
        QCOMPARE(fresh.records[0].stTime.wHour, std::uint16_t(0));
        QCOMPARE(fresh.records[0].stTime.wMinute, std::uint16_t(0));
    }

    // The recordings folder on a small file system that fills up: the message,
    // no crash, and the day file holds only whole records.
    void fullFileSystem()
    {
        NearlyFullFileSystem small(recordingsFolder(), {8, 12, 2025});
        if (!small.mounted())
            QSKIP("a small tmpfs needs root and a mountable tmpfs");
        QVERIFY(small.ready());
        QTemporaryDir logs;
        const auto started =
            recordingAlone(logs.filePath(QStringLiteral("full.log")), QStringLiteral("2025-12-08T12:00:00"));
        QVERIFY(started);
        ProgramProcess& program = *started;
        QTRY_VERIFY_WITH_TIMEOUT(program.messages().contains(QStringLiteral("brak miejsca na dysku")), 20000);
        QTest::qWait(1500);
        QVERIFY(program.running());
        QCOMPARE(program.messages().count(QStringLiteral("brak miejsca na dysku")), 1);
        const QString path = recordingsFolder() + QStringLiteral("/08122025.db");
        QCOMPARE(QFileInfo(path).size(), qint64(48 + NearlyFullFileSystem::seededRecords * 225));
        QCOMPARE(recordCount(path), NearlyFullFileSystem::seededRecords);
    }
};

QTEST_GUILESS_MAIN(TestRecordingEndToEnd)
#include "tst_recording_e2e.moc"
