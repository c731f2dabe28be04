// SPDX-License-Identifier: MIT
// The simulated relay driven through its register interface with a hand-moved clock:
// motor, powers and energies, faults and their log, clock, settings and exceptions.
#include "RelayDevice.h"

#include <QtTest>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

using namespace zrq7::sim;
using namespace std::chrono_literals;

namespace {

// A relay whose time only moves when the test says so, started at 24.12.2025 12:30:45
// with the start after power-on switched off unless a test wants it.
class Bench
{
public:
    explicit Bench(RelayOptions options = {}, bool startAfterPower = false)
    {
        options.clock = [this] { return m_now; };
        options.startTime = RelayDateTime{2025, 12, 24, 12, 30, 45};
        if (!startAfterPower)
            options.settings.insert(options.settings.begin(), {198, 0});
        relay = createRelay(options);
    }

    void wait(std::chrono::milliseconds d) { m_now += d; }

    std::uint16_t read(std::uint16_t reg)
    {
        std::uint16_t value = 0xDEAD;
        const Exception e = relay->readHolding(reg, 1, &value);
        if (e != Exception::None)
            qWarning("read %u failed: %d", reg, int(e));
        return value;
    }
    std::uint32_t read32(std::uint16_t reg) { return std::uint32_t(read(reg)) << 16 | read(reg + 1); }
    Exception write(std::uint16_t reg, std::uint16_t value) { return relay->writeSingle(reg, value); }
    double heatingPercent() { return read32(73) * 100.0 / 1'100'000.0; }
    // Starts the motor by remote command and lets the start finish.
    void runMotor()
    {
        QCOMPARE(write(903, 2), Exception::None);
        wait(15s);
    }

    std::unique_ptr<RelayDevice> relay;

private:
    std::chrono::milliseconds m_now{1'000'000};
};

bool near(double actual, double expected, double relative)
{
    return std::abs(actual - expected) <= std::abs(expected) * relative;
}

} // namespace

class tst_RelayModel : public QObject
{
    Q_OBJECT

private slots:
    void identification_data();
    void identification();
    void readExceptions_data();
    void readExceptions();
    void writeExceptions_data();
    void writeExceptions();
    void settingsKeepFactoryValuesAndWrites();

    void startGivesConsistentCurrentsPowersAndEnergies();
    void stopBringsCurrentsToZero();
    void remoteStartNeedsPermissionAndRatedCurrent();
    void currentUnitsFollowTransformerRating_data();
    void currentUnitsFollowTransformerRating();
    void startAfterPowerFollowsSettings();
    void statusWordFollowsRelays_data();
    void statusWordFollowsRelays();

    void scriptedFaultShowsInMaskValueAndLog();
    void resetClearsOnlyFaultsWhoseCauseIsGone();
    void faultLogIsARingOfFifty();
    void thermalImageRisesUnderOverloadAndTrips();
    void minimumCurrentTripsAndRestartsAutomatically();
    void temperatureSensorCodes();
    void currentProtections_data();
    void currentProtections();
    void mainsProtections_data();
    void mainsProtections();

    void clockTicksInBcd();
    void clockRollsOver_data();
    void clockRollsOver();
    void restartIsSilentForTwoSecondsAndStopsTheMotor();
    void forcedRegistersAndSilence();
    void concurrentMastersAndScenario();
    void failingRegistersAndClockAhead();
};

void tst_RelayModel::identification_data()
{
    QTest::addColumn<int>("identifier");
    QTest::addColumn<int>("firmware");
    QTest::newRow("default relay") << 11 << 12;
    QTest::newRow("other identifier") << 10 << 12;
    QTest::newRow("newer firmware") << 11 << 16;
}

void tst_RelayModel::identification()
{
    QFETCH(int, identifier);
    QFETCH(int, firmware);
    RelayOptions options;
    options.identifier = std::uint16_t(identifier);
    options.firmware = std::uint16_t(firmware);
    Bench bench(options);
    std::uint16_t regs[2] = {};
    QCOMPARE(bench.relay->readHolding(0, 2, regs), Exception::None);
    QCOMPARE(int(regs[0]), identifier);
    QCOMPARE(int(regs[1]), firmware);
    QCOMPARE(int(bench.read(230)), firmware);
}

void tst_RelayModel::readExceptions_data()
{
    QTest::addColumn<int>("firmware");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");
    QTest::newRow("identification") << 12 << 0 << 2 << 0;
    QTest::newRow("past identification") << 12 << 0 << 3 << 2;
    QTest::newRow("block touching 29") << 12 << 29 << 6 << 2;
    QTest::newRow("whole measurement map") << 12 << 30 << 66 << 0;
    QTest::newRow("past energies") << 12 << 95 << 2 << 2;
    QTest::newRow("all settings v11") << 11 << 150 << 95 << 0;
    QTest::newRow("filter coefficient v12") << 12 << 243 << 1 << 2;
    QTest::newRow("fault values") << 12 << 300 << 29 << 0;
    QTest::newRow("past fault values") << 12 << 328 << 2 << 2;
    QTest::newRow("status and command") << 12 << 900 << 4 << 0;
    QTest::newRow("past command") << 12 << 903 << 2 << 2;
    QTest::newRow("last log entry") << 12 << 1245 << 5 << 0;
    QTest::newRow("past the log") << 12 << 1249 << 2 << 2;
    QTest::newRow("no registers") << 12 << 30 << 0 << 3;
    QTest::newRow("too many registers") << 12 << 1000 << 126 << 3;
}

void tst_RelayModel::readExceptions()
{
    QFETCH(int, firmware);
    QFETCH(int, first);
    QFETCH(int, count);
    QFETCH(int, expected);
    RelayOptions options;
    options.firmware = std::uint16_t(firmware);
    Bench bench(options);
    std::vector<std::uint16_t> out(std::max(count, 1));
    QCOMPARE(int(bench.relay->readHolding(std::uint16_t(first), std::uint16_t(count), out.data())), expected);
}

void tst_RelayModel::writeExceptions_data()
{
    QTest::addColumn<int>("firmware");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("CT rating at minimum") << 12 << 150 << 20 << 0;
    QTest::newRow("CT rating below minimum") << 12 << 150 << 19 << 3;
    QTest::newRow("CT rating above maximum") << 12 << 150 << 801 << 3;
    QTest::newRow("negative correction") << 12 << 203 << 0xFFF7 << 0;
    QTest::newRow("correction below -9") << 12 << 203 << 0xFFF6 << 3;
    QTest::newRow("tenths at maximum") << 12 << 156 << 6000 << 0;
    QTest::newRow("tenths above maximum") << 12 << 156 << 6001 << 3;
    QTest::newRow("version unchanged") << 12 << 230 << 12 << 0;
    QTest::newRow("version changed") << 12 << 230 << 13 << 3;
    QTest::newRow("filter coefficient v11") << 11 << 243 << 5 << 0;
    QTest::newRow("filter coefficient v12") << 12 << 243 << 5 << 2;
    QTest::newRow("measurement") << 12 << 30 << 1 << 2;
    QTest::newRow("identifier") << 12 << 0 << 11 << 2;
    QTest::newRow("fault mask") << 12 << 901 << 0 << 2;
    QTest::newRow("unknown command") << 12 << 903 << 7 << 3;
    QTest::newRow("clock seconds 59") << 12 << 80 << 0x59 << 0;
    QTest::newRow("clock seconds 60") << 12 << 80 << 0x60 << 3;
    QTest::newRow("clock not BCD") << 12 << 83 << 0x1A << 3;
    QTest::newRow("clock month 13") << 12 << 84 << 0x13 << 3;
}

void tst_RelayModel::writeExceptions()
{
    QFETCH(int, firmware);
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(int, expected);
    RelayOptions options;
    options.firmware = std::uint16_t(firmware);
    Bench bench(options);
    const std::uint16_t before = reg == 243 && firmware != 11 ? 0 : bench.read(std::uint16_t(reg));
    QCOMPARE(int(bench.write(std::uint16_t(reg), std::uint16_t(value))), expected);
    if (expected == 0 && reg >= 150 && reg <= 244)
        QCOMPARE(int(bench.read(std::uint16_t(reg))), value);
    if (expected == 3)
        QCOMPARE(bench.read(std::uint16_t(reg)), before);
}

void tst_RelayModel::settingsKeepFactoryValuesAndWrites()
{
    Bench bench;
    QCOMPARE(int(bench.read(150)), 100);
    QCOMPARE(int(bench.read(151)), 42);  // the simulator's fitted motor
    QCOMPARE(int(bench.read(155)), 40);  // tenths: 4.0
    QCOMPARE(int(bench.read(189)), 497); // 49.7 Hz
    QCOMPARE(int(bench.read(200)), 1);   // remote control allowed in the simulator
    QCOMPARE(int(bench.read(220)), 716);

    // Energy reset is a one-shot command that falls back to 0.
    bench.runMotor();
    bench.wait(600s);
    QVERIFY(bench.read32(92) > 0);
    QCOMPARE(bench.write(242, 1), Exception::None);
    QCOMPARE(int(bench.read(242)), 0);
    QCOMPARE(bench.read32(92), 0u);
    QCOMPARE(bench.read32(90), 0u);
}

void tst_RelayModel::startGivesConsistentCurrentsPowersAndEnergies()
{
    Bench bench;
    QCOMPARE(bench.read(30), 0);
    QCOMPARE(bench.read32(62), 0u);
    bench.runMotor();
    QVERIFY(bench.read(900) & 0x2);

    // 42 A rated at 85 % load, currents in tenths (CT rating 100 A).
    double current = 0, lineVoltage = 0, cos = 0;
    for (int p = 0; p < 3; ++p) {
        QVERIFY2(near(bench.read(30 + p), 357, 0.03), qPrintable(QString::number(bench.read(30 + p))));
        QVERIFY(near(bench.read(45 + p), 231, 0.02));
        QVERIFY(near(bench.read(48 + p), 400, 0.02));
        current += bench.read(30 + p) / 10.0 / 3;
        lineVoltage += bench.read(48 + p) / 3.0;
        cos += bench.read(66 + p) / 1000.0 / 3;
    }
    QVERIFY(cos > 0.5 && cos < 1.0);
    QVERIFY(near(bench.read(33), current * 10, 0.02)); // positive sequence ~ phase current
    QVERIFY(bench.read(35) < 0.05 * current * 10);     // little negative sequence
    QVERIFY(bench.read(34) < 0.05 * current * 10);     // no earth current
    QVERIFY(near(bench.read(56), 500, 0.01));

    const double s = std::sqrt(3.0) * lineVoltage * current / 1000.0; // kVA
    const double apparent = bench.read32(60) / 100.0;
    const double active = bench.read32(62) / 100.0;
    const double reactive = bench.read32(64) / 100.0;
    QVERIFY2(near(active, s * cos, 0.03),
             qPrintable(QStringLiteral("P %1 kW, expected %2").arg(active).arg(s * cos)));
    QVERIFY(near(apparent, s, 0.03));
    QVERIFY(near(std::hypot(active, reactive), apparent, 0.01));

    // The start itself: 4.5 times the rated current for a few seconds.
    QVERIFY(near(bench.read(42), 1890, 0.05));
    QVERIFY(bench.read(44) >= 2 && bench.read(44) <= 6);

    // Energies in tenths of kWh grow with P * t.
    const std::uint32_t e0 = bench.read32(92);
    const std::uint32_t a0 = bench.read32(90);
    bench.wait(1h);
    const double grown = (bench.read32(92) - e0) / 10.0;
    QVERIFY2(near(grown, active, 0.03),
             qPrintable(QStringLiteral("%1 kWh in 1 h at %2 kW").arg(grown).arg(active)));
    QVERIFY(near((bench.read32(90) - a0) / 10.0, apparent, 0.03));
    QVERIFY(bench.read32(94) > 0);
    QCOMPARE(int(bench.read(54)), 1); // motor hours
    QCOMPARE(int(bench.read(218)), 1);
    // The averages have settled on the running current.
    QVERIFY(near(bench.read(36), bench.read(30), 0.03));
    QVERIFY(bench.read(39) >= bench.read(36));
}

void tst_RelayModel::stopBringsCurrentsToZero()
{
    Bench bench;
    bench.runMotor();
    QVERIFY(bench.read(30) > 0);
    QCOMPARE(bench.write(903, 0), Exception::None);
    bench.wait(1s);
    for (int p = 0; p < 3; ++p)
        QCOMPARE(int(bench.read(30 + p)), 0);
    QCOMPARE(bench.read32(62), 0u);
    QCOMPARE(bench.read(900) & 0x2, 0);
    const std::uint32_t energy = bench.read32(92);
    bench.wait(10min);
    QCOMPARE(bench.read32(92), energy);
    QVERIFY(bench.read(45) > 200); // the mains stays
}

void tst_RelayModel::remoteStartNeedsPermissionAndRatedCurrent()
{
    {
        RelayOptions forbidden;
        forbidden.remoteControl = 0;
        Bench bench(forbidden);
        QCOMPARE(bench.write(903, 2), Exception::IllegalDataValue);
        QCOMPARE(bench.write(903, 0), Exception::IllegalDataValue);
        QCOMPARE(bench.write(903, 55), Exception::None);
        bench.wait(10s);
        QCOMPARE(int(bench.read(30)), 0);
        // Allowing it makes the next command work.
        QCOMPARE(bench.write(200, 2), Exception::None);
        QCOMPARE(bench.write(903, 2), Exception::None);
        bench.wait(10s);
        QVERIFY(bench.read(30) > 0);
    }
    {
        RelayOptions noMotor;
        noMotor.ratedCurrent = 0;
        Bench bench(noMotor);
        QCOMPARE(bench.write(903, 2), Exception::None); // accepted, but the relay will not start
        bench.wait(10s);
        QCOMPARE(int(bench.read(30)), 0);
        QCOMPARE(bench.read(900) & 0x2, 0);
    }
}

void tst_RelayModel::currentUnitsFollowTransformerRating_data()
{
    QTest::addColumn<int>("rating");
    QTest::addColumn<int>("expected");
    QTest::newRow("100 A: tenths") << 100 << 357;
    QTest::newRow("101 A: whole amperes") << 101 << 36;
}

void tst_RelayModel::currentUnitsFollowTransformerRating()
{
    QFETCH(int, rating);
    QFETCH(int, expected);
    RelayOptions options;
    options.settings = {{150, std::int16_t(rating)}};
    Bench bench(options);
    bench.runMotor();
    for (int reg : {30, 31, 32, 33})
        QVERIFY2(std::abs(bench.read(reg) - expected) <= std::max(1, expected / 50),
                 qPrintable(QStringLiteral("register %1 = %2").arg(reg).arg(bench.read(reg))));
}

void tst_RelayModel::startAfterPowerFollowsSettings()
{
    {
        Bench bench({}, true); // 198 = 1: start once the restart delay (196 = 5 s) has run
        bench.wait(1s);
        QCOMPARE(int(bench.read(57)), 4);
        QVERIFY(bench.read(900) & 0x100);
        bench.wait(4500ms);
        QVERIFY(bench.read(900) & 0x2);
        QCOMPARE(int(bench.read(57)), 999);
    }
    {
        RelayOptions holdUntilCommanded;
        holdUntilCommanded.remoteControl = 2;
        Bench bench(holdUntilCommanded, true);
        bench.wait(30s);
        QCOMPARE(bench.read(900) & 0x2, 0);
    }
}

void tst_RelayModel::statusWordFollowsRelays_data()
{
    QTest::addColumn<int>("mode");    // setting 214; 215 = 30 s, 216 = 0.4 s
    QTest::addColumn<int>("afterMs"); // since the start command
    QTest::addColumn<bool>("fault");
    QTest::addColumn<int>("expected"); // bits 0-2 and 4-5 of register 900
    QTest::newRow("signalling, running") << 0 << 10000 << false << 0x02;
    QTest::newRow("signalling, fault") << 0 << 10000 << true << 0x05;
    QTest::newRow("timer, before") << 1 << 29900 << false << 0x12;
    QTest::newRow("timer, after") << 1 << 30000 << false << 0x16;
    QTest::newRow("star") << 2 << 29900 << false << 0x22;
    QTest::newRow("star-delta gap") << 2 << 30200 << false << 0x20;
    QTest::newRow("delta") << 2 << 30400 << false << 0x24;
    QTest::newRow("star-delta, fault") << 2 << 31000 << true << 0x21;
}

void tst_RelayModel::statusWordFollowsRelays()
{
    QFETCH(int, mode);
    QFETCH(int, afterMs);
    QFETCH(bool, fault);
    QFETCH(int, expected);
    RelayOptions options;
    options.settings = {{214, std::int16_t(mode)}, {211, 0}};
    Bench bench(options);
    QCOMPARE(int(bench.read(900)), mode << 4);
    QCOMPARE(bench.write(903, 2), Exception::None);
    bench.wait(std::chrono::milliseconds(afterMs));
    if (fault)
        bench.relay->tripFault(20, 0);
    QCOMPARE(int(bench.read(900)), expected);
    QCOMPARE(bench.write(211, 1), Exception::None);
    QVERIFY(bench.read(900) & 0x40);
}

void tst_RelayModel::scriptedFaultShowsInMaskValueAndLog()
{
    Bench bench;
    QCOMPARE(bench.read(75), 0);
    QVERIFY(bench.read(1000) >= 40); // empty log: the newest entry is already the end

    bench.runMotor(); // 12:30:45 + 15 s
    bench.relay->tripFault(0, 1234);
    QCOMPARE(int(bench.read(901)), 0x0001);
    QCOMPARE(int(bench.read(902)), 0);
    QVERIFY(bench.read(900) & 0x1);
    QCOMPARE(int(bench.read(300)), 1234);
    bench.wait(1s);
    QCOMPARE(int(bench.read(30)), 0); // the trip stopped the motor
    QCOMPARE(bench.read(900) & 0x2, 0);

    QCOMPARE(int(bench.read(75)), 0);
    std::uint16_t entry[5] = {};
    QCOMPARE(bench.relay->readHolding(1000, 5, entry), Exception::None);
    QCOMPARE(int(entry[0]), 0);
    QCOMPARE(int(entry[1]), 1234);
    QCOMPARE(int(entry[2]), 0x3100); // minutes 31, seconds 00
    QCOMPARE(int(entry[3]), 0x2412); // day 24, hours 12
    QCOMPARE(int(entry[4]), 0x2512); // year 25, month 12
    QVERIFY(bench.read(1000 + 5 * 49) >= 40);

    // A fault of the high word goes to register 902; the log moves on.
    bench.wait(2min);
    bench.relay->tripFault(17, 512);
    QCOMPARE(int(bench.read(902)), 0x0002);
    QCOMPARE(int(bench.read(317)), 512);
    QCOMPARE(int(bench.read(75)), 1);
    QCOMPARE(int(bench.read(1005)), 17);
    QCOMPARE(int(bench.read(1007)), 0x3301); // 12:33:01
}

void tst_RelayModel::resetClearsOnlyFaultsWhoseCauseIsGone()
{
    Bench bench;
    bench.runMotor();
    bench.relay->tripFault(4, 50);
    bench.relay->tripFault(13, 460);
    QCOMPARE(int(bench.read(901)), (1 << 4) | (1 << 13));

    QCOMPARE(bench.write(903, 55), Exception::None); // causes still there: nothing clears
    QCOMPARE(int(bench.read(901)), (1 << 4) | (1 << 13));
    bench.relay->clearFault(4);
    bench.wait(1min);
    QCOMPARE(int(bench.read(901)), (1 << 4) | (1 << 13)); // latched until reset
    QCOMPARE(bench.write(903, 55), Exception::None);
    QCOMPARE(int(bench.read(901)), 1 << 13);
    QCOMPARE(bench.write(903, 2), Exception::None); // a fault still active: no start
    bench.wait(10s);
    QCOMPARE(int(bench.read(30)), 0);

    bench.relay->clearFault(13);
    QCOMPARE(bench.write(903, 55), Exception::None);
    QCOMPARE(int(bench.read(901)), 0);
    QCOMPARE(bench.read(900) & 0x1, 0);
    QCOMPARE(int(bench.read(313)), 460); // the value at the trip stays readable
    bench.wait(30s);
    QCOMPARE(int(bench.read(30)), 0); // a reset does not start the motor
    QCOMPARE(bench.write(903, 2), Exception::None);
    bench.wait(10s);
    QVERIFY(bench.read(30) > 0);
}

void tst_RelayModel::faultLogIsARingOfFifty()
{
    Bench bench;
    for (int n = 0; n < 51; ++n) {
        bench.relay->tripFault(n % 30, n);
        bench.relay->clearFault(n % 30);
        QCOMPARE(bench.write(903, 55), Exception::None);
        bench.wait(1s);
    }
    // Entries 0..49 took faults 0..49, fault 50 went over entry 0.
    QCOMPARE(int(bench.read(75)), 0);
    QCOMPARE(int(bench.read(1001)), 50);
    QCOMPARE(int(bench.read(1000)), 50 % 30);
    QCOMPARE(int(bench.read(1000 + 5 * 49 + 1)), 49);
    QCOMPARE(int(bench.read(1000 + 5 * 1 + 1)), 1);
    for (int i = 0; i < 50; ++i)
        QVERIFY(bench.read(std::uint16_t(1000 + 5 * i)) < 40);
}

void tst_RelayModel::thermalImageRisesUnderOverloadAndTrips()
{
    Bench bench;
    bench.runMotor();
    bench.wait(30min);
    const double steady = bench.heatingPercent();
    QVERIFY2(steady > 55 && steady < 75, qPrintable(QString::number(steady))); // 0.85² of 1.05²
    QCOMPARE(int(bench.read(58)), 999);                                        // no overload, no countdown

    bench.relay->setLoad(1.5);
    bench.wait(10s);
    QVERIFY(bench.heatingPercent() > steady);
    QVERIFY(near(bench.read(43), 630, 0.03)); // overload current 1.5 x 42 A
    const int toTrip = bench.read(58);
    QVERIFY2(toTrip > 10 && toTrip < 120, qPrintable(QString::number(toTrip)));
    bench.wait(std::chrono::seconds(toTrip + 2));
    QVERIFY(bench.read(901) & 0x2);
    QCOMPARE(int(bench.read(30)), 0);
    QCOMPARE(int(bench.read(1000)), 1);
    const int cooling = bench.read(59);
    QVERIFY2(cooling > 0 && cooling < 900, qPrintable(QString::number(cooling)));

    // At rest the image cools down; the reset is refused until it has.
    const double hot = bench.heatingPercent();
    QCOMPARE(bench.write(903, 55), Exception::None);
    QVERIFY(bench.read(901) & 0x2);
    bench.wait(std::chrono::seconds(cooling + 1));
    QVERIFY(bench.heatingPercent() < hot);
    QCOMPARE(int(bench.read(59)), 999);
    // Thermal protection allows an automatic restart (167 = 2): the motor is back.
    QCOMPARE(int(bench.read(901)), 0);
    QVERIFY(bench.read(900) & 0x2);
}

void tst_RelayModel::minimumCurrentTripsAndRestartsAutomatically()
{
    RelayOptions options;
    options.settings = {{195, 20}}; // restart 20 s after a minimum-current trip
    Bench bench(options);
    bench.runMotor();
    bench.relay->setLoad(0.1); // far under 20 % of the rated current
    bench.wait(4s);
    QCOMPARE(int(bench.read(901)), 0);
    bench.wait(2s); // 171 = 5 s
    QCOMPARE(int(bench.read(901)), 1 << 5);
    QVERIFY(std::abs(bench.read(305) - 42) <= 2);
    QCOMPARE(int(bench.read(30)), 0);
    QVERIFY(bench.read(57) <= 20 && bench.read(57) >= 19);
    QVERIFY(bench.read(900) & 0x100);
    bench.wait(21s);
    QCOMPARE(int(bench.read(901)), 0);
    QVERIFY(bench.read(900) & 0x2);
}

void tst_RelayModel::temperatureSensorCodes()
{
    RelayOptions options;
    options.settings = {{201, 1}, {204, 0}};
    Bench bench(options);
    QCOMPARE(int(bench.read(70)), 5000); // sensor 2 switched off
    const auto warm = std::int16_t(bench.read(69));
    QVERIFY(warm > 0 && warm < 80);

    bench.runMotor();
    bench.relay->setSensor(1, SensorState::Short);
    bench.wait(1s);
    QCOMPARE(int(bench.read(69)), 1000);
    // 209 = 0: a warning that leaves the motor running and goes with its cause.
    QCOMPARE(int(bench.read(902)), 1 << (21 - 16));
    QVERIFY(bench.read(900) & 0x2);
    QVERIFY(bench.read(900) & 0x8);
    QCOMPARE(int(bench.read(1000)), 21);
    bench.relay->setSensor(1, SensorState::Break);
    bench.wait(1s);
    QCOMPARE(int(bench.read(69)), 2000);
    QCOMPARE(int(bench.read(902)), 1 << (22 - 16));
    bench.relay->setSensor(1, SensorState::Normal);
    bench.wait(1s);
    QCOMPARE(int(bench.read(902)), 0);

    // 209 = 1: the sensor fault trips the motor.
    QCOMPARE(bench.write(209, 1), Exception::None);
    bench.relay->setSensor(1, SensorState::Break);
    bench.wait(1s);
    QCOMPARE(int(bench.read(902)), 1 << (22 - 16));
    QCOMPARE(bench.read(900) & 0x2, 0);
}

void tst_RelayModel::currentProtections_data()
{
    QTest::addColumn<QList<int>>("settings"); // register, value, register, value, ...
    QTest::addColumn<double>("load");
    QTest::addColumn<int>("afterMs"); // since the start command
    QTest::addColumn<int>("bit");
    QTest::addColumn<int>("value"); // tenths of an ampere in register 300 + bit
    QTest::addColumn<bool>("stops");
    // 6 x In: the start takes 6 s, then 5 x In (173) for 1 s (175) is a blocked rotor.
    QTest::newRow("blocked rotor") << QList<int>{} << 6.0 << 7500 << 7 << 2520 << true;
    QTest::newRow("blocked rotor, protection off")
        << QList<int>{176, 0, 167, 0} << 6.0 << 7500 << -1 << 0 << false;
    // A start of 3.7 s against a limit of 3 s; the current is still falling from 4.5 x In.
    QTest::newRow("long start") << QList<int>{174, 3} << 0.85 << 3500 << 6 << 1089 << true;
    // 2.5 x In against 2.0 x In (155) for 3 s (156) after a 6 s start.
    QTest::newRow("overcurrent trips")
        << QList<int>{158, 0, 155, 20, 156, 30} << 2.5 << 9500 << 0 << 1050 << true;
    QTest::newRow("overcurrent signalled")
        << QList<int>{155, 20, 156, 30} << 2.5 << 9500 << 0 << 1050 << false;
    QTest::newRow("overcurrent too short")
        << QList<int>{158, 0, 155, 20, 156, 30} << 2.5 << 8500 << -1 << 0 << false;
}

void tst_RelayModel::currentProtections()
{
    QFETCH(QList<int>, settings);
    QFETCH(double, load);
    QFETCH(int, afterMs);
    QFETCH(int, bit);
    QFETCH(int, value);
    QFETCH(bool, stops);
    RelayOptions options;
    for (qsizetype i = 0; i + 1 < settings.size(); i += 2)
        options.settings.emplace_back(std::uint16_t(settings[i]), std::int16_t(settings[i + 1]));
    options.load = load;
    Bench bench(options);
    QCOMPARE(bench.write(903, 2), Exception::None);
    bench.wait(std::chrono::milliseconds(afterMs));
    QCOMPARE(std::uint32_t(bench.read(902)) << 16 | bench.read(901), bit < 0 ? 0u : 1u << bit);
    QCOMPARE(!(bench.read(900) & 0x2), stops);
    if (bit < 0)
        return;
    QVERIFY2(std::abs(bench.read(std::uint16_t(300 + bit)) - value) <= value / 20,
             qPrintable(QString::number(bench.read(std::uint16_t(300 + bit)))));
    QCOMPARE(int(bench.read(1000)), bit);
}

void tst_RelayModel::mainsProtections_data()
{
    QTest::addColumn<QList<double>>("mains"); // L1, L2, L3 volts, hertz
    QTest::addColumn<int>("setting");         // a protection switched on for the row, or 0
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("bit");
    QTest::addColumn<int>("value");     // in the fault's value register 300 + bit, -1: none
    QTest::addColumn<bool>("restarts"); // protection mode 2 with automatic restart
    QTest::newRow("undervoltage") << QList<double>{170, 170, 170, 50} << 0 << 10000 << 12 << 294 << true;
    QTest::newRow("overvoltage") << QList<double>{250, 250, 250, 50} << 0 << 2000 << 13 << 433 << true;
    QTest::newRow("unbalance") << QList<double>{231, 231, 180, 50} << 0 << 5000 << 14 << 43 << true;
    QTest::newRow("underfrequency") << QList<double>{231, 231, 231, 47} << 191 << 10000 << 16 << 470 << false;
    QTest::newRow("overfrequency") << QList<double>{231, 231, 231, 52} << 194 << 10000 << 17 << 520 << false;
    QTest::newRow("frequency unprotected")
        << QList<double>{231, 231, 231, 47} << 0 << 10000 << -1 << 0 << false;
    QTest::newRow("phase lost") << QList<double>{231, 231, 0, 50} << 0 << 500 << 25 << -1 << false;
}

void tst_RelayModel::mainsProtections()
{
    QFETCH(QList<double>, mains);
    QFETCH(int, setting);
    QFETCH(int, delayMs);
    QFETCH(int, bit);
    QFETCH(int, value);
    QFETCH(bool, restarts);
    RelayOptions options;
    if (setting)
        options.settings = {{std::uint16_t(setting), 1}};
    Bench bench(options);
    bench.runMotor();
    bench.relay->setMains(mains[0], mains[1], mains[2], mains[3]);
    bench.wait(std::chrono::milliseconds(delayMs - 100));
    QCOMPARE(bench.read32(901), 0u);
    bench.wait(200ms);
    if (bit < 0) {
        QCOMPARE(bench.read32(901), 0u);
        QVERIFY(bench.read(900) & 0x2);
        return;
    }
    QCOMPARE(std::uint32_t(bench.read(902)) << 16 | bench.read(901), 1u << bit);
    if (value >= 0)
        QVERIFY2(std::abs(bench.read(std::uint16_t(300 + bit)) - value) <= std::max(2, value / 100),
                 qPrintable(QString::number(bench.read(std::uint16_t(300 + bit)))));
    QCOMPARE(bench.read(900) & 0x2, 0);

    // While the mains is still wrong nothing clears; once it is right again the
    // fault restarts the motor by itself or waits for the reset.
    QCOMPARE(bench.write(903, 55), Exception::None);
    QVERIFY(bench.read(901) | bench.read(902));
    bench.relay->setMains(231, 231, 231, 50);
    bench.wait(6s); // restart delay 196 = 5 s
    QCOMPARE(bool(bench.read(900) & 0x2), restarts);
    QCOMPARE(bench.write(903, 55), Exception::None);
    QCOMPARE(bench.read32(901), 0u);
}

void tst_RelayModel::clockTicksInBcd()
{
    Bench bench;
    std::uint16_t clock[6] = {};
    QCOMPARE(bench.relay->readHolding(80, 6, clock), Exception::None);
    const std::uint16_t start[6] = {0x0045, 0x0030, 0x0012, 0x0024, 0x0012, 0x0025};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(clock[i], start[i]);
    bench.wait(75s);
    QCOMPARE(int(bench.read(80)), 0x0000);
    QCOMPARE(int(bench.read(81)), 0x0032);
    bench.wait(999ms);
    QCOMPARE(int(bench.read(80)), 0x0000); // fractions of a second add up
    bench.wait(1ms);
    QCOMPARE(int(bench.read(80)), 0x0001);
}

void tst_RelayModel::clockRollsOver_data()
{
    QTest::addColumn<QList<int>>("set");   // seconds .. year as BCD, written in that order
    QTest::addColumn<QList<int>>("after"); // one second later
    QTest::newRow("leap day") << QList<int>{0x59, 0x59, 0x23, 0x28, 0x02, 0x24}
                              << QList<int>{0x00, 0x00, 0x00, 0x29, 0x02, 0x24};
    QTest::newRow("end of February") << QList<int>{0x59, 0x59, 0x23, 0x28, 0x02, 0x25}
                                     << QList<int>{0x00, 0x00, 0x00, 0x01, 0x03, 0x25};
    QTest::newRow("new year") << QList<int>{0x59, 0x59, 0x23, 0x31, 0x12, 0x25}
                              << QList<int>{0x00, 0x00, 0x00, 0x01, 0x01, 0x26};
    // The day is set before the month: 30 is taken while February is still set.
    QTest::newRow("day before month")
        << QList<int>{0x07, 0x45, 0x13, 0x30, 0x03, 0x24} << QList<int>{0x08, 0x45, 0x13, 0x30, 0x03, 0x24};
}

void tst_RelayModel::clockRollsOver()
{
    QFETCH(QList<int>, set);
    QFETCH(QList<int>, after);
    Bench bench;
    QCOMPARE(bench.write(84, 0x02), Exception::None);
    bench.wait(400ms); // a fraction before the master's first write is dropped by it
    for (int i = 0; i < 6; ++i)
        QCOMPARE(bench.write(std::uint16_t(80 + i), std::uint16_t(set[i])), Exception::None);
    bench.wait(1s);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(int(bench.read(std::uint16_t(80 + i))), after[i]);
}

void tst_RelayModel::restartIsSilentForTwoSecondsAndStopsTheMotor()
{
    Bench bench;
    bench.runMotor();
    bench.wait(10min);
    const std::uint32_t energy = bench.read32(92);
    bench.relay->tripFault(3, 10);
    bench.relay->clearFault(3);
    QVERIFY(!bench.relay->isSilent());
    const std::uint16_t seconds = bench.read(80);
    QCOMPARE(bench.write(903, 88), Exception::None);
    QVERIFY(bench.relay->isSilent());
    bench.wait(1999ms);
    QVERIFY(bench.relay->isSilent());
    bench.wait(1ms);
    QVERIFY(!bench.relay->isSilent());
    QCOMPARE(int(bench.read(80)), seconds + 2); // the clock ran on through the restart
    QCOMPARE(int(bench.read(30)), 0);
    QCOMPARE(int(bench.read(901)), 0);  // its cause was gone
    QCOMPARE(int(bench.read(1000)), 3); // the log survives
    QCOMPARE(bench.read32(92), energy); // and so do the energy counters

    // A restart with 221 = 1 brings back the delivered settings.
    QCOMPARE(bench.write(155, 50), Exception::None);
    QCOMPARE(bench.write(151, 10), Exception::None);
    QCOMPARE(bench.write(903, 88), Exception::None);
    QCOMPARE(int(bench.read(155)), 50);
    bench.wait(2s);
    QCOMPARE(bench.write(221, 1), Exception::None);
    QCOMPARE(bench.write(903, 88), Exception::None);
    bench.wait(2s);
    QCOMPARE(int(bench.read(155)), 40);
    QCOMPARE(int(bench.read(151)), 42);
    QCOMPARE(int(bench.read(221)), 0);
}

void tst_RelayModel::forcedRegistersAndSilence()
{
    Bench bench;
    bench.relay->forceRegister(69, 1000);
    bench.relay->forceRegister(151, 0); // a setting takes the value, unchecked, and acts on it
    bench.wait(1s);
    QCOMPARE(int(bench.read(69)), 1000);
    QCOMPARE(int(bench.read(151)), 0);
    QCOMPARE(bench.write(903, 2), Exception::None);
    bench.wait(10s);
    QCOMPARE(int(bench.read(30)), 0);
    bench.relay->releaseRegister(69);
    QCOMPARE(int(bench.read(69)), 5000);

    bench.relay->goSilent(500ms);
    QVERIFY(bench.relay->isSilent());
    bench.wait(500ms);
    QVERIFY(!bench.relay->isSilent());
}

// Transports and the scenario call the relay from their own threads: every request must
// be answered whole while time moves, faults trip and the motor starts and stops.
void tst_RelayModel::concurrentMastersAndScenario()
{
    std::atomic<std::int64_t> now{0};
    RelayOptions options;
    options.clock = [&now] { return std::chrono::milliseconds(now.load()); };
    const auto relay = createRelay(options);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            std::uint16_t block[66];
            for (int i = 0; i < 2000; ++i) {
                const bool ok =
                    relay->readHolding(t == 0 ? 30 : 900, t == 0 ? 66 : 4, block) == Exception::None &&
                    relay->readHolding(1000, 125, std::vector<std::uint16_t>(125).data()) == Exception::None;
                failures += ok ? 0 : 1;
                now += 7;
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; i < 500; ++i) {
            relay->tripFault(i % 20, i);
            relay->clearFault(i % 20);
            failures += relay->writeSingle(903, 55) == Exception::None ? 0 : 1;
            failures += relay->writeSingle(903, i % 2 ? 0 : 2) == Exception::None ? 0 : 1;
            relay->setLoad(0.5 + (i % 3) * 0.5);
            (void)relay->isSilent();
        }
    });
    for (std::thread& t : threads)
        t.join();
    QCOMPARE(failures.load(), 0);
}

// Test hooks: a register that fails a number of requests (or always) with
// exception 4, blocks touching it included; a clock whose seconds land ahead.
void tst_RelayModel::failingRegistersAndClockAhead()
{
    RelayOptions options;
    options.failingRegisters = {{156, 2}, {157, -1}};
    options.clockAheadSeconds = 2;
    Bench bench(options);
    std::uint16_t regs[3] = {};
    QCOMPARE(bench.relay->readHolding(155, 2, regs), Exception::SlaveDeviceFailure);
    QCOMPARE(bench.write(156, 100), Exception::SlaveDeviceFailure);
    QCOMPARE(bench.write(156, 100), Exception::None);
    QCOMPARE(bench.relay->readHolding(150, 3, regs), Exception::None);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(bench.write(157, 10), Exception::SlaveDeviceFailure);
    QCOMPARE(bench.write(80, 0x0010), Exception::None);
    QCOMPARE(bench.read(80), std::uint16_t(0x0012));
}

QTEST_GUILESS_MAIN(tst_RelayModel)
#include "tst_relay_model.moc"
