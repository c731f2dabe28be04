// SPDX-License-Identifier: MIT
// "Dziennik awarii ZRQ" in the real program (offscreen, worked by the preloaded
// ReportDriver.cpp) against a relay that answers every request 400 ms late, so
// the walk over its fault log takes seconds: a second report asked for while
// the first runs (after Esc and the close box on its progress window, which
// stays) is refused, "Anuluj" ends the walk without writing, and the next report
// is written whole; "Odłącz" or "Zakończ" during the walk write nothing, and a
// disconnect tells the operator the report was not created. An earlier file
// under the report's name survives every walk that did not end.

#include "DrivenProgram.h"
#include "ProgramSettings.h"
#include "ReportTables.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString earlierReport = QStringLiteral("earlier report");
const QString linkClosed =
    QStringLiteral("warning|Błąd|Raport nie został utworzony: połączenie z ZRQ-7/8 zostało "
                   "zakończone w trakcie odczytu dziennika awarii.");
const QString savedPrefix = QStringLiteral("question|ZRQ-7/8|Plik raportu jest zapisany pod adresem");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The relay's log: ten entries, the newest at index 9, entry 49 still erased.
QByteArray faultLogScript()
{
    QByteArray script = "at 0 set 75 9\n";
    for (int entry = 0; entry < 10; ++entry)
        script += QByteArray("at 0 set ") + QByteArray::number(1000 + 5 * entry) + ' ' +
                  QByteArray::number(entry + 1) + '\n';
    return script;
}

} // namespace

class TestFaultReportE2e : public QObject
{
    Q_OBJECT

private slots:
    void walkInterrupted_data();
    void walkInterrupted();
};

void TestFaultReportE2e::walkInterrupted_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::newRow("second report, Anuluj, then a whole one") << QStringLiteral("again");
    QTest::newRow("Odłącz during the walk") << QStringLiteral("disconnect");
    QTest::newRow("Zakończ during the walk") << QStringLiteral("close");
}

void TestFaultReportE2e::walkInterrupted()
{
    QFETCH(QString, scenario);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString script = dir.filePath(QStringLiteral("log.txt"));
    {
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(faultLogScript());
    }
    zrq7::test::SimulatorProcess relay({QStringLiteral("--tcp"), QStringLiteral("0"),
                                        QStringLiteral("--script"), script, QStringLiteral("--delay-rate"),
                                        QStringLiteral("1"), QStringLiteral("--delay-ms"),
                                        QStringLiteral("400")});
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    ProgramSettings s;
    ResetSettings(s);
    SetSettingsText(s.szPortName, QStringLiteral("Modbus TCP"));
    s.dwIpAddress = 0x7F000001;
    s.nTcpPort = relay.tcpPort();
    s.nResponseTimeout = 2000;
    s.nRetries = 1;
    s.bAutoConnect = 1;
    QVERIFY(QDir().mkpath(QFileInfo(SettingsProfilePath()).path()));
    QVERIFY(SaveSettings(s));

    const QString first = dir.filePath(QStringLiteral("first.html"));
    const QString second = dir.filePath(QStringLiteral("second.html"));
    {
        QFile earlier(first);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(earlierReport.toUtf8());
    }
    const QString log = dir.filePath(QStringLiteral("messages.log"));
    QProcess program;
    const bool ended = zrq7::test::runDrivenProgram(program, QStringLiteral(ZRQ7_REPORT_DRIVER), log,
                                                    {{QStringLiteral("ZRQ7_DRIVE_REPORT"), scenario},
                                                     {QStringLiteral("ZRQ7_REPORT_FIRST"), first},
                                                     {QStringLiteral("ZRQ7_REPORT_SECOND"), second}},
                                                    90000);
    const QStringList lines = zrq7::test::messageLogLines(log);
    const QByteArray all = lines.join(QLatin1Char('\n')).toUtf8();
    QVERIFY2(ended, all.constData());
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, all.constData());

    // The first walk never ended: its file is the earlier one, and no half-written copy is left.
    QCOMPARE(readAll(first), earlierReport.toUtf8());
    const QStringList firstFiles =
        QDir(dir.path()).entryList({QStringLiteral("first*")}, QDir::Files | QDir::Hidden);
    QCOMPARE(firstFiles, QStringList{QStringLiteral("first.html")});
    for (const QString& saved : lines.filter(savedPrefix))
        QVERIFY2(!saved.contains(first), all.constData());

    if (scenario == QLatin1String("again")) {
        // Esc and the close box left the window up; the second click only raised it.
        QVERIFY2(lines.contains(QStringLiteral("driver|progress after Esc and close|visible=1")),
                 all.constData());
        QVERIFY2(
            lines.contains(QStringLiteral("driver|second report while the first runs|progress visible=1")),
            all.constData());
        QVERIFY2(!lines.contains(QStringLiteral("driver|second report asked for a file")), all.constData());
        // "Anuluj" told nothing; the next report was written whole and offered.
        const qsizetype cancelled = lines.indexOf(QStringLiteral("driver|Anuluj"));
        const qsizetype closed = lines.indexOf(QStringLiteral("driver|progress closed"));
        QVERIFY2(cancelled >= 0 && closed > cancelled, all.constData());
        QCOMPARE(lines.mid(cancelled + 1, closed - cancelled - 1), QStringList());
        QVERIFY2(lines.filter(savedPrefix).size() == 1 && lines.filter(savedPrefix).first().contains(second),
                 all.constData());
        const QByteArray report = readAll(second);
        QVERIFY(report.contains("Dziennik awarii ZRQ-7/8"));
        const QList<QStringList> relayRows = reporttest::dataRows(reporttest::table(report, 0));
        QCOMPARE(relayRows.size(), 10); // every entry of the relay's log, none lost to the cancelled walk
        QCOMPARE(relayRows.first().last(), QStringLiteral("10")); // the newest first
    } else {
        QVERIFY2(lines.filter(savedPrefix).isEmpty(), all.constData());
        QVERIFY(!QFile::exists(second));
        // Told after "Odłącz"; a program that is closing tells nothing more.
        QCOMPARE(lines.contains(linkClosed), scenario == QLatin1String("disconnect"));
        if (scenario == QLatin1String("disconnect"))
            QVERIFY2(lines.indexOf(linkClosed) < lines.indexOf(QStringLiteral("driver|disconnected")),
                     all.constData());
    }
}

QTEST_MAIN(TestFaultReportE2e)
#include "tst_fault_report_e2e.moc"
