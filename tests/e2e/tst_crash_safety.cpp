// SPDX-License-Identifier: MIT
// Killed without warning (SIGKILL: a power cut, the OOM killer): the real
// program while it records once a second from the relay simulator, and the
// program's own save routines while they replace the profile or a parameter
// file. Afterwards the day file holds every record written before the kill,
// each one whole and sound, the profile and the parameter file are one
// complete save, and the program starts again at once (its single-copy lock
// and the day file's lock die with it) and goes on recording into the same file.
#include "ClearOfMidnight.h"
#include "DayFile.h"
#include "ParameterFile.h"
#include "ProgramProcess.h"
#include "ProgramSettings.h"
#include "RelayUnderTest.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace zrq7::e2e;

namespace {

const QString kSecondCopy = QStringLiteral("Wykryto uruchomienie drugiej kopii");

QString todaysFile()
{
    const QDate today = QDate::currentDate();
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/CPL_ZRQ7/zrq_db/") +
           QString::fromStdString(DbFileName({today.day(), today.month(), today.year()}));
}

DbFileContents readToday()
{
    return ReadDbFile(std::filesystem::path(todaysFile().toStdString()));
}

// Records written with the link up: the relay's mains frequency (tenths of Hz)
// and a phase voltage. With the link down every value is 0.
int linkedRecords(const DbFileContents& contents)
{
    int count = 0;
    for (const _tagSTRUCT_DATA& record : contents.records)
        count += record.nLinkState == 1;
    return count;
}

// Why `contents` is not a sound day file of today's records; empty when it is.
QString problemsOf(const DbFileContents& contents)
{
    if (contents.status != DbReadStatus::Ok)
        return QStringLiteral("status %1").arg(int(contents.status));
    const QDate today = QDate::currentDate();
    if (!(contents.date == DbDate{today.day(), today.month(), today.year()}))
        return QStringLiteral("header date %1.%2.%3")
            .arg(contents.date.day)
            .arg(contents.date.month)
            .arg(contents.date.year);
    int previous = -1;
    for (std::size_t i = 0; i < contents.records.size(); ++i) {
        const _tagSTRUCT_DATA& r = contents.records[i];
        const int t = r.stTime.wHour * 3600 + r.stTime.wMinute * 60 + r.stTime.wSecond;
        const bool linked = r.nLinkState == 1;
        const bool sound =
            (r.nLinkState == 0 || linked) && r.stTime.wHour < 24 && r.stTime.wMinute < 60 &&
            r.stTime.wSecond < 60 && t >= previous &&
            (linked ? r.nValue[26] > 450 && r.nValue[26] < 550 && r.nValue[15] > 0 : r.nValue[26] == 0);
        if (!sound)
            return QStringLiteral("record %1 (link %2, %3 s, frequency %4)")
                .arg(i)
                .arg(r.nLinkState)
                .arg(t)
                .arg(r.nValue[26]);
        previous = t;
    }
    return {};
}

enum class Saving { Profile, Parameters };

// Every setting register of a parameter file, in order.
std::vector<std::uint16_t> settingRegisters()
{
    std::vector<std::uint16_t> registers;
    for (std::uint16_t reg = 150; reg <= 244; ++reg)
        registers.push_back(reg);
    return registers;
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        waitUntilClearOfMidnight(std::chrono::seconds(90));
        QDir(qEnvironmentVariable("XDG_DATA_HOME")).removeRecursively();
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).removeRecursively();
        QDir().mkpath(qEnvironmentVariable("XDG_CONFIG_HOME"));
    }

    // Killed once `records` linked records are in the file, `delayMs` later:
    // right at start (before or while the day file is created), just after a
    // record, and halfway between two records.
    void killedWhileRecording_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("at start") << 0 << 300;
        QTest::newRow("just after a record") << 3 << 0;
        QTest::newRow("between two records") << 3 << 500;
    }
    void killedWhileRecording()
    {
        QFETCH(int, records);
        QFETCH(int, delayMs);
        RelayUnderTest relay(LinkKind::Tcp);
        QVERIFY2(relay.start(), qPrintable(relay.errorString()));
        QVERIFY(writeProfile(
            {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(relay.process().tcpPort()),
             QStringLiteral("--auto-connect"), QStringLiteral("--record"), QStringLiteral("1")}));
        QTemporaryDir logs;

        int before = 0;
        {
            ProgramProcess program(logs.filePath(QStringLiteral("first.log")));
            QVERIFY(program.started());
            if (records > 0) {
                QTRY_VERIFY_WITH_TIMEOUT(linkedRecords(readToday()) >= records, 30000);
                const int seen = int(readToday().records.size());
                QTRY_VERIFY_WITH_TIMEOUT(int(readToday().records.size()) > seen,
                                         5000); // a record just written
            }
            QTest::qWait(delayMs);
            before = int(readToday().records.size());
            program.kill();
        }
        // Every record written before the kill is there and sound; at most the
        // one in flight is missing (never half of it counted as a record).
        const DbFileContents afterKill = readToday();
        // (No file yet, or one just created and not yet headed: nothing was recorded.)
        if (QFileInfo(todaysFile()).size() > 0) {
            QVERIFY2(problemsOf(afterKill).isEmpty(), qPrintable(problemsOf(afterKill)));
            QVERIFY(int(afterKill.records.size()) >= before);
            QVERIFY(int(afterKill.records.size()) <= before + 1);
        }

        // Started again without "-copy": no stale lock stops it, and it goes on
        // recording into today's file, after the whole records.
        ProgramProcess again(logs.filePath(QStringLiteral("again.log")));
        QVERIFY(again.started());
        QVERIFY2(again.reachesMainWindow(), qPrintable(again.messages()));
        const int kept = int(afterKill.records.size());
        QTRY_VERIFY_WITH_TIMEOUT(linkedRecords(readToday()) >= linkedRecords(afterKill) + 2, 30000);
        again.kill();
        // Sound records throughout: the new ones follow the old whole records
        // (a record appended after a torn one would read back as garbage).
        const DbFileContents resumed = readToday();
        QVERIFY2(problemsOf(resumed).isEmpty(), qPrintable(problemsOf(resumed)));
        QVERIFY(int(resumed.records.size()) >= kept + 2);
        QVERIFY2(!again.messages().contains(kSecondCopy), qPrintable(again.messages()));
        QVERIFY2(!again.messages().contains(QLatin1String("error|")), qPrintable(again.messages()));
    }

    // The program's save routine replacing the profile or a parameter file
    // again and again, killed `delayMs` after its first complete save: the
    // file is always one whole save, and the program starts on that profile.
    void killedWhileSaving_data()
    {
        QTest::addColumn<int>("what");
        QTest::addColumn<int>("delayMs");
        for (const int delay : {0, 3, 11, 29, 97}) {
            QTest::addRow("profile, %d ms", delay) << int(Saving::Profile) << delay;
            QTest::addRow("parameter file, %d ms", delay) << int(Saving::Parameters) << delay;
        }
    }
    void killedWhileSaving()
    {
        QFETCH(int, what);
        QFETCH(int, delayMs);
        QTemporaryDir dir;
        const QString parameterFile = dir.filePath(QStringLiteral("relay.zrq7"));
        QProcess saver;
        saver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        saver.start(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/zrq7_save_loop"),
                    what == int(Saving::Profile) ? QStringList{QStringLiteral("profile")}
                                                 : QStringList{QStringLiteral("params"), parameterFile});
        QVERIFY(saver.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(saver.canReadLine(), 20000);
        QCOMPARE(saver.readLine(), QByteArray("saving\n"));
        QTest::qWait(delayMs);
        saver.kill();
        QVERIFY(saver.waitForFinished());
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit); // killed mid-loop, not ended by a failed save

        if (what == int(Saving::Parameters)) {
            const auto bytes = zrq7::params::readWholeFile(parameterFile.toStdString());
            QVERIFY(bytes);
            const auto loaded = zrq7::params::readParameterValues(*bytes, settingRegisters());
            QCOMPARE(int(loaded.problem), int(zrq7::params::ParameterFileProblem::None));
            QVERIFY(loaded.values.front().has_value());
            for (const auto& value : loaded.values)
                QCOMPARE(value, loaded.values.front());
            return;
        }

        ProgramSettings settings;
        ResetSettings(settings);
        QVERIFY(LoadSettings(settings));
        QVERIFY(settings.nRecordInterval >= 1);
        QCOMPARE(int(settings.nTcpPort), settings.nRecordInterval);

        ProgramProcess program(dir.filePath(QStringLiteral("program.log")));
        QVERIFY(program.started());
        QVERIFY2(program.reachesMainWindow(), qPrintable(program.messages()));
        QVERIFY2(!program.messages().contains(QLatin1String("error|")), qPrintable(program.messages()));
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crash_safety.moc"
