// SPDX-License-Identifier: MIT
// The parameters window opened from the connected main window: it is built
// for the relay's firmware and reads at once; the main window keeps polling
// while a transfer waits for the operator; a disconnect stops the transfer
// before the link closes; a second "Parametry ZRQ" raises the open window; and
// closing the main window closes the parameters window first, with its question.
#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CSettDevDlg.h"
#include "CXLabel.h"
#include "ParametersFixture.h"

#include <QtTest>

using namespace zrq7::test;

class TestParametersFromMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void transferBesideThePoll();
};

void TestParametersFromMainWindow::transferBesideThePoll()
{
    SimulatorProcess sim({u"--tcp"_qs, u"0"_qs, u"--fail-register"_qs, u"157"_qs, u"--firmware"_qs, u"11"_qs});
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
    const auto frequency = [&] { return window.liveDisplay().label(1127)->Text(); };
    QTRY_COMPARE(frequency(), u"50.0 Hz"_qs);

    bool pollWentOn = false;
    bool stoppedBeforeLinkClosed = false;
    CSettDevDlg* parameters = nullptr;
    bool agree = false;
    MessageBoxOperator operatorAnswers([&](const QString& message) {
        if (message.startsWith(u"Uwaga|Nie wszystkie zmiany"_qs))
            return agree ? QMessageBox::Yes : QMessageBox::No;
        if (!message.startsWith(u"Uwaga|Błąd pobrania parametru 'adres:157'"_qs))
            return QMessageBox::NoButton;
        // The transfer waits for this answer; the main window's values go on.
        window.liveDisplay().label(1127)->SetText(QString());
        pollWentOn = QTest::qWaitFor([&] { return frequency() == u"50.0 Hz"_qs; }, 5000);
        window.OnConnect(); // disconnect
        stoppedBeforeLinkClosed = !parameters->isTransferRunning() && !window.isConnected();
        return QMessageBox::Retry; // too late: the transfer has ended
    });
    window.OnDeviceParameters();
    parameters = window.parametersWindow();
    QVERIFY(parameters);
    QVERIFY(parameters->isOnline());
    QCOMPARE(parameters->model().firmwareVersion(), 11);
    QSignalSpy finished(parameters, &CSettDevDlg::transferFinished);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QVERIFY(pollWentOn);
    QVERIFY(stoppedBeforeLinkClosed);
    QVERIFY(finished.first().at(2).toBool()); // cancelled by the disconnect
    QCOMPARE(operatorAnswers.seen.last(), u"Parametry ZRQ-7/8|Proces odczytu parametrów z urządzenia został "
                                          "zakończony.\nNie odczytano parametrów: 1."_qs);
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
    QCOMPARE(operatorAnswers.seen.last(), u"Uwaga|Nie wszystkie zmiany zostały zapisane. Czy na pewno chcesz zakończyć?"_qs);
    QVERIFY(window.isVisible());
    QVERIFY(parameters->isVisible());
    agree = true;
    window.close();
    QVERIFY(!window.isVisible());
    QTRY_VERIFY(!window.parametersWindow());
}

QTEST_MAIN(TestParametersFromMainWindow)
#include "tst_parameters_from_main_window.moc"
