// SPDX-License-Identifier: MIT
// The whole window against a running relay simulator: "Połącz" connects over
// Modbus TCP, the live values and the link status follow, and closing while
// connected asks first (No keeps the connection, Yes breaks it and closes).

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CDataDlg.h"
#include "CIconButton.h"
#include "CSettingsDlg.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "ClearOfMidnight.h"
#include "DayFile.h"
#include "ModalHelpers.h"
#include "Recorder.h"
#include "SimulatorProcess.h"

#include <QDate>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>

using zrq7::test::SimulatorProcess;

class TestConnectedWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void connectShowsLiveValues();
    void closeWhileConnected_data();
    void closeWhileConnected();
    void recordsThroughConnectAndDisconnect();
    void savedDeviceAddressReachesThePoll();

private:
    QPushButton* button(CCPL_ZRQ7Dlg& window, int id)
    {
        return window.findChild<QPushButton*>(QStringLiteral("id%1").arg(id));
    }

    std::unique_ptr<SimulatorProcess> m_sim;
};

void TestConnectedWindow::init()
{
    m_sim = std::make_unique<SimulatorProcess>();
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    QVERIFY(SetSettingsText(s.szPortName, u"Modbus TCP"_qs));
    s.dwIpAddress = 0x7F000001;
    s.nTcpPort = m_sim->tcpPort();
}

void TestConnectedWindow::cleanup()
{
    m_sim.reset();
}

void TestConnectedWindow::connectShowsLiveValues()
{
    CCPL_ZRQ7Dlg window;
    window.show();
    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000);
    QVERIFY(window.isConnected());
    QCOMPARE(button(window, 1084)->text(), u"Odłącz"_qs);
    QCOMPARE(window.controls().linkState->Text(), u"Podłączony"_qs);
    QVERIFY2(window.windowTitle().contains(u"Adres [1]"_qs), qPrintable(window.windowTitle()));

    // The delivered simulator: 231 V mains, a running 42 A motor, no fault.
    QTRY_VERIFY(window.controls().voltageL1->Text().endsWith(u" V"_qs) &&
                window.controls().voltageL1->Text() != u"0 V"_qs);
    QTRY_VERIFY(window.controls().frequency->Text() == u"50.0 Hz"_qs);
    QTRY_VERIFY(window.controls().relayClock->Text() != u"00 : 00 : 00\r\n00.00.0000"_qs);
    QTRY_COMPARE(window.controls().remoteLamp->GetState(), 1); // remote control allowed
    window.OnSecondTick();
    QCOMPARE(window.controls().linkActivity->property("picture").toString(), u"link_ok"_qs);
    QVERIFY(window.controls().throughput->Text().endsWith(u"par./s"_qs));

    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000);
    QVERIFY(!window.isConnected());
    QCOMPARE(button(window, 1084)->text(), u"Podłącz"_qs);
    QCOMPARE(window.controls().voltageL1->Text(), u"0 V"_qs);
    QVERIFY(window.controls().start->isHidden());
    QCOMPARE(window.controls().linkActivity->property("picture").toString(), u"link_idle"_qs);
}

void TestConnectedWindow::closeWhileConnected_data()
{
    QTest::addColumn<bool>("agree");
    QTest::newRow("no: window and connection stay") << false;
    QTest::newRow("yes: disconnects and closes") << true;
}

void TestConnectedWindow::closeWhileConnected()
{
    QFETCH(bool, agree);
    theApp().settings.bAutoRecord = 1;
    CCPL_ZRQ7Dlg window;
    window.show();
    Recorder& recorder = window.findChild<CDataDlg*>()->recorder();
    QVERIFY(recorder.running());
    QCOMPARE(recorder.state(), REC_ON);
    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000);
    QVERIFY(window.isConnected());

    QString question;
    WhenModal<QMessageBox> box([&](QMessageBox* message) {
        question = message->windowTitle() + u'|' + message->text();
        message->button(agree ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    window.close();
    QVERIFY(box.seen);
    QCOMPARE(question,
             u"Uwaga|Uwaga: ZRQ jest podłączony, czy na pewno chcesz zakończyć i zerwać połączenie?"_qs);
    QCOMPARE(window.isConnected(), !agree);
    // "Tak": the window goes once the disconnect has ended.
    QTRY_COMPARE_WITH_TIMEOUT(window.isVisible(), !agree, 10000);
    // The question comes before the recorder is stopped: "Nie" leaves it recording.
    QCOMPARE(recorder.running(), !agree);
    QCOMPARE(recorder.state(), agree ? 0 : REC_ON);
    if (!agree) {
        // Still polling: a value changed at the relay shows up.
        window.controls().frequency->SetText(QString());
        QTRY_COMPARE(window.controls().frequency->Text(), u"50.0 Hz"_qs);
    }
}

// Recording runs with and without the link: records written while connected
// carry link state 1 and the relay's values, after "Odłącz" link state 0 and zeros.
void TestConnectedWindow::recordsThroughConnectAndDisconnect()
{
    waitUntilClearOfMidnight(std::chrono::seconds(60));
    theApp().settings.bAutoRecord = 1;
    theApp().settings.nRecordInterval = 1;
    QDir(qEnvironmentVariable("XDG_DATA_HOME") + u"/CPL_ZRQ7/zrq_db"_qs).removeRecursively();
    CCPL_ZRQ7Dlg window;
    window.show();
    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000);
    QVERIFY(window.isConnected());
    const QDate today = QDate::currentDate();
    const std::filesystem::path path =
        (qEnvironmentVariable("XDG_DATA_HOME") + u"/CPL_ZRQ7/zrq_db/"_qs).toStdString() +
        DbFileName({today.day(), today.month(), today.year()});
    const auto last = [&] {
        const DbFileContents contents = ReadDbFile(path);
        return contents.records.empty() ? _tagSTRUCT_DATA{} : contents.records.back();
    };
    QTRY_VERIFY_WITH_TIMEOUT(last().nLinkState == 1 && last().nValue[26] == 500, 10000); // 50.0 Hz

    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QVERIFY(!window.isConnected());
    const auto size = ReadDbFile(path).records.size();
    QTRY_VERIFY_WITH_TIMEOUT(ReadDbFile(path).records.size() >= size + 2, 10000);
    const _tagSTRUCT_DATA after = last();
    QCOMPARE(after.nLinkState, 0);
    for (int k = 0; k < DbValueCount; ++k)
        QCOMPARE(after.nValue[k], 0);
}

// "Zapisz" in the settings window, opened while connected, sends the poll's next
// requests to the new device address: one the simulator does not answer breaks
// the link, the simulator's own mends it again, with the window still open.
void TestConnectedWindow::savedDeviceAddressReachesThePoll()
{
    theApp().settings.nResponseTimeout = 300; // a silent address costs 300 ms a request
    theApp().settings.nRetries = 0;
    CCPL_ZRQ7Dlg window;
    window.show();
    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000);
    QVERIFY(window.isConnected());
    const std::atomic<int32_t>& linkOk = window.pollFlags().bLinkOk;
    QTRY_COMPARE(linkOk.load(), 1);

    WhenModal<CSettingsDlg> settings([&](CSettingsDlg* dialog) {
        // "Zakończ" also when a check fails, or the window's exec() never returns.
        const auto close = qScopeGuard([dialog] { dialog->findChild<QPushButton*>(u"id1154"_qs)->click(); });
        auto* address = dialog->findChild<QLineEdit*>(u"id1045"_qs);
        auto* save = dialog->findChild<QPushButton*>(u"id1005"_qs);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        const auto saveAddress = [&](const QString& text) {
            address->setFocus();
            address->selectAll();
            QTest::keyClicks(address, text);
            QTest::mouseClick(save, Qt::LeftButton);
        };
        saveAddress(u"9"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(linkOk.load(), 0, 5000);
        saveAddress(u"1"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(linkOk.load(), 1, 5000);
    });
    window.OnSettings();
    QVERIFY(settings.seen);
    QCOMPARE(theApp().settings.nDeviceAddress, 1);
    QVERIFY(window.isConnected());

    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000);
}

QTEST_MAIN(TestConnectedWindow)
#include "tst_connected_window.moc"
