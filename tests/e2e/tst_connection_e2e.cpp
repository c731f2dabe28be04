// SPDX-License-Identifier: MIT
// The panel against the relay simulator, end to end: the main window (offscreen)
// connects through the link library over Modbus TCP and over RTU and ASCII
// pseudo-terminals, shows what the relay serves, reports failed connects, notices
// a relay that falls silent, lists a relay's fault, sends motor commands, and
// disconnects and closes cleanly.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "MeasurementSnapshot.h"
#include "ModalHelpers.h"
#include "PanelTestCase.h"
#include "ProgramProcess.h"
#include "RelayUnderTest.h"
#include "ZRQ7DLL.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <pty.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace zrq7::e2e;

Q_DECLARE_METATYPE(zrq7::e2e::LinkKind)

namespace {

QString errorLine(const QString& text)
{
    return QStringLiteral("error|Błąd|") + text;
}

// The relay's own state word (register 900) as an independent client reads it.
bool relayStatusBit(const RelayUnderTest& relay, int bit)
{
    const auto word = relay.readRegister(900);
    return word && (*word >> bit & 1);
}

// Registers pinned by the scenario, with the values the panel must derive from them.
const QString pinnedValues =
    QStringLiteral("at 0 set 30 100\n"  // phase 1 current 10.0 A (current transformer 100 A: tenths)
                   "at 0 set 45 230\n"  // phase 1 voltage 230 V
                   "at 0 set 60 0\n"    // apparent power, high word
                   "at 0 set 61 1234\n" //   low word: 12.34 kVA
                   "at 0 set 66 850\n"  // cos φ phase A 0.850
                   "at 0 set 90 1\n"    // apparent energy, high word
                   "at 0 set 91 2\n");  //   low word: 65538 tenths

} // namespace

class TestConnectionEndToEnd : public PanelTestCase
{
    Q_OBJECT

private slots:
    void connectShowsRelayValuesAndDisconnects_data();
    void connectShowsRelayValuesAndDisconnects();
    void failedConnectIsReportedAndLeavesDisconnected_data();
    void failedConnectIsReportedAndLeavesDisconnected();
    void silentRelayRaisesLinkLostAndRecovers();
    void garbageAnswersNeverBecomeValues_data();
    void garbageAnswersNeverBecomeValues();
    void relayFaultIsListedAndMotorCommandsReachRelay();
    void closeWhileConnectedAsksFirst();
    void firstCurrentsUseTheTransformerRating();
    void windowWorksWhileIdentifying();
    void motorCommandInFlightEndsWithTheDisconnect();
    void linkMessagesStayOnTop();
    void programConnectsAtStartFromItsProfile();
};

void TestConnectionEndToEnd::connectShowsRelayValuesAndDisconnects_data()
{
    QTest::addColumn<LinkKind>("link");
    QTest::newRow("Modbus TCP") << LinkKind::Tcp;
    QTest::newRow("RTU over a serial line") << LinkKind::Rtu;
    QTest::newRow("ASCII over a serial line") << LinkKind::Ascii;
}

void TestConnectionEndToEnd::connectShowsRelayValuesAndDisconnects()
{
    QFETCH(LinkKind, link);
    RelayUnderTest relay(link,
                         {QStringLiteral("--setting"), QStringLiteral("150=100"),
                          QStringLiteral("--start-time"), QStringLiteral("2025-12-24T12:30:45")},
                         pinnedValues);
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay();
    // Read-outs: apparent energy, phase 1 apparent power, apparent power.
    theApp().settings.nPowerSelection[0] = 0;
    theApp().settings.nPowerSelection[1] = 6;
    theApp().settings.nPowerSelection[2] = 3;

    CCPL_ZRQ7Dlg window;
    window.show();
    clickConnect(window);
    QCOMPARE(takeMessages(), QStringList());
    QCOMPARE(button(window, 1084)->text(), QStringLiteral("Odłącz"));
    QCOMPARE(labelText(window, 1112), QStringLiteral("Podłączony"));
    QVERIFY(!button(window, 1000)->isEnabled());
    QVERIFY(button(window, 1201)->isEnabled());
    QVERIFY2(window.windowTitle().contains(QStringLiteral(" - Adres [1] - Wersja mikroprogramu [12] - ")),
             qPrintable(window.windowTitle()));

    // 10.0 A, 230 V and cos φ 0.850 on phase 1: P1 1955 W, Q1 1211 var, S1 2299 VA.
    QTRY_COMPARE_WITH_TIMEOUT(labelText(window, 1092), QStringLiteral("10.0 \u0410"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(window, 1114), QStringLiteral("230 V"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(window, 1190), QStringLiteral("6553.8 kVA/h"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(window, 1191), QStringLiteral("2.29 kVA"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(window, 1192), QStringLiteral("12.34 kVA"), 10000);
    const MeasurementSnapshot& values = window.snapshot();
    QCOMPARE(values.GetMeasurement(0), 100);
    QCOMPARE(values.GetMeasurement(15), 230);
    QCOMPARE(values.GetMeasurement(33), 850);
    QCOMPARE(values.GetMeasurement(41), 229);
    QCOMPARE(values.GetMeasurement(44), 195);
    QCOMPARE(values.GetMeasurement(47), 121);
    QCOMPARE(values.GetMeasurement(50), 65538);
    // The relay clock started at 12:30:45 on 24.12.2025.
    static const QRegularExpression clock(QStringLiteral("^12 : 3[01] : \\d\\d\r\n24\\.12\\.2025$"));
    QTRY_VERIFY2_WITH_TIMEOUT(clock.match(labelText(window, 1130)).hasMatch(),
                              qPrintable(labelText(window, 1130)), 10000);

    // Disconnect while the poll runs: the link is closed, the display reset, and
    // nothing the poll still had on its way reaches the window afterwards.
    clickConnect(window);
    QVERIFY(!linkOpen());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(button(window, 1084)->text(), QStringLiteral("Podłącz"));
    QCOMPARE(labelText(window, 1112), QStringLiteral("Wyłączone"));
    QCOMPARE(labelText(window, 1092), QStringLiteral("0.0 \u0410"));
    QCOMPARE(labelText(window, 1114), QStringLiteral("0 V"));
    QCOMPARE(values.GetMeasurement(0), 0);
    QVERIFY(button(window, 1000)->isEnabled());
    QVERIFY(!button(window, 1201)->isEnabled());
    QVERIFY(!shown(window, 1139) && !shown(window, 1198) && shown(window, 1200));
    QVERIFY(!window.windowTitle().contains(QStringLiteral("Adres")));
    QCOMPARE(window.pollFlags().bPollRunning.load(), 0);
    QCOMPARE(takeMessages(), QStringList());
}

void TestConnectionEndToEnd::failedConnectIsReportedAndLeavesDisconnected_data()
{
    QTest::addColumn<bool>("relayRuns");
    QTest::addColumn<QStringList>("relayArgs");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("portName"); // empty: Modbus TCP to the relay (or to nobody)
    QTest::addColumn<QString>("message");

    const QString incompatible =
        QStringLiteral("Błąd identyfikacji urządzenia. \r\nPodłączono niekompatybilne urządzenie.");
    const QString cannotOpen = QStringLiteral("COM - Nie można otworzyć portu");
    QTest::newRow("identifier 10") << true << QStringList{"--id", "10"} << QString() << QString()
                                   << incompatible;
    QTest::newRow("firmware 16") << true << QStringList{"--firmware", "16"} << QString() << QString()
                                 << incompatible;
    QTest::newRow("firmware 6") << true << QStringList{"--firmware", "6"} << QString() << QString()
                                << incompatible;
    const QString timeOut = QStringLiteral("Błąd limitu czasu. Brak odpowiedzi urządzenia.");
    QTest::newRow("relay does not answer")
        << true << QStringList() << QStringLiteral("at 0 silent 600\n") << QString() << timeOut;
    // Random bytes never make a Modbus TCP answer to the request: they are
    // skipped like a late answer to an earlier one until the time-out.
    QTest::newRow("relay answers only garbage")
        << true << QStringList{"--garbage-rate", "1", "--fault-seed", "5"} << QString() << QString()
        << timeOut;
    QTest::newRow("nobody listens at the address")
        << false << QStringList() << QString() << QString()
        << QStringLiteral("TCP/IP - Nie można podłączyć się do węzła IP:127.0.0.1");
    QTest::newRow("port that cannot be opened")
        << false << QStringList() << QString() << QStringLiteral("COM9") << cannotOpen;
    QTest::newRow("no port name") << false << QStringList() << QString() << QStringLiteral("-") << cannotOpen;
    QTest::newRow("port held by another program")
        << false << QStringList() << QString() << QStringLiteral("COM8")
        << cannotOpen + QStringLiteral("\r\nPort jest zajęty przez inny program (np. ModemManager).");
}

void TestConnectionEndToEnd::failedConnectIsReportedAndLeavesDisconnected()
{
    QFETCH(bool, relayRuns);
    QFETCH(QStringList, relayArgs);
    QFETCH(QString, script);
    QFETCH(QString, portName);
    QFETCH(QString, message);

    RelayUnderTest relay(LinkKind::Tcp, relayArgs, script);
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay(100, 0);
    ProgramSettings& s = theApp().settings;
    if (!relayRuns) {
        // The same port, but nobody listens there any more.
        relay.process().stop();
    }
    if (portName == QLatin1String("COM9")) {
        // Mapped to a device that does not exist.
        const QString ports = qEnvironmentVariable("ZRQ7_PORTS");
        QFile::remove(ports + QStringLiteral("/COM9"));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyZRQ"), ports + QStringLiteral("/COM9")));
        SetSettingsText(s.szPortName, portName);
    } else if (portName == QLatin1String("-")) {
        SetSettingsText(s.szPortName, QString());
    }
    // A terminal that another program holds (and locks, as serial programs do).
    int heldMaster = -1;
    int heldSlave = -1;
    const auto releaseHeld = qScopeGuard([&] {
        if (heldSlave >= 0)
            ::close(heldSlave);
        if (heldMaster >= 0)
            ::close(heldMaster);
    });
    if (portName == QLatin1String("COM8")) {
        QCOMPARE(openpty(&heldMaster, &heldSlave, nullptr, nullptr, nullptr), 0);
        QCOMPARE(flock(heldSlave, LOCK_EX | LOCK_NB), 0);
        const QString ports = qEnvironmentVariable("ZRQ7_PORTS");
        QFile::remove(ports + QStringLiteral("/COM8"));
        QVERIFY(QFile::link(QString::fromLocal8Bit(ttyname(heldSlave)), ports + QStringLiteral("/COM8")));
        SetSettingsText(s.szPortName, portName);
    }

    CCPL_ZRQ7Dlg window;
    window.show();
    const QString titleBefore = window.windowTitle();
    clickConnect(window);
    QCOMPARE(takeMessages(), QStringList{errorLine(message)});
    QVERIFY(!linkOpen());
    QVERIFY(!window.isConnected());
    QCOMPARE(button(window, 1084)->text(), QStringLiteral("Podłącz"));
    QCOMPARE(labelText(window, 1112), QStringLiteral("Wyłączone"));
    QVERIFY(button(window, 1000)->isEnabled());
    QVERIFY(!button(window, 1201)->isEnabled());
    QCOMPARE(window.windowTitle(), titleBefore);
    QCOMPARE(window.pollFlags().bPollRunning.load(), 0);
}

void TestConnectionEndToEnd::silentRelayRaisesLinkLostAndRecovers()
{
    // The relay answers for 3 s, is silent for 12 s, then answers again.
    RelayUnderTest relay(LinkKind::Tcp, {}, QStringLiteral("at 3 silent 12\n"));
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay(200, 0);
    QElapsedTimer sinceStart;
    sinceStart.start();

    CCPL_ZRQ7Dlg window;
    window.show();
    clickConnect(window);
    QVERIFY(window.isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(window.snapshot().GetMeasurement(15) != 0, 3000);
    QVERIFY2(sinceStart.elapsed() < 3000, "the relay fell silent before the first values");

    // Link-lost fault (catalogue entry 38) once five seconds of failures have passed.
    QTRY_VERIFY_WITH_TIMEOUT(listedFaults(window).contains(38), 12000);
    const qint64 raisedAt = sinceStart.elapsed();
    QVERIFY2(raisedAt >= 3000 + 4500,
             qPrintable(QString::number(raisedAt))); // five seconds of failures, give or take a tick
    QCOMPARE(faultCell(window, 38, 0), QString::fromUtf16(dll_nErrInfo[38].szDescription));
    QCOMPARE(window.snapshot().GetMeasurement(15), 0);
    QCOMPARE(labelText(window, 1114), QStringLiteral("0 V"));
    QVERIFY(window.isConnected());

    // The relay answers again: values come back and the row goes.
    QTRY_VERIFY_WITH_TIMEOUT(!listedFaults(window).contains(38), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(window.snapshot().GetMeasurement(15) != 0, 5000);
    QTRY_VERIFY(labelText(window, 1114) != QStringLiteral("0 V"));

    clickConnect(window);
    QVERIFY(!linkOpen());
}

void TestConnectionEndToEnd::garbageAnswersNeverBecomeValues_data()
{
    connectShowsRelayValuesAndDisconnects_data();
}

// A third of the relay's answers replaced by random bytes of random lengths
// (noise on the line, a confused device): the panel keeps polling, shows only
// the relay's own values, raises no message and disconnects cleanly.
void TestConnectionEndToEnd::garbageAnswersNeverBecomeValues()
{
    QFETCH(LinkKind, link);
    RelayUnderTest relay(link,
                         {QStringLiteral("--garbage-rate"), QStringLiteral("0.3"),
                          QStringLiteral("--fault-seed"), QStringLiteral("11"), QStringLiteral("--verbose")},
                         pinnedValues);
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay(300, 3);

    CCPL_ZRQ7Dlg window;
    window.show();
    clickConnect(window);
    QVERIFY(window.isConnected());
    const MeasurementSnapshot& values = window.snapshot();
    const auto relayOrNothing = [&](int slot, int relayValue) {
        const int value = values.GetMeasurement(slot);
        return value == 0 || value == relayValue;
    };
    int seen = 0;
    QElapsedTimer polling;
    polling.start();
    while (polling.elapsed() < 4000) {
        QVERIFY2(relayOrNothing(0, 100) && relayOrNothing(15, 230) && relayOrNothing(33, 850),
                 qPrintable(QStringLiteral("%1 %2 %3")
                                .arg(values.GetMeasurement(0))
                                .arg(values.GetMeasurement(15))
                                .arg(values.GetMeasurement(33))));
        seen += values.GetMeasurement(15) == 230;
        QTest::qWait(20);
    }
    QVERIFY(seen > 0);
    QVERIFY(relay.process().standardError().contains(QLatin1String("(garbage)")));
    QVERIFY(!listedFaults(window).contains(38));
    QCOMPARE(takeMessages(), QStringList());
    clickConnect(window);
    QVERIFY(!linkOpen());
    QCOMPARE(takeMessages(), QStringList());
}

void TestConnectionEndToEnd::relayFaultIsListedAndMotorCommandsReachRelay()
{
    // The motor waits for a start command; fault 3 tripped at 120 % and its cause is gone.
    RelayUnderTest relay(LinkKind::Tcp, {QStringLiteral("--setting"), QStringLiteral("198=0")},
                         QStringLiteral("at 0 trip 3 value 120\nat 0 clear 3\n"));
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay();

    CCPL_ZRQ7Dlg window;
    window.show();
    clickConnect(window);
    QVERIFY(window.isConnected());

    QTRY_VERIFY_WITH_TIMEOUT(listedFaults(window).contains(3), 10000);
    QCOMPARE(faultCell(window, 3, 0), QStringLiteral("Zabezpieczenie przed przekroczeniem krotności"));
    QCOMPARE(faultCell(window, 3, 1), QStringLiteral("Coef I/U"));
    QCOMPARE(faultCell(window, 3, 2), QStringLiteral("120 %"));
    QTRY_VERIFY_WITH_TIMEOUT(shown(window, 1214), 5000);
    QVERIFY(relayStatusBit(relay, 0));

    // "Anulowanie awarii": the relay clears the fault, the row and the button go.
    QTest::mouseClick(button(window, 1214), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!relayStatusBit(relay, 0), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!listedFaults(window).contains(3), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!shown(window, 1214), 5000);

    // START and STOP switch the relay's motor relay (status bit 1).
    QTRY_VERIFY_WITH_TIMEOUT(shown(window, 1139) && shown(window, 1198), 10000);
    QVERIFY(!relayStatusBit(relay, 1));
    QTest::mouseClick(button(window, 1139), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(relayStatusBit(relay, 1), 5000);
    QTest::mouseClick(button(window, 1198), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!relayStatusBit(relay, 1), 5000);
    QCOMPARE(takeMessages(), QStringList());

    clickConnect(window);
    QVERIFY(!linkOpen());
}

void TestConnectionEndToEnd::closeWhileConnectedAsksFirst()
{
    RelayUnderTest relay(LinkKind::Tcp);
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay();
    const QString question =
        QStringLiteral("Uwaga: ZRQ jest podłączony, czy na pewno chcesz zakończyć i zerwać połączenie?");

    CCPL_ZRQ7Dlg window;
    window.show();
    clickConnect(window);
    QVERIFY(window.isConnected());

    // "Nie": the window and the connection stay.
    {
        MessageBoxesShown realBoxes;
        MessageBoxAnswerer no(QMessageBox::No);
        window.close();
        QCOMPARE(no.seen, QStringList{QStringLiteral("Uwaga|") + question});
    }
    QVERIFY(window.isVisible());
    QVERIFY(window.isConnected());
    QVERIFY(linkOpen());

    // "Tak" (the default answer): disconnect, then the window closes.
    window.close();
    QCOMPARE(takeMessages(), QStringList{QStringLiteral("warning|Uwaga|") + question});
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isConnected());
    QVERIFY(!linkOpen());
}

void TestConnectionEndToEnd::firstCurrentsUseTheTransformerRating()
{
    // A 50 A transformer: registers 30-43 and the current faults' values count
    // tenths of an ampere. Phase 1 carries 12.3 A, and an overcurrent fault
    // (entry 0) tripped at 12.3 A before the panel connects. A serial line at
    // 19200 bit/s keeps each rotation's values in the snapshot long enough to
    // be watched.
    RelayUnderTest relay(LinkKind::Rtu, {QStringLiteral("--setting"), QStringLiteral("150=50")},
                         QStringLiteral("at 0 set 30 123\nat 0 trip 0 value 123\n"));
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay();

    CCPL_ZRQ7Dlg window;
    window.show();
    // Every phase 1 current the snapshot holds, from the poll's first block on.
    std::atomic<bool> watching{true};
    std::atomic<int32_t> largest{0};
    std::thread recorder([&] {
        while (watching.load()) {
            const int32_t value = window.snapshot().GetMeasurement(0);
            if (value > largest.load())
                largest.store(value);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    clickConnect(window);
    QVERIFY(window.isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(listedFaults(window).contains(0), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(labelText(window, 1092) == QStringLiteral("12.3 \u0410"), 10000);
    watching.store(false);
    recorder.join();

    QCOMPARE(largest.load(), 123);
    QCOMPARE(faultCell(window, 0, 2), QStringLiteral("12.3 A"));
    clickConnect(window);
    QVERIFY(!linkOpen());
}

void TestConnectionEndToEnd::windowWorksWhileIdentifying()
{
    // The relay takes connections but never answers: five identification reads
    // of two attempts at 300 ms each, 3 s in all.
    RelayUnderTest relay(LinkKind::Tcp, {}, QStringLiteral("at 0 silent 600\n"));
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay(300, 1);

    CCPL_ZRQ7Dlg window;
    window.show();
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] { ++ticks; });
    tick.start(50);

    QElapsedTimer connecting;
    connecting.start();
    QTest::mouseClick(button(window, 1084), Qt::LeftButton);
    // The click returns at once; the window waits with the busy cursor and takes
    // no second command meanwhile.
    QVERIFY(window.isConnecting());
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(!button(window, 1084)->isEnabled());
    QVERIFY(!button(window, 1000)->isEnabled());
    QVERIFY(!window.trayMenu()->isEnabled());
    QTest::mouseClick(button(window, 1084), Qt::LeftButton);

    QTRY_VERIFY_WITH_TIMEOUT(!window.isConnecting(), 20000);
    const qint64 waited = connecting.elapsed();
    QVERIFY2(waited >= 2500, qPrintable(QString::number(waited)));
    // The window's own timer ran all along (one tick per 50 ms; allow for a busy machine).
    QVERIFY2(ticks >= waited / 50 / 3,
             qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(waited)));
    QCOMPARE(takeMessages(),
             QStringList{errorLine(QStringLiteral("Błąd limitu czasu. Brak odpowiedzi urządzenia."))});
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!window.isConnected());
    QVERIFY(!linkOpen());
    QVERIFY(button(window, 1084)->isEnabled());
    QCOMPARE(button(window, 1084)->text(), QStringLiteral("Podłącz"));
    QVERIFY(button(window, 1000)->isEnabled());
    QVERIFY(!button(window, 1201)->isEnabled());
    QVERIFY(window.trayMenu()->isEnabled());
}

void TestConnectionEndToEnd::motorCommandInFlightEndsWithTheDisconnect()
{
    // The relay answers for 3 s (the panel connects and shows START), then falls silent.
    RelayUnderTest relay(LinkKind::Tcp, {}, QStringLiteral("at 3 silent 600\n"));
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay(300, 1);

    CCPL_ZRQ7Dlg window;
    window.show();
    clickConnect(window);
    QVERIFY(window.isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(shown(window, 1139), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(window.pollFlags().bLinkOk.load(), 0, 10000);

    // START goes to the silent relay, and the operator disconnects while it waits.
    QTest::mouseClick(button(window, 1139), Qt::LeftButton);
    clickConnect(window);
    QVERIFY(!window.isConnected());
    QVERIFY(!linkOpen());
    // Whatever the write still had to report (two attempts of 300 ms) is over by now.
    QTest::qWait(1500);
    QCOMPARE(takeMessages(), QStringList());
    QCOMPARE(labelText(window, 1112), QStringLiteral("Wyłączone"));
}

void TestConnectionEndToEnd::linkMessagesStayOnTop()
{
    CCPL_ZRQ7Dlg window;
    window.show();
    MessageBoxesShown realBoxes;
    MessageBoxAnswerer answers;

    {
        // A link error: nobody listens at the address any more.
        RelayUnderTest gone(LinkKind::Tcp);
        QVERIFY2(gone.start(), qPrintable(gone.errorString()));
        gone.pointSettingsAtRelay();
        gone.process().stop();
        clickConnect(window);
    }
    // The close question while connected ("Tak").
    RelayUnderTest relay(LinkKind::Tcp);
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    relay.pointSettingsAtRelay();
    clickConnect(window);
    QVERIFY(window.isConnected());
    window.close();

    QCOMPARE(answers.seen.size(), 2);
    QVERIFY2(answers.seen[0].startsWith(QStringLiteral("Błąd|")), qPrintable(answers.seen[0]));
    QVERIFY2(answers.seen[1].startsWith(QStringLiteral("Uwaga|")), qPrintable(answers.seen[1]));
    QCOMPARE(answers.onTop, (QList<bool>{true, true}));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000); // once the disconnect has ended
    QVERIFY(!linkOpen());
}

void TestConnectionEndToEnd::programConnectsAtStartFromItsProfile()
{
    // The real program with a profile that connects at start (as scripts/demo
    // writes it): the relay sees the poll's status reads (function 03,
    // register 900, 3 registers).
    RelayUnderTest relay(LinkKind::Tcp, {QStringLiteral("--verbose")});
    QVERIFY2(relay.start(), qPrintable(relay.errorString()));
    QVERIFY(
        writeProfile({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(relay.process().tcpPort()),
                      QStringLiteral("--auto-connect")}));

    const QString messages = scratchPath(QStringLiteral("program.log"));
    ProgramProcess program(messages);
    QVERIFY(program.started());
    QTRY_VERIFY_WITH_TIMEOUT(relay.process().standardError().contains(QStringLiteral("03 03 84 00 03")),
                             20000);
    program.kill();

    QFile log(messages);
    QVERIFY(log.open(QIODevice::ReadOnly));
    // No error on the way (the offscreen screen's size warning at start is answered by the log).
    for (const QByteArray& line : log.readAll().split('\n'))
        QVERIFY2(!line.startsWith("error|"), line.constData());
}

QTEST_MAIN(TestConnectionEndToEnd)
#include "tst_connection_e2e.moc"
