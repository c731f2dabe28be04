// SPDX-License-Identifier: MIT
// The parameters window opened from the connected main window: it is built
// for the relay's firmware and reads at once; the main window keeps polling
// while a transfer waits for the operator; a disconnect stops the transfer
// before the link closes and the transfer says it was cut short; the window
// never works with a relay connected after its own link closed; a second
// "Parametry ZRQ" raises the open window (or the version choice before it);
// and closing the main window closes the parameters window first, with its
// question. Against a relay that answers every request 400 ms late where the
// order of events matters.
#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CSettDevDlg.h"
#include "CXLabel.h"
#include "ParametersFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace zrq7::test;

class TestParametersFromMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void transferBesideThePoll();
    void disconnectDuringTransfer_data();
    void disconnectDuringTransfer();
    void windowOutlivesItsLink();
    void versionChoiceIsTheOpenWindow();
};

namespace {

// Zrq7sim answering every request 400 ms late (a long RS-485 line, a busy gateway).
const QStringList lateAnswers{u"--delay-rate"_qs, u"1"_qs, u"--delay-ms"_qs, u"400"_qs};

// Shows the main window and connects it to a simulator's TCP port, with a
// time-out well above the late answers; false when it does not connect.
bool connectTo(CCPL_ZRQ7Dlg& window, uint16_t port)
{
    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    if (!SetSettingsText(s.szPortName, u"Modbus TCP"_qs))
        return false;
    s.dwIpAddress = 0x7F000001;
    s.nTcpPort = port;
    s.nResponseTimeout = 2000;
    s.nRetries = 0;
    window.show();
    window.OnConnect(); // the connect runs off the window's thread
    return QTest::qWaitFor([&] { return window.isConnected(); }, 10000);
}

QPushButton* button(QWidget& window, int id)
{
    return window.findChild<QPushButton*>(QStringLiteral("id%1").arg(id));
}

} // namespace

void TestParametersFromMainWindow::transferBesideThePoll()
{
    SimulatorProcess sim(
        {u"--tcp"_qs, u"0"_qs, u"--fail-register"_qs, u"157"_qs, u"--firmware"_qs, u"11"_qs});
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    QVERIFY(SetSettingsText(s.szPortName, u"Modbus TCP"_qs));
    s.dwIpAddress = 0x7F000001;
    s.nTcpPort = sim.tcpPort();

    CCPL_ZRQ7Dlg window;
    window.show();
    window.OnConnect();
    QTRY_VERIFY(window.isConnected()); // the connect runs off the window's thread
    const auto frequency = [&] { return window.controls().frequency->Text(); };
    QTRY_COMPARE(frequency(), u"50.0 Hz"_qs);

    bool pollWentOn = false;
    bool disconnectReturned = false;
    bool stoppedBeforeLinkClosed = false;
    CSettDevDlg* parameters = nullptr;
    bool agree = false;
    MessageBoxAnswerer operatorAnswers([&](const QString& message) {
        if (message.startsWith(u"Uwaga|Nie wszystkie zmiany"_qs))
            return agree ? QMessageBox::Yes : QMessageBox::No;
        // The transfer's end comes back before the disconnect's (which waits for it).
        if (message.startsWith(u"Parametry ZRQ-7/8|Proces odczytu"_qs))
            stoppedBeforeLinkClosed = window.isConnecting();
        if (!message.startsWith(u"Uwaga|Błąd pobrania parametru 'adres:157'"_qs))
            return QMessageBox::NoButton;
        // The transfer waits for this answer; the main window's values go on.
        window.controls().frequency->SetText(QString());
        pollWentOn = QTest::qWaitFor([&] { return frequency() == u"50.0 Hz"_qs; }, 5000);
        window.OnConnect(); // disconnect: returns at once, the transfer asked to stop
        disconnectReturned = !window.isConnected() && window.isConnecting();
        return QMessageBox::Retry; // too late: the transfer is ending
    });
    window.OnDeviceParameters();
    parameters = window.parametersWindow();
    QVERIFY(parameters);
    QVERIFY(parameters->isOnline());
    QCOMPARE(parameters->model().firmwareVersion(), 11);
    QSignalSpy finished(parameters, &CSettDevDlg::transferFinished);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QVERIFY(pollWentOn);
    QVERIFY(disconnectReturned);
    QVERIFY(stoppedBeforeLinkClosed);
    QVERIFY(finished.first().at(2).toBool()); // cancelled by the disconnect
    // Cut short at 157: that register and every one after it were not read.
    const QList<int> addresses = gridAddresses(parameters->model());
    const int notRead = int(addresses.size() - addresses.indexOf(157));
    QCOMPARE(finished.first().at(1).toInt(), notRead);
    QCOMPARE(
        operatorAnswers.seen.last(),
        u"Parametry ZRQ-7/8|Proces odczytu parametrów z urządzenia został przerwany.\nPołączenie z "
        "urządzeniem zostało zakończone.\nNie odczytano parametrów: %1 (pozostają ich poprzednie wartości)."_qs
            .arg(notRead));
    QCOMPARE(operatorAnswers.icons.last(), QMessageBox::Warning);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000); // the disconnect has ended

    // One window only: the second command brings it back.
    parameters->showMinimized();
    window.OnDeviceParameters();
    QCOMPARE(window.parametersWindow(), parameters);
    QVERIFY(!(parameters->windowState() & Qt::WindowMinimized));
    int open = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        open += qobject_cast<CSettDevDlg*>(top) && top->isVisible() ? 1 : 0;
    QCOMPARE(open, 1);

    // Closing the main window asks the parameters window first; No keeps both.
    markPending(parameters->model(), 153);
    window.close();
    QCOMPARE(operatorAnswers.seen.last(),
             u"Uwaga|Nie wszystkie zmiany zostały zapisane. Czy na pewno chcesz zakończyć?"_qs);
    QVERIFY(window.isVisible());
    QVERIFY(parameters->isVisible());
    agree = true;
    window.close();
    QVERIFY(!window.isVisible());
    QTRY_VERIFY(!window.parametersWindow());
}

void TestParametersFromMainWindow::disconnectDuringTransfer_data()
{
    QTest::addColumn<bool>("reading");
    QTest::newRow("reading") << true;
    QTest::newRow("writing") << false;
}

void TestParametersFromMainWindow::disconnectDuringTransfer()
{
    QFETCH(bool, reading);
    // 150 and 242 (the first and the last register) differ from their factory
    // values, so the window shows whether the read reached them. Writing: the
    // first read is cancelled at 154 (which the poll never reads), and the
    // window then writes what it has.
    QStringList options = lateAnswers;
    options << u"--firmware"_qs << u"11"_qs << u"--setting"_qs << u"150=200"_qs << u"--setting"_qs
            << u"242=1"_qs;
    if (!reading)
        options += QStringList{u"--fail-register"_qs, u"154x1"_qs};
    LinkedSimulator relay(options);
    QVERIFY2(relay.process().start(), qPrintable(relay.process().errorString()));
    CCPL_ZRQ7Dlg window;
    QVERIFY(connectTo(window, relay.process().tcpPort()));

    MessageBoxAnswerer operatorAnswers(answering(u"Uwaga|Błąd pobrania parametru"_qs, QMessageBox::Cancel));
    window.OnDeviceParameters();
    CSettDevDlg* parameters = window.parametersWindow();
    QVERIFY(parameters);
    ParameterGridModel& model = parameters->model();
    const QList<int> addresses = gridAddresses(model);
    QSignalSpy finished(parameters, &CSettDevDlg::transferFinished);
    if (!reading) {
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000); // the cancelled read
        relay.takeWrites();
        parameters->findChild<QCheckBox*>(u"id1217"_qs)->setChecked(false);
        button(*parameters, 1215)->click();
        QVERIFY(parameters->isTransferRunning());
    }
    // Two groups in (a few registers), the operator disconnects.
    QTRY_VERIFY_WITH_TIMEOUT(parameters->findChild<QProgressBar*>(u"id1142"_qs)->value() >= 10, 20000);
    window.OnConnect(); // returns at once: the disconnect waits for the transfer on its own thread
    QVERIFY(!window.isConnected());
    QVERIFY(window.isConnecting());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), reading ? 1 : 2, 10000);
    const QList<QVariant> end = finished.last();
    QVERIFY(end.at(2).toBool()); // cancelled
    const int notDone = end.at(1).toInt();
    QVERIFY2(notDone > 0 && notDone < addresses.size() - 2, qPrintable(QString::number(notDone)));
    const QString text =
        reading ? u"Parametry ZRQ-7/8|Proces odczytu parametrów z urządzenia został przerwany.\nPołączenie z "
                  "urządzeniem zostało zakończone.\nNie odczytano parametrów: %1 (pozostają ich poprzednie "
                  "wartości)."_qs
                : u"Parametry ZRQ-7/8|Proces zapisu parametrów do urządzenia został przerwany.\nPołączenie z "
                  "urządzeniem zostało zakończone.\nNie zapisano parametrów: %1."_qs;
    QCOMPARE(operatorAnswers.seen.last(), text.arg(notDone));
    QCOMPARE(operatorAnswers.icons.last(), QMessageBox::Warning);

    // The count is exact: the registers before it were transferred, the rest not.
    const qsizetype done = addresses.size() - notDone;
    if (reading) {
        QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000); // the disconnect has closed its link
        QCOMPARE(TCP_Open(u"127.0.0.1", relay.process().tcpPort()), 0);
        const QList<int> relayValues = relay.registers(150, 95);
        QCOMPARE(relayValues.size(), 95);
        for (qsizetype i = 0; i < addresses.size(); ++i) {
            const CValueMinMaxSubProp& item = itemOf(model, uint16_t(addresses[i]));
            QCOMPARE(item.value, i < done ? relayValues[addresses[i] - 150] : item.factory);
        }
        QCOMPARE(itemOf(model, 150).value, 200);
        QCOMPARE(itemOf(model, 242).value, 0); // not read: the factory value stays
    } else {
        QCOMPARE(relay.takeWrites(), addresses.mid(0, done));
    }
}

void TestParametersFromMainWindow::windowOutlivesItsLink()
{
    LinkedSimulator first({u"--firmware"_qs, u"11"_qs});
    LinkedSimulator second({u"--firmware"_qs, u"12"_qs});
    QVERIFY2(first.process().start(), qPrintable(first.process().errorString()));
    QVERIFY2(second.process().start(), qPrintable(second.process().errorString()));
    CCPL_ZRQ7Dlg window;
    QVERIFY(connectTo(window, first.process().tcpPort()));
    MessageBoxAnswerer operatorAnswers(answering(u"Uwaga|Nie wszystkie zmiany"_qs, QMessageBox::Yes));
    window.OnDeviceParameters();
    QPointer<CSettDevDlg> parameters = window.parametersWindow();
    QVERIFY(parameters);
    QSignalSpy finished(parameters, &CSettDevDlg::transferFinished);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000); // the automatic read
    const QList<int> transferButtons{1213, 1215, 1194, 1195};
    for (int id : transferButtons)
        QVERIFY(button(*parameters, id)->isEnabled());

    // The first relay goes; another one (another firmware version) comes.
    window.OnConnect();
    QVERIFY(!window.isConnected());
    for (int id : transferButtons)
        QVERIFY2(!button(*parameters, id)->isEnabled(), qPrintable(QString::number(id)));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000); // the disconnect and its pause have ended
    theApp().settings.nTcpPort = second.process().tcpPort();
    window.OnConnect();
    QTRY_VERIFY_WITH_TIMEOUT(window.isConnected(), 10000);
    for (int id : transferButtons)
        QVERIFY(!button(*parameters, id)->isEnabled());
    // Nothing of the first relay's grid reaches the second one, whichever way asked.
    parameters->findChild<QCheckBox*>(u"id1217"_qs)->setChecked(false);
    second.takeWrites();
    parameters->WriteAllParameters();
    parameters->SynchronizeDeviceClock();
    parameters->ReadAllParameters();
    QVERIFY(!parameters->isTransferRunning());
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 1);

    // Editing and files go on.
    QTemporaryDir dir;
    parameters->model().applyEdit(valueIndex(parameters->model(), 153), 100);
    parameters->SaveParameterFile(dir.filePath(u"a.zrq7"_qs));
    QCOMPARE(operatorAnswers.seen.last(), u"Parametry ZRQ-7/8|Zapis pliku ustawień zakończony sukcesem."_qs);
    for (int id : {1179, 1138, 1220, 1204, 1206, 1211})
        QVERIFY(button(*parameters, id)->isEnabled());

    // Reopened, the window works with the relay now connected.
    parameters->close();
    QTRY_VERIFY(!parameters);
    window.OnDeviceParameters();
    QVERIFY(window.parametersWindow());
    QVERIFY(window.parametersWindow()->isOnline());
    QCOMPARE(window.parametersWindow()->model().firmwareVersion(), 12);
    QSignalSpy reopened(window.parametersWindow(), &CSettDevDlg::transferFinished);
    QTRY_COMPARE_WITH_TIMEOUT(reopened.count(), 1, 20000);
    window.OnConnect(); // disconnect: nothing was written meanwhile
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 10000);
    QVERIFY(second.takeWrites().isEmpty());
}

void TestParametersFromMainWindow::versionChoiceIsTheOpenWindow()
{
    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    CCPL_ZRQ7Dlg window;
    window.show();
    const auto visibleOf = [](const char* className) {
        int count = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            count += top->inherits(className) && top->isVisible() ? 1 : 0;
        return count;
    };
    // The operator presses "Parametry ZRQ" once more while the version choice
    // is up, then picks version 9.
    int presses = 1;
    int mostChoices = 0;
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, &window, [&] {
        const int choices = visibleOf("CFirmwareDlg");
        mostChoices = std::max(mostChoices, choices);
        if (choices == 0)
            return;
        if (presses == 1) {
            ++presses;
            QTimer::singleShot(0, &window, &CCPL_ZRQ7Dlg::OnDeviceParameters);
            return;
        }
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->inherits("CFirmwareDlg") && top->isVisible() && !top->property("picked").toBool()) {
                top->setProperty("picked", true);
                top->findChild<QComboBox*>(u"id1208"_qs)->setCurrentText(u"9"_qs);
                QTimer::singleShot(0, top, [top] { button(*top, 1212)->click(); });
                return;
            }
        }
    });
    operatorHand.start(10);
    window.OnDeviceParameters();
    QTRY_VERIFY(window.parametersWindow());
    QTRY_COMPARE(visibleOf("CFirmwareDlg"), 0);
    QCOMPARE(presses, 2);
    QCOMPARE(mostChoices, 1);
    QCOMPARE(visibleOf("CSettDevDlg"), 1);
    QVERIFY(!window.parametersWindow()->isOnline());
    QCOMPARE(window.parametersWindow()->model().firmwareVersion(), 9);
}

QTEST_MAIN(TestParametersFromMainWindow)
#include "tst_parameters_from_main_window.moc"
