// SPDX-License-Identifier: MIT
// The fault report end to end: a relay simulator with a scripted fault log
// over Modbus TCP, the command with its worker, the file and the viewer. The
// save dialog is stood in for; the message boxes go to the message log.

#include "CHtmlDialog.h"
#include "FaultReportCommand.h"
#include "ModalHelpers.h"
#include "ReportTables.h"
#include "SimulatorProcess.h"
#include "StandInLog.h"
#include "ZRQ7DLL.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <condition_variable>
#include <mutex>

using namespace faultreport;
using zrq7::test::SimulatorProcess;

class TestFaultReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void reportOfTheSimulatedRelay();
    void cancelledDialogWritesNothing();
    void missingTemplateIsReported();
    void uncreatableFileIsReported();
    void failedWriteIsNeverCalledSaved();
    void cancelledReportKeepsTheEarlierFile();

private:
    QStringList messages() const { return takeMessages(m_messageLog); }
    FaultReportCommand::Hooks hooksFor(const QString& path);

    QTemporaryDir m_dir;
    QString m_messageLog;
    std::unique_ptr<SimulatorProcess> m_sim;
    QStringList m_viewed;
};

namespace {

const ReportHeader header{QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)), 11, 12, 5};

const QList<PanelFault> panelFaults{
    {QStringLiteral("Zabezpieczenie nadprądowe fazowe"), QStringLiteral("23.4 A"), QStringLiteral("10:00:01"),
     QStringLiteral("01.02.2026"), 0},
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool waitFinished(FaultReportCommand& command)
{
    QSignalSpy finished(&command, &FaultReportCommand::finished);
    return finished.wait(20000);
}

} // namespace

void TestFaultReport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_messageLog = m_dir.filePath(QStringLiteral("messages.log"));
    qputenv("ZRQ7_MESSAGE_LOG", m_messageLog.toUtf8());

    // The log: newest entry 1, then 0, then (wrapping) 49 whose read fails,
    // 48, and 47 still erased (0xFFFF), which ends it.
    const QString script = m_dir.filePath(QStringLiteral("log.txt"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("at 0 set 75 1\n"
               "at 0 set 1005 0\nat 0 set 1006 2345\nat 0 set 1007 0x3015\nat 0 set 1008 0x0713\n"
               "at 0 set 1009 0x0912\n"
               "at 0 set 1000 15\nat 0 set 1001 25\nat 0 set 1002 0x0000\nat 0 set 1003 0x1A00\n"
               "at 0 set 1004 0x2601\n"
               "at 0 fail 1247\n"
               "at 0 set 1240 12\nat 0 set 1241 380\nat 0 set 1242 0x5959\nat 0 set 1243 0x3123\n"
               "at 0 set 1244 0x9912\n");
    file.close();
    m_sim = std::make_unique<SimulatorProcess>(
        QStringList{u"--tcp"_qs, u"0"_qs, u"--unit"_qs, u"5"_qs, u"--script"_qs, script});
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    DLL_SetIOTimeout(1000);
    QCOMPARE(TCP_Open(m_sim->tcpHost().toStdU16String().c_str(), m_sim->tcpPort()), 0);
    // The script's first events are in place once register 75 reads 1.
    QTRY_VERIFY_WITH_TIMEOUT(
        [] {
            uint8_t buffer[8] = {};
            return MODBUS_Read03(5, 75, 1, buffer, sizeof buffer, 0) == 2 && buffer[1] == 1;
        }(),
        5000);
}

void TestFaultReport::init()
{
    QFile::remove(m_messageLog);
    m_viewed.clear();
}

void TestFaultReport::cleanupTestCase()
{
    TCP_Close();
    m_sim.reset();
}

FaultReportCommand::Hooks TestFaultReport::hooksFor(const QString& path)
{
    FaultReportCommand::Hooks hooks;
    hooks.askPath = [path](QWidget*) { return path; };
    hooks.openViewer = [this](const QString& file, QWidget*) { m_viewed << file; };
    return hooks;
}

void TestFaultReport::reportOfTheSimulatedRelay()
{
    QWidget owner;
    const QString path = m_dir.filePath(QStringLiteral("report.html"));
    FaultReportCommand command(&owner, hooksFor(path));
    QVERIFY(command.run(header, panelFaults, 5, 0));
    QVERIFY(command.progressWindow());
    QCOMPARE(command.progressWindow()->findChild<QWidget*>(u"id1223"_qs)->property("text").toString(),
             QStringLiteral("Trwa tworzenie raportu. Proszę czekać..."));
    QVERIFY(!command.run(header, panelFaults, 5, 0)); // one report at a time
    QVERIFY(waitFinished(command));
    QVERIFY(!command.progressWindow());

    const QByteArray html = readAll(path);
    for (const char c : html)
        QVERIFY2(uchar(c) < 0x80, "the report is plain ASCII");
    QVERIFY(html.contains("Wygenerowany 3.2.2026 u 04:05:06"));
    QVERIFY(html.contains("Nazwa urzadzenia: &quot;ZRQ-7/8&quot; : ID_11"));
    QVERIFY(html.contains("Wersja firmware: 12"));
    QVERIFY(html.contains("Adres sieciowy: 5"));
    QVERIFY(!html.contains("%%"));
    QVERIFY(html.contains("\r\n"));

    QCOMPARE(reporttest::dataRows(reporttest::table(html, 0)),
             (QList<QStringList>{{"1", "Imax", "07.12.2009  13:30:15", "234.5 A", "0"},
                                 {"2", "Isol Res", "20.01.2026  00:00:00", "2.5 MΩ", "15"},
                                 {"3", "Umin", "31.12.2099  23:59:59", "380 V", "12"}}));
    QCOMPARE(reporttest::dataRows(reporttest::table(html, 1)),
             (QList<QStringList>{
                 {"1", "Zabezpieczenie nadprądowe fazowe", "10:00:01 01.02.2026", "23.4 A", "0"}}));

    QCOMPARE(messages(),
             QStringList{QStringLiteral("question|ZRQ-7/8|Plik raportu jest zapisany pod adresem \"") +
                         QDir::toNativeSeparators(path) +
                         QStringLiteral("\".\\r\\n\\r\\nCzy chcesz otworzyć ten plik?")});
    QCOMPARE(m_viewed, QStringList{path});

    // The viewer shows the same letters.
    CHtmlDialog viewer(path, &owner);
    QCOMPARE(viewer.windowTitle(), QStringLiteral("Podgląd dziennika zdarzeń awaryjnych [ %1 ]").arg(path));
    const QString shown = viewer.view()->toPlainText();
    QVERIFY(shown.contains(QStringLiteral("Zabezpieczenie nadprądowe fazowe")));
    QVERIFY(shown.contains(QStringLiteral("2.5 MΩ")));
    QVERIFY(shown.contains(QStringLiteral("Dziennik awarii ZRQ-7/8")));
}

void TestFaultReport::cancelledDialogWritesNothing()
{
    QWidget owner;
    FaultReportCommand command(&owner, hooksFor(QString()));
    QVERIFY(command.run(header, panelFaults, 5, 0));
    QVERIFY(!command.isBusy());
    QVERIFY(messages().isEmpty());
}

void TestFaultReport::missingTemplateIsReported()
{
    QWidget owner;
    const QString path = m_dir.filePath(QStringLiteral("no_template.html"));
    FaultReportCommand::Hooks hooks = hooksFor(path);
    hooks.templatePath = u":/report/nothing_here.html"_qs;
    FaultReportCommand command(&owner, hooks);
    command.run(header, panelFaults, 5, 0);
    QVERIFY(!command.isBusy());
    QCOMPARE(messages(),
             QStringList{u"error|Błąd|Nie można odnaleźć szablonu raportu HTML. Zasób jest niedostępny."_qs});
    QVERIFY(!QFile::exists(path));
}

void TestFaultReport::uncreatableFileIsReported()
{
    QWidget owner;
    FaultReportCommand command(&owner, hooksFor(m_dir.filePath(u"no/such/folder/report.html"_qs)));
    command.run(header, panelFaults, 5, 0);
    QVERIFY(!command.isBusy());
    QCOMPARE(messages(),
             QStringList{u"error|Błąd|Nie można utworzyć pliku raportu. Brak dostępu do dysku lub brak "
                         u"wystarczającej ilości wolnego miejsca na dysku."_qs});
}

void TestFaultReport::failedWriteIsNeverCalledSaved()
{
    // The folder goes while the relay is read: the report cannot be put in place.
    const QString folder = m_dir.filePath(u"vanishing"_qs);
    QVERIFY(QDir().mkpath(folder));
    reporttest::StandInLog log;
    const RegisterRead inner = log.reader();
    QWidget owner;
    FaultReportCommand::Hooks hooks = hooksFor(folder + u"/report.html"_qs);
    hooks.read = [&](uint32_t a, uint32_t f, uint32_t c, uint8_t* b, uint32_t s, uint32_t r) {
        QDir(folder).removeRecursively();
        return inner(a, f, c, b, s, r);
    };
    FaultReportCommand command(&owner, hooks);
    QSignalSpy finished(&command, &FaultReportCommand::finished);
    command.run(header, panelFaults, 5, 0);
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(messages(),
             QStringList{u"error|Błąd|Nie można utworzyć pliku raportu. Brak dostępu do dysku lub brak "
                         u"wystarczającej ilości wolnego miejsca na dysku."_qs});
    QVERIFY(m_viewed.isEmpty());
}

void TestFaultReport::cancelledReportKeepsTheEarlierFile()
{
    const QString path = m_dir.filePath(u"kept.html"_qs);
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier report");
    }
    // The walk waits inside its second read until the test has cancelled it.
    std::mutex mutex;
    std::condition_variable wake;
    bool inRead = false;
    bool release = false;
    reporttest::StandInLog log;
    const RegisterRead inner = log.reader();
    QWidget owner;
    FaultReportCommand::Hooks hooks = hooksFor(path);
    hooks.read = [&](uint32_t a, uint32_t f, uint32_t c, uint8_t* b, uint32_t s, uint32_t r) {
        if (f != newestEntryRegister) {
            std::unique_lock lock(mutex);
            inRead = true;
            wake.notify_all();
            wake.wait(lock, [&] { return release; });
        }
        return inner(a, f, c, b, s, r);
    };
    auto command = std::make_unique<FaultReportCommand>(&owner, hooks);
    command->run(header, panelFaults, 5, 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            std::lock_guard lock(mutex);
            return inRead;
        }(),
        10000);
    command->cancel();
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    wake.notify_all();
    QTRY_VERIFY_WITH_TIMEOUT(!command->isBusy(), 10000);
    command.reset();
    QCOMPARE(readAll(path), QByteArray("earlier report"));
    QCOMPARE(QDir(m_dir.path()).entryList({u"kept.html*"_qs}, QDir::Files | QDir::Hidden),
             QStringList{u"kept.html"_qs});
    QVERIFY(messages().isEmpty());
}

QTEST_MAIN(TestFaultReport)
#include "tst_fault_report.moc"
