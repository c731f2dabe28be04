// SPDX-License-Identifier: MIT
// Commands that wait for the relay, against a relay simulator that answers
// late: motor commands pressed while one is on the line reach the relay in the
// order pressed; a disconnect and a close wait for the relay (the poll, a
// parameters read, the fault report's walk) without freezing the window; a close asked for while connecting
// goes on once the connect has ended; and "Nie" to the closing question leaves a parameters transfer running.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CSettDevDlg.h"
#include "ModalHelpers.h"
#include "PanelTestCase.h"
#include "ParameterGridModel.h"
#include "RelayUnderTest.h"
#include "ZRQ7DLL.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace zrq7::e2e;

namespace {

// "Odłącz", or closing the program (the question is answered "Tak", the
// message log's default).
void endLink(CCPL_ZRQ7Dlg& window, bool close)
{
    if (close)
        window.close();
    else
        QTest::mouseClick(button(window, 1084), Qt::LeftButton);
}

// Starts the relay, points the settings at it and connects the shown window;
// the caller checks QTest::currentTestFailed().
void connectTo(RelayUnderTest& relay, CCPL_ZRQ7Dlg& window, uint32_t timeoutMs)
{
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay(timeoutMs, 1);
    window.show();
    clickConnect(window);
    QVERIFY(window.isConnected());
}

// Counts the window thread's timer ticks: a thread that is blocked does not tick.
class Heartbeat
{
public:
    Heartbeat()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            ++m_ticks;
            const qint64 now = m_clock.elapsed();
            m_longestGap = std::max(m_longestGap, now - m_lastTick);
            m_lastTick = now;
        });
        m_timer.start(50);
        m_clock.start();
    }
    int ticks() const { return m_ticks; }
    qint64 elapsed() const { return m_clock.elapsed(); }
    // At least a third of the ticks a free thread would have made (a loaded machine).
    bool keptTicking() const { return m_ticks >= m_clock.elapsed() / 50 / 3; }
    // The longest the thread went without a tick, the start included.
    qint64 longestGap() const { return m_longestGap; }
    QString report() const
    {
        return QStringLiteral("%1 ticks in %2 ms, longest gap %3 ms")
            .arg(m_ticks)
            .arg(m_clock.elapsed())
            .arg(m_longestGap);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_ticks = 0;
    qint64 m_lastTick = 0;
    qint64 m_longestGap = 0;
};

const QString closeQuestion =
    QStringLiteral("Uwaga: ZRQ jest podłączony, czy na pewno chcesz zakończyć i zerwać połączenie?");

// Every answer 400 ms late (a long RS-485 line or a busy gateway).
const QStringList lateAnswers{QStringLiteral("--delay-rate"), QStringLiteral("1"),
                              QStringLiteral("--delay-ms"), QStringLiteral("400")};

} // namespace

class TestLinkCommandsEndToEnd : public PanelTestCase
{
    Q_OBJECT

private slots:
    void motorCommandsPressedMeanwhileReachTheRelayInOrder();
    void disconnectAndCloseLeaveTheWindowResponsive_data();
    void disconnectAndCloseLeaveTheWindowResponsive();
    void disconnectDuringRelayReadsLeavesTheWindowResponsive_data();
    void disconnectDuringRelayReadsLeavesTheWindowResponsive();
    void closeDuringConnectGoesOnAfterIt_data();
    void closeDuringConnectGoesOnAfterIt();
    void closeAnsweredNoLeavesTheTransferRunning();
};

void TestLinkCommandsEndToEnd::motorCommandsPressedMeanwhileReachTheRelayInOrder()
{
    // The motor waits for a start command.
    RelayUnderTest relay(LinkKind::Tcp, QStringList{QStringLiteral("--setting"), QStringLiteral("198=0"),
                                                    QStringLiteral("--verbose")} +
                                            lateAnswers);
    CCPL_ZRQ7Dlg window;
    connectTo(relay, window, 1500);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(shown(window, 1139) && shown(window, 1198), 20000);

    // START, then STOP while the START write still waits for its answer, then START again.
    QTest::mouseClick(button(window, 1139), Qt::LeftButton);
    QTest::mouseClick(button(window, 1198), Qt::LeftButton);
    QTest::mouseClick(button(window, 1139), Qt::LeftButton);
    QTest::mouseClick(button(window, 1198), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(relay.process().registerWrites(903).size(), 4, 20000);
    QCOMPARE(relay.process().registerWrites(903), (QList<int>{2, 0, 2, 0}));
    // The relay's own state word agrees: the motor is stopped (bit 1).
    const auto status = relay.readRegister(900);
    QVERIFY(status);
    QVERIFY(!(*status >> 1 & 1));
    QCOMPARE(takeMessages(), QStringList());

    clickConnect(window);
    QVERIFY(!window.isConnected());
}

void TestLinkCommandsEndToEnd::disconnectAndCloseLeaveTheWindowResponsive_data()
{
    QTest::addColumn<bool>("close");
    QTest::newRow("Odłącz") << false;
    QTest::newRow("closing the program") << true;
}

void TestLinkCommandsEndToEnd::disconnectAndCloseLeaveTheWindowResponsive()
{
    QFETCH(bool, close);
    // The relay answers for 3 s (the panel connects), then falls silent: the
    // poll's read in progress waits out two attempts of 600 ms.
    RelayUnderTest relay(LinkKind::Tcp, {}, QStringLiteral("at 3 silent 600\n"));
    CCPL_ZRQ7Dlg window;
    connectTo(relay, window, 600);
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(window.pollFlags().bLinkOk.load(), 0, 10000);

    Heartbeat heartbeat;
    endLink(window, close);
    // The command returns at once; the window waits with the busy cursor and
    // takes no command meanwhile.
    QVERIFY(window.isConnecting());
    QVERIFY(window.isVisible());
    QCOMPARE(QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor,
             Qt::WaitCursor);
    QVERIFY(!button(window, 1084)->isEnabled());
    QVERIFY(!window.trayMenu()->isEnabled());
    QCOMPARE(labelText(window, 1112), QStringLiteral("Wyłączone"));

    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 20000);
    // At least the pause after a disconnect (1 s), with the window's timer running throughout.
    QVERIFY2(heartbeat.elapsed() >= 1000, qPrintable(heartbeat.report()));
    QVERIFY2(heartbeat.keptTicking(), qPrintable(heartbeat.report()));
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!linkOpen());
    QVERIFY(!window.isConnected());
    QCOMPARE(button(window, 1084)->text(), QStringLiteral("Podłącz"));
    if (close) {
        QCOMPARE(takeMessages(), QStringList{QStringLiteral("warning|Uwaga|") + closeQuestion});
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
    } else {
        QCOMPARE(takeMessages(), QStringList());
        QVERIFY(window.isVisible());
        QVERIFY(button(window, 1084)->isEnabled());
        QVERIFY(window.trayMenu()->isEnabled());
    }
}

void TestLinkCommandsEndToEnd::disconnectDuringRelayReadsLeavesTheWindowResponsive_data()
{
    QTest::addColumn<bool>("report");
    QTest::addColumn<bool>("close");
    QTest::newRow("parameters read, Odłącz") << false << false;
    QTest::newRow("parameters read, closing the program") << false << true;
    QTest::newRow("fault report, Odłącz") << true << false;
    QTest::newRow("fault report, closing the program") << true << true;
}

void TestLinkCommandsEndToEnd::disconnectDuringRelayReadsLeavesTheWindowResponsive()
{
    QFETCH(bool, report);
    QFETCH(bool, close);
    // The relay answers for 3 s (the panel connects), then falls silent: each
    // register call waits out two attempts of 1.5 s.
    RelayUnderTest relay(LinkKind::Tcp, {QStringLiteral("--verbose")}, QStringLiteral("at 3 silent 600\n"));
    CCPL_ZRQ7Dlg window;
    connectTo(relay, window, 1500);
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(window.pollFlags().bLinkOk.load(), 0, 10000);

    // Each command's first register call meets the silence; what the operator
    // is told once it ends with the link.
    QPointer<CSettDevDlg> parameters;
    QString cutShort;
    const QString reportPath = scratchPath(QStringLiteral("report.html"));
    WhenModal<QFileDialog> save([&](QFileDialog* dialog) {
        dialog->selectFile(reportPath);
        static_cast<QDialog*>(dialog)->accept();
    });
    if (report) {
        QTest::mouseClick(button(window, 1201), Qt::LeftButton);
        QVERIFY(save.seen);
        // The walk's first read (the newest entry's index, register 75) is on the
        // line; it may wait for a few of the poll's calls first.
        static const QRegularExpression newestEntryRead(
            QStringLiteral("<- (?:[0-9A-F]{2} ){7}03 00 4B 00 01"));
        QTRY_VERIFY_WITH_TIMEOUT(newestEntryRead.match(relay.process().standardError()).hasMatch(), 40000);
        cutShort = QStringLiteral("warning|Błąd|Raport nie został utworzony: połączenie z ZRQ-7/8 zostało "
                                  "zakończone w trakcie odczytu dziennika awarii.");
    } else {
        window.OnDeviceParameters(); // reads at once
        parameters = window.parametersWindow();
        QVERIFY(parameters);
        QTRY_VERIFY_WITH_TIMEOUT(parameters->isTransferRunning(), 5000);
        int registerCount = 0; // not one will have been read
        for (int g = 0; g < parameters->model().groupCount(); ++g)
            registerCount += parameters->model().itemCount(g);
        cutShort = QStringLiteral("warning|Parametry ZRQ-7/8|Proces odczytu parametrów z urządzenia został "
                                  "przerwany.\r\nPołączenie z urządzeniem zostało zakończone.\r\nNie "
                                  "odczytano parametrów: %1 (pozostają ich poprzednie wartości).")
                       .arg(registerCount);
    }

    Heartbeat heartbeat;
    endLink(window, close);
    // The command returns at once, the register call still in progress.
    QVERIFY(window.isConnecting());
    QVERIFY(window.isVisible());
    if (parameters && !close) {
        for (int id : {1213, 1215, 1194, 1195})
            QVERIFY2(!button(*parameters, id)->isEnabled(), qPrintable(QString::number(id)));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 30000);
    // The window's timer ran throughout: no register call's wait (3 s) on its thread.
    QVERIFY2(heartbeat.keptTicking(), qPrintable(heartbeat.report()));
    QVERIFY2(heartbeat.longestGap() < 1500, qPrintable(heartbeat.report()));
    QVERIFY(!linkOpen());
    QVERIFY(!QFile::exists(reportPath));
    if (close) {
        // Nothing more is told of the command: the program ends.
        QCOMPARE(takeMessages(), QStringList{QStringLiteral("warning|Uwaga|") + closeQuestion});
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(!parameters);
    } else {
        // The command ended (and said so) before the disconnect did.
        QCOMPARE(takeMessages(), QStringList{cutShort});
        if (parameters)
            QVERIFY(!parameters->isTransferRunning());
        QVERIFY(window.isVisible());
    }
}

void TestLinkCommandsEndToEnd::closeDuringConnectGoesOnAfterIt_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("connected: the question, then the close")
        << QString() << QStringList{QStringLiteral("warning|Uwaga|") + closeQuestion};
    QTest::newRow("failed: the failure, then the close")
        << QStringLiteral("at 0 silent 600\n")
        << QStringList{QStringLiteral("error|Błąd|Błąd limitu czasu. Brak odpowiedzi urządzenia.")};
}

void TestLinkCommandsEndToEnd::closeDuringConnectGoesOnAfterIt()
{
    QFETCH(QString, script);
    QFETCH(QStringList, messages);
    RelayUnderTest relay(LinkKind::Tcp, lateAnswers, script);
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay(300, 1);
    // The late relay needs longer than that to answer; the silent one never does.
    if (script.isEmpty())
        theApp().settings.nResponseTimeout = 1500;

    CCPL_ZRQ7Dlg window;
    window.show();
    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    QVERIFY(window.isConnecting());
    window.close();
    QVERIFY(window.isVisible()); // the connect goes on first

    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 20000);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(takeMessages(), messages);
    QVERIFY(!window.isConnected());
    QVERIFY(!linkOpen());
}

void TestLinkCommandsEndToEnd::closeAnsweredNoLeavesTheTransferRunning()
{
    // Every parameter read is answered late: reading them all takes well over a minute.
    RelayUnderTest relay(LinkKind::Tcp, lateAnswers);
    CCPL_ZRQ7Dlg window;
    connectTo(relay, window, 1500);
    if (QTest::currentTestFailed())
        return;
    window.OnDeviceParameters();
    QPointer<CSettDevDlg> parameters = window.parametersWindow();
    QVERIFY(parameters);
    QTRY_VERIFY_WITH_TIMEOUT(parameters->isTransferRunning(), 5000); // the automatic read

    {
        MessageBoxesShown realBoxes;
        MessageBoxAnswerer no(QMessageBox::No);
        window.close();
        QCOMPARE(no.seen, QStringList{QStringLiteral("Uwaga|") + closeQuestion});
    }
    // Nothing was stopped: the read goes on, the link and the window stay.
    QVERIFY(window.isVisible());
    QVERIFY(window.isConnected());
    QVERIFY(parameters);
    QVERIFY(parameters->isTransferRunning());
    QVERIFY(linkOpen());

    // "Tak": the transfer stops, the link closes, the program ends.
    window.close();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 20000);
    QVERIFY(!parameters);
    QVERIFY(!window.isConnected());
    QVERIFY(!linkOpen());
    QCOMPARE(takeMessages(), QStringList{QStringLiteral("warning|Uwaga|") + closeQuestion});
}

QTEST_MAIN(TestLinkCommandsEndToEnd)
#include "tst_link_commands_e2e.moc"
