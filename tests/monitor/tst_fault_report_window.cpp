// SPDX-License-Identifier: MIT
// The main window's commands that reach this module, with the window
// connected to a relay simulator over Modbus TCP: "Dziennik awarii ZRQ"
// writes the report of the relay's log and the window's own fault list and
// opens it in the viewer; the settings window opened while connected refuses
// a device search.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CHtmlDialog.h"
#include "CSettingsDlg.h"
#include "CXListCtrl.h"
#include "ModalHelpers.h"
#include "ReportTables.h"
#include "SimulatorProcess.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

using zrq7::test::SimulatorProcess;

class TestFaultReportWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void reportOfTheConnectedRelay();
    void searchIsRefusedWhileConnected();

private:
    QPushButton* button(QWidget& window, int id)
    {
        return window.findChild<QPushButton*>(QStringLiteral("id%1").arg(id));
    }

    QTemporaryDir m_dir;
    QString m_messageLog;
    std::unique_ptr<SimulatorProcess> m_sim;
    std::unique_ptr<CCPL_ZRQ7Dlg> m_window;
};

void TestFaultReportWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_messageLog = m_dir.filePath(u"messages.log"_qs);
    qputenv("ZRQ7_MESSAGE_LOG", m_messageLog.toUtf8());
    const QString script = m_dir.filePath(u"trip.txt"_qs);
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("at 0.2 trip 12 value 380\n"); // minimum line voltage: the motor stops, the log gets it
    file.close();
    m_sim = std::make_unique<SimulatorProcess>(QStringList{u"--tcp"_qs, u"0"_qs, u"--script"_qs, script,
                                                           u"--start-time"_qs, u"2026-02-03T10:20:30"_qs});
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    QVERIFY(SetSettingsText(s.szPortName, u"Modbus TCP"_qs));
    s.dwIpAddress = 0x7F000001;
    s.nTcpPort = m_sim->tcpPort();

    m_window = std::make_unique<CCPL_ZRQ7Dlg>();
    m_window->show();
    QTest::mouseClick(button(*m_window, 1084), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isConnecting(), 10000);
    QVERIFY(m_window->isConnected());
    QVERIFY(button(*m_window, 1201)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->controls().faultList->rowCount(), 1, 10000);
    takeMessages(m_messageLog);
}

void TestFaultReportWindow::cleanupTestCase()
{
    if (m_window && m_window->isConnected()) {
        QTest::mouseClick(button(*m_window, 1084), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->isConnected(), 10000);
    }
    m_window.reset();
    m_sim.reset();
}

void TestFaultReportWindow::reportOfTheConnectedRelay()
{
    const QString path = m_dir.filePath(u"report"_qs);
    WhenModal<QFileDialog> save([&](QFileDialog* dialog) {
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->defaultSuffix(), u"html"_qs);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    QString shown;
    WhenModal<CHtmlDialog> viewer([&](CHtmlDialog* dialog) {
        shown = dialog->view()->toPlainText();
        dialog->reject();
    });
    QTest::mouseClick(button(*m_window, 1201), Qt::LeftButton);
    QVERIFY(save.seen);
    QTRY_VERIFY_WITH_TIMEOUT(viewer.seen, 20000);

    QFile file(path + u".html"_qs);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    QVERIFY(html.contains("Nazwa urzadzenia: &quot;ZRQ-7/8&quot; : ID_11"));
    QVERIFY(html.contains("Wersja firmware: 12"));
    QVERIFY(html.contains("Adres sieciowy: 1"));
    const QList<QStringList> relay = reporttest::dataRows(reporttest::table(html, 0));
    QCOMPARE(relay.size(), 1);
    QCOMPARE(relay[0][1], u"Umin"_qs);
    QCOMPARE(relay[0][3], u"380 V"_qs);
    QVERIFY2(relay[0][2].startsWith(u"03.02.2026  10:20:3"_qs), qPrintable(relay[0][2]));
    const QList<QStringList> panel = reporttest::dataRows(reporttest::table(html, 1));
    QCOMPARE(panel.size(), 1);
    QCOMPARE(panel[0][1], u"Minimalne napięcie liniowe"_qs);
    QCOMPARE(panel[0][4], u"12"_qs);
    QVERIFY(shown.contains(u"Minimalne napięcie liniowe"_qs));
    const QStringList messages = takeMessages(m_messageLog);
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].startsWith(u"question|ZRQ-7/8|Plik raportu jest zapisany pod adresem"_qs));
}

void TestFaultReportWindow::searchIsRefusedWhileConnected()
{
    // The tray's "Ustawienia programu" opens the settings window while connected.
    QVERIFY(QFile::link(u"/dev/null"_qs, qEnvironmentVariable("ZRQ7_PORTS") + u"/COM3"_qs));
    bool offered = false;
    bool refused = false;
    WhenModal<CSettingsDlg> settings([&](CSettingsDlg* dialog) {
        auto* port = dialog->findChild<QComboBox*>(u"id1016"_qs);
        const int com3 = port->findText(u"COM3"_qs);
        port->setFocus();
        while (com3 >= 0 && port->currentIndex() != com3)
            QTest::keyClick(port, port->currentIndex() > com3 ? Qt::Key_Up : Qt::Key_Down);
        QPushButton* search = button(*dialog, 1216);
        offered = search->isEnabled();
        if (offered) {
            QTest::mouseClick(search, Qt::LeftButton);
            const QStringList messages = takeMessages(m_messageLog);
            refused = messages.size() == 1 &&
                      messages[0].startsWith(u"warning|Uwaga|Nie można wyszukiwać urządzeń"_qs);
        }
        QTest::mouseClick(button(*dialog, 1154), Qt::LeftButton);
    });
    m_window->OnSettings();
    QVERIFY(settings.seen);
    QVERIFY2(offered, "the mapped COM3 is chosen and the search offered");
    QVERIFY(refused);
    QVERIFY(m_window->isConnected());
}

QTEST_MAIN(TestFaultReportWindow)
#include "tst_fault_report_window.moc"
