// SPDX-License-Identifier: MIT
// The main window's live read-outs, fed by a real poll worker from a register
// bank: texts and scaling, bars and marks, indicators, the fault list with its
// values, the link-lost fault, the motor buttons, and the reset texts.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CGraph.h"
#include "CIconButton.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "CXListCtrl.h"
#include "CXProgressCtrl.h"
#include "ConnectionManager.h"
#include "FakeRelayRegisters.h"
#include "LiveTexts.h"
#include "PollWorker.h"

#include <QComboBox>
#include <QtTest>
#include <memory>
#include <thread>

using namespace pollcycle;

namespace {

// The window with a poll worker reading `relay`, connected as after a
// successful identification.
class LiveRig
{
public:
    LiveRig() : worker(window.snapshot(), window.pollFlags(), window.pollDisplay(), relay.reader())
    {
        // A relay in good order: rated current set, no fault, timers idle.
        relay.set(150, 50);
        relay.set(151, 42);
        for (uint16_t timer : {57, 58, 59})
            relay.set(timer, 999);
    }
    ~LiveRig()
    {
        worker.stop();
        window.setConnectedState(false);
    }
    void connect()
    {
        window.setConnectedState(true);
        window.ResetLiveDisplay();
        QVERIFY(worker.start(pollSettingsFrom(theApp().settings)));
    }
    CXListCtrl* faults() { return ui.faultList; }
    // Row texts of the fault list, top first.
    QStringList row(int r)
    {
        QStringList cells;
        for (int c = 0; c < faults()->columnCount(); ++c)
            cells << (faults()->item(r, c) ? faults()->item(r, c)->text() : QString());
        return cells;
    }
    int rowOf(int index)
    {
        for (int r = 0; r < faults()->rowCount(); ++r)
            if (faults()->ItemData(r) == index)
                return r;
        return -1;
    }

    CCPL_ZRQ7Dlg window;
    const MainWindowControls& ui = window.controls();
    FakeRelayRegisters relay;
    PollWorker worker;
};

// The high end of a bar's range, from its scale at its width.
int rangeHigh(CXProgressCtrl* bar)
{
    return qRound(bar->width() / bar->GetScale());
}

} // namespace

class TestLiveDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void texts_data();
    void texts();
    void measurementsReachTheirReadouts();
    void powerReadoutFollowsItsList();
    void statusIndicatorsAndFaultRows();
    void ratedCurrentMissing();
    void linkLostFaultComesAndGoes();
    void motorButtonsFollowRemoteControl_data();
    void motorButtonsFollowRemoteControl();
    void valuesOfAStoppedPollAreDropped();
    void disconnectWhilePollWaitsForWindow();
    void resetShowsInitialTexts();
};

void TestLiveDisplay::initTestCase()
{
    ResetSettings(theApp().settings);
    theApp().settings.nRetries = 0;
}

void TestLiveDisplay::texts_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    using namespace livetexts;
    // Cyrillic А and Greek Ω, a space before them.
    QTest::newRow("current 1250") << currentText(1250) << QString::fromUtf16(u"125.0 \u0410");
    QTest::newRow("current input") << currentInputText(125) << QString::fromUtf16(u"12.5 m\u0410");
    QTest::newRow("insulation") << insulationText(1250) << QString::fromUtf16(u"125.0 M\u03A9");
    QTest::newRow("frequency") << frequencyText(499) << u"49.9 Hz"_qs;
    QTest::newRow("restart 899") << restartCountdownText(899) << u"899 s"_qs;
    QTest::newRow("restart 900") << restartCountdownText(900) << u"Nie"_qs;
    QTest::newRow("overload 600") << overloadTripText(600) << u"600 s"_qs;
    QTest::newRow("overload 601") << overloadTripText(601) << u"Nie"_qs;
    QTest::newRow("after overload 900") << afterOverloadText(900) << u"900 s"_qs;
    QTest::newRow("after overload 901") << afterOverloadText(901) << u"Nie"_qs;
    QTest::newRow("energy") << powerText(2, 12345) << u"1234.5 kVAr/h"_qs;
    // Past 2^24 tenths every digit still counts, up to the largest counter.
    QTest::newRow("energy 2^24 + 1") << powerText(0, (1 << 24) + 1) << u"1677721.7 kVA/h"_qs;
    QTest::newRow("energy 123456789") << powerText(1, 123456789) << u"12345678.9 kW/h"_qs;
    QTest::newRow("energy largest") << powerText(2, INT32_MAX) << u"214748364.7 kVAr/h"_qs;
    QTest::newRow("total power") << powerText(3, 12345) << u"123.45 kVA"_qs;
    QTest::newRow("phase 3 active") << powerText(11, -250) << u"-2.50 kW"_qs;
    QTest::newRow("cos phase 2") << powerText(16, 850) << u"0.85"_qs;
    QTest::newRow("heating") << heatingText(1000) << u"1000%"_qs;
    QTest::newRow("connection time") << connectionTimeText(3 * 3600 + 25 * 60 + 7) << u"03 : 25 : 07"_qs;
    QTest::newRow("connection time wraps") << connectionTimeText(86400 + 1) << u"00 : 00 : 01"_qs;
    QTest::newRow("throughput") << throughputText(123.456f) << u"123.46par./s"_qs;
    QTest::newRow("speed 19200") << lineSpeedText(1) << u"19200 bit/s"_qs;
    QTest::newRow("speed other") << lineSpeedText(7) << u"9600 bit/s"_qs;
    QTest::newRow("pc clock") << pcClockText(QDateTime(QDate(2025, 12, 24), QTime(8, 5, 9)))
                              << u"08 : 05 : 09\r\n24.12.2025"_qs;
    // Pointer on the bottom edge of a 90 pixel graph: 4 × 100 / 60.
    QTest::newRow("tooltip bottom edge") << heatingTooltipText(90, 90) << u"Grzanie: - 6%"_qs;
    QTest::newRow("tooltip 100 % line") << heatingTooltipText(90, 34) << u"Grzanie: - 100%"_qs;
    QTest::newRow("tooltip flat graph") << heatingTooltipText(30, 10) << QString();
}

void TestLiveDisplay::texts()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestLiveDisplay::measurementsReachTheirReadouts()
{
    LiveRig rig;
    rig.relay.set(150, 101); // transformer above 100 A: registers count whole amperes
    rig.relay.set(30, 125);
    rig.relay.set(46, 231);
    rig.relay.set(49, 398);
    rig.relay.set(55, 1250);
    rig.relay.set(57, 899);
    rig.relay.set(58, 601);
    rig.relay.set(59, 900);
    rig.relay.set(69, 1000);            // sensor 1 short-circuited
    rig.relay.set(70, uint16_t(-10));   // sensor 2 at -10 °C
    rig.relay.set(74, 550000 & 0xFFFF); // thermal state 550 000: 50 %
    rig.relay.set(73, 550000 >> 16);
    const uint16_t clock[6] = {0x0045, 0x0030, 0x0012, 0x0024, 0x0012, 0x0025};
    for (int i = 0; i < 6; ++i)
        rig.relay.set(uint16_t(80 + i), clock[i]);
    rig.relay.set(153, 60);
    rig.relay.set(177, 340);
    rig.relay.set(180, 440);
    rig.connect();

    QTRY_COMPARE(rig.ui.currentL1->Text(), QString::fromUtf16(u"125.0 \u0410"));
    QTRY_COMPARE(rig.ui.currentL1Bar->GetLevel(), 1250);
    QTRY_COMPARE(rig.ui.voltageL2->Text(), u"231 V"_qs);
    QCOMPARE(rig.ui.voltageL2Bar->GetLevel(), 231);
    QCOMPARE(rig.ui.voltageL2L3->Text(), u"398 V"_qs);
    QTRY_COMPARE(rig.ui.insulation->Text(), QString::fromUtf16(u"125.0 M\u03A9"));
    QCOMPARE(rig.ui.restartCountdown->Text(), u"899 s"_qs);
    QCOMPARE(rig.ui.restartCountdownBar->GetLevel(), 899);
    QCOMPARE(rig.ui.overloadTripTime->Text(), u"Nie"_qs);
    QCOMPARE(rig.ui.afterOverloadTime->Text(), u"900 s"_qs);
    QTRY_COMPARE(rig.ui.sensor1Temperature->Text(), u"Zwarcie"_qs);
    QCOMPARE(rig.ui.sensor2Temperature->Text(), u"-10 *C"_qs);
    QTRY_COMPARE(rig.ui.heating->Text(), u"50%"_qs);
    QCOMPARE(rig.ui.loadGraph->Level(),
             rig.ui.loadGraph->height() - 550000 * (rig.ui.loadGraph->height() - 30) / 1100000);
    QTRY_COMPARE(rig.ui.relayClock->Text(), u"12 : 30 : 45\r\n24.12.2025"_qs);
    // Slow group: bar ranges 0 to 15 × rated current with the mark at 10 ×, the
    // line voltage marks at the thresholds, the averaging period.
    QTRY_COMPARE(rig.ui.averagingPeriod->Text(), u"60 s"_qs);
    QCOMPARE(rangeHigh(rig.ui.currentL1Bar), 15 * 42);
    QCOMPARE(rig.ui.currentL1Bar->GetMarkA(), 420);
    QCOMPARE(rig.ui.currentL1Bar->GetMarkB(), 0);
    QCOMPARE(rangeHigh(rig.ui.negativeCurrentBar), 15 * 42);
    QCOMPARE(rig.ui.voltageL1L2Bar->GetMarkA(), 440);
    QCOMPARE(rig.ui.voltageL1L2Bar->GetMarkB(), 340);

    rig.relay.set(57, 900);
    QTRY_COMPARE(rig.ui.restartCountdown->Text(), u"Nie"_qs);
    QCOMPARE(rig.ui.restartCountdownBar->GetLevel(), 0);
}

void TestLiveDisplay::powerReadoutFollowsItsList()
{
    LiveRig rig;
    rig.relay.set(67, 850); // cos φ phase 2
    rig.relay.set(94, 0);
    rig.relay.set(95, 4321); // reactive energy 432.1
    rig.connect();
    QComboBox* second = rig.ui.powerChoice[1];
    QCOMPARE(second->count(), 18);
    QTRY_COMPARE(rig.ui.powerValue[2]->Text(), u"432.1 kVAr/h"_qs);
    second->setCurrentIndex(16); // "Faza 2 Cosinus fi"
    QCOMPARE(theApp().settings.nPowerSelection[1], 16);
    QTRY_COMPARE(rig.ui.powerValue[1]->Text(), u"0.85"_qs);
    second->setCurrentIndex(1);
}

void TestLiveDisplay::statusIndicatorsAndFaultRows()
{
    LiveRig rig;
    // Fault shown (bit 0), motor relay (1), warning (3), mode 1, TMLPP (6), restart counting (8).
    rig.relay.set(900, 1 | 1 << 1 | 1 << 3 | 1 << 4 | 1 << 6 | 1 << 8);
    rig.relay.set(901, 0x0003); // overcurrent and thermal overload
    rig.relay.set(300, 125);    // 125 A (whole amperes above a 100 A transformer)
    rig.relay.set(150, 200);
    rig.relay.set(301, 57);
    rig.connect();

    QTRY_COMPARE(rig.faults()->rowCount(), 2);
    // Rows go to the top in catalogue order, so the later entry is on top.
    QCOMPARE(rig.row(1).mid(0, 3),
             (QStringList{u"Zabezpieczenie nadprądowe fazowe"_qs, u"Imax"_qs, u"125.0 A"_qs}));
    QCOMPARE(rig.row(0).mid(0, 3),
             (QStringList{u"Przeciążenie termiczne"_qs, u"Thermal over"_qs, u"57 "_qs}));
    QVERIFY(QTime::fromString(rig.row(0)[3], u"HH:mm:ss"_qs).isValid());
    QVERIFY(QDate::fromString(rig.row(0)[4], u"dd.MM.yyyy"_qs).isValid());
    QCOMPARE(rig.faults()->ItemData(1), 0);
    QVERIFY(rig.window.snapshot().IsFaultActive(0));
    QCOMPARE(rig.ui.faultLamp->GetState(), 2); // motor relay on: flashing
    QCOMPARE(rig.ui.motorRelayLamp->GetState(), 1);
    QCOMPARE(rig.ui.functionRelayLamp->GetState(), 0);
    QCOMPARE(rig.ui.tmlppLamp->GetState(), 1);
    QCOMPARE(rig.ui.yellowLamp->GetState(), 1);
    QCOMPARE(rig.ui.blueLamp->GetState(), 1);
    QCOMPARE(rig.ui.functionRelayMode->property("picture").toString(), u"relay_mode_1"_qs);
    QVERIFY(!rig.ui.faultReset->isHidden());

    // One fault clears: its row goes, the other stays.
    rig.relay.set(901, 0x0002);
    QTRY_COMPARE(rig.faults()->rowCount(), 1);
    QCOMPARE(rig.faults()->ItemData(0), 1);

    // The relay reports no fault: all rows go and the reset button hides.
    rig.relay.set(900, 0);
    QTRY_COMPARE(rig.faults()->rowCount(), 0);
    QVERIFY(rig.ui.faultReset->isHidden());
    QCOMPARE(rig.ui.faultLamp->GetState(), 0);
    QCOMPARE(rig.ui.functionRelayMode->property("picture").toString(), u"relay_mode_0"_qs);
}

void TestLiveDisplay::ratedCurrentMissing()
{
    LiveRig rig;
    rig.relay.set(151, 0);
    rig.connect();
    QTRY_COMPARE(rig.faults()->rowCount(), 1);
    QCOMPARE(rig.row(0).mid(0, 3), (QStringList{u"Rozruch nie nastąpi"_qs, u"Rated Inom"_qs, u"Nie"_qs}));
    QCOMPARE(rig.ui.faultLamp->GetState(), 1);
    QCOMPARE(rangeHigh(rig.ui.currentL2Bar), 1);
    QCOMPARE(rig.ui.currentL2Bar->GetMarkA(), 1);
    QCOMPARE(rig.ui.currentL2Bar->GetMarkB(), 1);
    QCOMPARE(rangeHigh(rig.ui.positiveCurrentBar), 1);

    rig.relay.set(151, 40); // set at the relay: the pseudo-fault goes at the next slow group
    QTRY_COMPARE(rig.faults()->rowCount(), 0);
    QCOMPARE(rangeHigh(rig.ui.currentL2Bar), 600);
}

void TestLiveDisplay::linkLostFaultComesAndGoes()
{
    LiveRig rig;
    rig.relay.set(30, 100);
    rig.connect();
    QTRY_COMPARE(rig.ui.currentL1->Text(), QString::fromUtf16(u"10.0 \u0410"));
    rig.relay.setSilent(true);
    QTRY_COMPARE(rig.window.pollFlags().bLinkOk.load(), 0);

    // Five failing seconds are forgiven; the sixth raises the fault and resets the values.
    for (int second = 0; second < 5; ++second)
        rig.window.OnSecondTick();
    QCOMPARE(rig.faults()->rowCount(), 0);
    QCOMPARE(rig.ui.linkActivity->property("picture").toString(), u"link_fail"_qs);
    rig.window.OnSecondTick();
    QCOMPARE(rig.faults()->rowCount(), 1);
    const QStringList cells = rig.row(0);
    QCOMPARE(cells.mid(0, 3),
             (QStringList{u"Komunikacja z urządzeniem jest utracona"_qs, u"Dev Conn"_qs, QString()}));
    QVERIFY(QTime::fromString(cells[3], u"HH:mm:ss"_qs).isValid());
    QCOMPARE(cells[4], QString());
    QCOMPARE(rig.ui.faultLamp->GetState(), 1);
    QCOMPARE(rig.ui.currentL1->Text(), QString::fromUtf16(u"0.0 \u0410"));
    QCOMPARE(rig.window.snapshot().GetMeasurement(0), 0);
    rig.window.OnSecondTick(); // listed once only
    QCOMPARE(rig.faults()->rowCount(), 1);

    // The relay answers again without a fault: the next status block removes the row.
    rig.relay.setSilent(false);
    QTRY_COMPARE(rig.faults()->rowCount(), 0);
    QTRY_COMPARE(rig.ui.currentL1->Text(), QString::fromUtf16(u"10.0 \u0410"));
    rig.window.OnSecondTick();
    QCOMPARE(rig.ui.linkActivity->property("picture").toString(), u"link_ok"_qs);

    // And while the relay reports a fault, by the row's own change.
    rig.relay.setSilent(true);
    QTRY_COMPARE(rig.window.pollFlags().bLinkOk.load(), 0);
    for (int second = 0; second < 6; ++second)
        rig.window.OnSecondTick();
    QCOMPARE(rig.rowOf(38), 0);
    rig.relay.set(900, 1);
    rig.relay.set(901, 1 << 12);
    rig.relay.setSilent(false);
    QTRY_COMPARE(rig.rowOf(38), -1);
    QCOMPARE(rig.rowOf(12), 0);
}

void TestLiveDisplay::motorButtonsFollowRemoteControl_data()
{
    QTest::addColumn<int>("permission");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("forbidden") << 0 << false;
    QTest::newRow("allowed") << 1 << true;
    QTest::newRow("allowed, 2") << 2 << true;
}

void TestLiveDisplay::motorButtonsFollowRemoteControl()
{
    QFETCH(int, permission);
    QFETCH(bool, allowed);
    LiveRig rig;
    rig.relay.set(200, uint16_t(permission));
    // The opposite state first, so the test sees the change.
    if (allowed)
        rig.window.hideMotorCommands();
    else
        rig.window.liveDisplay().setRemoteControl(true);
    rig.connect();
    QTRY_COMPARE(rig.ui.start->isHidden(), !allowed);
    QCOMPARE(rig.ui.stop->isHidden(), !allowed);
    QCOMPARE(rig.ui.motorPicture->isHidden(), allowed);
    QCOMPARE(rig.ui.remoteLamp->GetState(), allowed ? 1 : 0);

    // A disconnect hides the commands whatever the relay allows.
    rig.worker.stop();
    rig.window.setConnectedState(false);
    rig.window.hideMotorCommands();
    QVERIFY(rig.ui.start->isHidden());
    QVERIFY(rig.ui.stop->isHidden());
    QVERIFY(rig.ui.faultReset->isHidden());
    QVERIFY(!rig.ui.motorPicture->isHidden());
}

void TestLiveDisplay::valuesOfAStoppedPollAreDropped()
{
    LiveRig rig;
    rig.window.setConnectedState(true);
    CurrentsUpdate currents;
    currents.values[0] = 777;
    rig.window.pollDisplay().showCurrents(currents);
    rig.window.setConnectedState(false); // before the user-interface thread ran
    QCoreApplication::processEvents();
    QCOMPARE(rig.ui.currentL1->Text(), u"0.0 A"_qs); // still the window's initial text

    // A status step waiting for the window is released when it is dropped.
    auto handshake = std::make_shared<UiHandshake>();
    rig.window.pollDisplay().showStatus(StatusUpdate{}, UiTicket(handshake));
    QCOMPARE(handshake->state(), UiHandshake::State::Done);
}

void TestLiveDisplay::disconnectWhilePollWaitsForWindow()
{
    LiveRig rig;
    rig.relay.set(900, 1 << 1); // motor relay on
    rig.connect();
    // The window does not run its event loop here: the poll reads the status
    // block, hands it over and waits for the window.
    QDeadlineTimer deadline(10000);
    while (rig.relay.readsOf(900) == 0 && !deadline.hasExpired())
        std::this_thread::yield();
    QVERIFY(rig.relay.readsOf(900) > 0);

    // The disconnect order of the connection manager: drop queued values, stop
    // and join the poll. Neither may wait for the window.
    rig.window.setConnectedState(false);
    rig.worker.stop();
    QVERIFY(!rig.worker.isRunning());
    QCoreApplication::processEvents();
    QCOMPARE(rig.ui.motorRelayLamp->GetState(), 0); // the stopped poll's status never reached the window
}

void TestLiveDisplay::resetShowsInitialTexts()
{
    LiveRig rig;
    rig.relay.set(30, 55);
    rig.relay.set(45, 230);
    rig.connect();
    QTRY_COMPARE(rig.ui.voltageL1->Text(), u"230 V"_qs);
    rig.worker.stop();
    QCoreApplication::processEvents();
    rig.window.ResetLiveDisplay();

    const QString amps = QString::fromUtf16(u"0.0 \u0410");
    const MainWindowControls& ui = rig.ui;
    const std::pair<CXLabel*, QString> expected[] = {{ui.currentL1, amps},
                                                     {ui.currentL2, amps},
                                                     {ui.currentL3, amps},
                                                     {ui.positiveCurrent, amps},
                                                     {ui.earthCurrent, amps},
                                                     {ui.negativeCurrent, amps},
                                                     {ui.averageCurrent[0], amps},
                                                     {ui.peakAverageCurrent[0], amps},
                                                     {ui.startCurrent, amps},
                                                     {ui.overloadCurrent, amps},
                                                     {ui.startTime, u"0 s"_qs},
                                                     {ui.voltageL1, u"0 V"_qs},
                                                     {ui.voltageL1L2, u"0 V"_qs},
                                                     {ui.positiveVoltage, u"0 V"_qs},
                                                     {ui.zeroVoltage, u"0 V"_qs},
                                                     {ui.sensor1Temperature, u"0 *C"_qs},
                                                     {ui.sensor2Temperature, u"0 *C"_qs},
                                                     {ui.currentInput, QString::fromUtf16(u"0.0 m\u0410")},
                                                     {ui.voltageInput, u"0.0 V"_qs},
                                                     {ui.frequency, u"0.0 Hz"_qs},
                                                     {ui.overloadTripTime, u"Nie"_qs},
                                                     {ui.afterOverloadTime, u"Nie"_qs},
                                                     {ui.restartCountdown, u"Wył."_qs},
                                                     {ui.insulation, QString::fromUtf16(u"0.0 M\u03A9")},
                                                     {ui.heating, u"0%"_qs},
                                                     {ui.averagingPeriod, u"0 s"_qs},
                                                     {ui.powerValue[0], u"0"_qs},
                                                     {ui.powerValue[1], u"0"_qs},
                                                     {ui.powerValue[2], u"0"_qs},
                                                     {ui.relayClock, u"00 : 00 : 00\r\n00.00.0000"_qs}};
    for (const auto& [label, text] : expected)
        QVERIFY2(label->Text() == text,
                 qPrintable(label->objectName() + QStringLiteral(": ") + label->Text()));
    for (CXProgressCtrl* bar :
         {ui.currentL1Bar, ui.voltageL1Bar, ui.voltageL1L2Bar, ui.negativeVoltageBar, ui.restartCountdownBar})
        QCOMPARE(bar->GetLevel(), 0);
    QCOMPARE(rangeHigh(rig.ui.restartCountdownBar), 900);
    QCOMPARE(rig.ui.voltageL1L2Bar->GetMarkA(), 380);
    QCOMPARE(rig.ui.voltageL1L2Bar->GetMarkB(), 100);
    QCOMPARE(rig.ui.functionRelayMode->property("picture").toString(), u"relay_mode_3"_qs);
}

QTEST_MAIN(TestLiveDisplay)
#include "tst_live_display.moc"
