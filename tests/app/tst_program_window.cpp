// SPDX-License-Identifier: MIT
// The real program (offscreen) worked by a preloaded driver (ProgramDriver.cpp):
// "Nad innymi oknami" saved in the settings window, from the button while
// disconnected and from the tray while connected, makes the main window top-most
// and leaves it running; only "Zakończ" then ends the program, through its close
// sequence (with the close question while connected).

#include "DrivenProgram.h"
#include "ProgramSettings.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString closeQuestion = QStringLiteral(
    "warning|Uwaga|Uwaga: ZRQ jest podłączony, czy na pewno chcesz zakończyć i zerwać połączenie?");
const QString keptOnTop = QStringLiteral("driver|main window|visible=1|on top=1");

} // namespace

class TestProgramWindow : public QObject
{
    Q_OBJECT

private slots:
    void alwaysOnTopKeepsTheProgramRunning_data();
    void alwaysOnTopKeepsTheProgramRunning();
};

void TestProgramWindow::alwaysOnTopKeepsTheProgramRunning_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("button, disconnected") << false;
    QTest::newRow("tray, connected") << true;
}

void TestProgramWindow::alwaysOnTopKeepsTheProgramRunning()
{
    QFETCH(bool, connected);
    zrq7::test::SimulatorProcess relay;
    ProgramSettings s;
    ResetSettings(s);
    if (connected) {
        QVERIFY2(relay.start(), qPrintable(relay.errorString()));
        SetSettingsText(s.szPortName, QStringLiteral("Modbus TCP"));
        s.dwIpAddress = 0x7F000001;
        s.nTcpPort = relay.tcpPort();
        s.nResponseTimeout = 300;
        s.nRetries = 1;
        s.bAutoConnect = 1;
    }
    QVERIFY(QDir().mkpath(QFileInfo(SettingsProfilePath()).path()));
    QVERIFY(SaveSettings(s));

    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("messages.log"));
    QProcess program;
    const bool ended =
        zrq7::test::runDrivenProgram(program, QStringLiteral(ZRQ7_PROGRAM_DRIVER), log,
                                     {{QStringLiteral("ZRQ7_DRIVE_SETTINGS"),
                                       connected ? QStringLiteral("tray") : QStringLiteral("button")}},
                                     30000);
    const QStringList lines = zrq7::test::messageLogLines(log);
    QVERIFY2(ended, qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    // The settings window was shown and closed; the main window stayed, on top.
    QVERIFY2(lines.contains(QStringLiteral("window|CSettingsDlg|Ustawienia")), qPrintable(lines.join('\n')));
    const qsizetype reported = lines.indexOf(keptOnTop);
    QVERIFY2(reported >= 0, qPrintable(lines.join('\n')));
    // Only "Zakończ" ended it, asking first while connected.
    QCOMPARE(lines.indexOf(closeQuestion) > reported, connected);
    QCOMPARE(lines.contains(closeQuestion), connected);
    for (const QString& line : lines)
        QVERIFY2(!line.startsWith(QLatin1String("error|")), qPrintable(line));

    ProgramSettings saved;
    QVERIFY(LoadSettings(saved));
    QCOMPARE(saved.bAlwaysOnTop, 1);
}

QTEST_MAIN(TestProgramWindow)
#include "tst_program_window.moc"
