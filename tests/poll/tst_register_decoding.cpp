// SPDX-License-Identifier: MIT
// The register map's decoding: what each register block turns into.
#include "BlockDecoding.h"
#include "MeasurementSnapshot.h"
#include "RegisterDecoding.h"

#include <QTest>
#include <vector>

using namespace pollcycle;

Q_DECLARE_METATYPE(pollcycle::SensorState)

class TestRegisterDecoding : public QObject
{
    Q_OBJECT
private slots:
    void phasePower_data();
    void phasePower();
    void derivedSlotsFromSnapshot();
    void currentScale_data();
    void currentScale();
    void heating_data();
    void heating();
    void temperature_data();
    void temperature();
    void thirtyTwoBitHighWordFirst();
    void relayClock();
    void slowGroupSettings();
};

void TestRegisterDecoding::phasePower_data()
{
    QTest::addColumn<int>("currentTenths");
    QTest::addColumn<int>("voltage");
    QTest::addColumn<int>("cosPhi");
    QTest::addColumn<int>("active");
    QTest::addColumn<int>("reactive");
    QTest::addColumn<int>("apparent");

    QTest::newRow("10 A, 230 V, cos 0.850") << 100 << 230 << 850 << 1955 << 1211 << 2299;
    QTest::newRow("cos exactly 1") << 100 << 230 << 1000 << 2300 << 0 << 2300;
    QTest::newRow("cos above 1000: no reactive power, S = P") << 100 << 230 << 1200 << 2760 << 0 << 2760;
    QTest::newRow("cos 0: all reactive") << 100 << 230 << 0 << 0 << 2300 << 2300;
    QTest::newRow("no current") << 0 << 230 << 850 << 0 << 0 << 0;
    QTest::newRow("fractions truncated") << 13 << 231 << 777 << 233 << 189 << 300;
    QTest::newRow("corrupt registers stay at the top")
        << 655350 << 65535 << 1000 << INT32_MAX << 0 << INT32_MAX;
}

void TestRegisterDecoding::phasePower()
{
    QFETCH(int, currentTenths);
    QFETCH(int, voltage);
    QFETCH(int, cosPhi);
    const PhasePower power = pollcycle::phasePower(currentTenths, voltage, cosPhi);
    QTEST(power.active, "active");
    QTEST(power.reactive, "reactive");
    QTEST(power.apparent, "apparent");
}

// Slots 41-49 come from phase current (0-2), phase voltage (15-17) and cos φ
// (33-35) in the snapshot, as S/10, P/10, Q/10 per phase.
void TestRegisterDecoding::derivedSlotsFromSnapshot()
{
    MeasurementSnapshot snapshot;
    snapshot.SetMeasurement(0, 100);
    snapshot.SetMeasurement(15, 230);
    snapshot.SetMeasurement(33, 850);
    snapshot.SetMeasurement(2, 50); // phase 3: 5 A, 400 V, cos 0.5
    snapshot.SetMeasurement(17, 400);
    snapshot.SetMeasurement(35, 500);

    const auto perPhase = derivePhasePowers(snapshot);
    QCOMPARE(perPhase.slot(41), 229);
    QCOMPARE(perPhase.slot(44), 195);
    QCOMPARE(perPhase.slot(47), 121);
    // Phase 2 has nothing.
    QCOMPARE(perPhase.slot(42), 0);
    QCOMPARE(perPhase.slot(45), 0);
    QCOMPARE(perPhase.slot(48), 0);
    // Phase 3: P = 1000, Q = 1732 (2000 · 0.866...), S = 2000.
    QCOMPARE(perPhase.slot(46), 100);
    QCOMPARE(perPhase.slot(49), 173);
    QCOMPARE(perPhase.slot(43), 199);
}

void TestRegisterDecoding::currentScale_data()
{
    QTest::addColumn<int>("transformerRating");
    QTest::addColumn<int>("phaseCurrentSlot");
    QTest::addColumn<int>("peakCurrentSlot");

    // Register 30 = 125 and register 39 = 7; register 44 (start time) = 9 is never scaled.
    QTest::newRow("100 A: relay counts tenths") << 100 << 125 << 7;
    QTest::newRow("101 A: relay counts amperes") << 101 << 1250 << 70;
    QTest::newRow("no rating") << 0 << 125 << 7;
}

void TestRegisterDecoding::currentScale()
{
    QFETCH(int, transformerRating);
    const std::vector<uint16_t> k{static_cast<uint16_t>(transformerRating), 50, 0, 60};
    const int scale = decodeCurrentSettings(k).currentScale;

    const std::vector<uint16_t> a{125, 0, 0, 0, 0, 0};
    QTEST(decodeCurrents(a, scale).slot(0), "phaseCurrentSlot");
    const std::vector<uint16_t> f{0, 0, 0, 7, 0, 0, 0, 0, 9};
    const auto averages = decodeAverageCurrents(f, scale);
    QTEST(averages.slot(9), "peakCurrentSlot");
    QCOMPARE(averages.slot(14), 9);
}

void TestRegisterDecoding::heating_data()
{
    QTest::addColumn<uint>("thermalState");
    QTest::addColumn<int>("percent");

    QTest::newRow("cold") << 0u << 0;
    QTest::newRow("550 000 is 50 %") << 550000u << 50;
    QTest::newRow("just below 100 %") << 1099999u << 99;
    QTest::newRow("full load") << 1100000u << 100;
    QTest::newRow("11 000 000 is 1000 %") << 11000000u << 1000;
    QTest::newRow("above the top stays 1000 %") << 0xFFFFFFFFu << 1000;
}

// Registers 73-74 carry the thermal state high word first.
void TestRegisterDecoding::heating()
{
    QFETCH(uint, thermalState);
    const std::vector<uint16_t> r{static_cast<uint16_t>(thermalState >> 16),
                                  static_cast<uint16_t>(thermalState)};
    const HeatingUpdate heating = decodeHeating(r);
    QCOMPARE(heating.thermalState, thermalState);
    QTEST(heating.percent, "percent");
}

void TestRegisterDecoding::temperature_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("breakValue");
    QTest::addColumn<SensorState>("state");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("text");

    const auto degrees = SensorState::Degrees;
    QTest::newRow("short 1000") << 1000 << 200 << SensorState::Shorted << -80 << "Zwarcie";
    QTest::newRow("short band low end 991") << 991 << 200 << SensorState::Shorted << -80 << "Zwarcie";
    QTest::newRow("short band high end 1009") << 1009 << 300 << SensorState::Shorted << -80 << "Zwarcie";
    QTest::newRow("limit 990 is degrees") << 990 << 200 << degrees << 990 << "990 *C";
    QTest::newRow("limit 1010 is degrees") << 1010 << 200 << degrees << 1010 << "1010 *C";
    QTest::newRow("broken sensor 2") << 2000 << 300 << SensorState::Broken << 300 << "Przerwanie";
    QTest::newRow("broken sensor 1") << 2000 << 200 << SensorState::Broken << 200 << "Przerwanie";
    QTest::newRow("limit 1990") << 1990 << 200 << degrees << 1990 << "1990 *C";
    QTest::newRow("limit 2010") << 2010 << 200 << degrees << 2010 << "2010 *C";
    QTest::newRow("switched off") << 5000 << 200 << SensorState::Off << 0 << "Wył.";
    QTest::newRow("limit 4990") << 4990 << 200 << degrees << 4990 << "4990 *C";
    QTest::newRow("limit 5010") << 5010 << 300 << degrees << 5010 << "5010 *C";
    QTest::newRow("minus 10 as two's complement") << 0xFFF6 << 200 << degrees << -10 << "-10 *C";
    QTest::newRow("room temperature") << 21 << 300 << degrees << 21 << "21 *C";
}

void TestRegisterDecoding::temperature()
{
    QFETCH(int, raw);
    QFETCH(int, breakValue);
    const TemperatureReading reading = decodeTemperature(static_cast<uint16_t>(raw), breakValue);
    QTEST(reading.state, "state");
    QTEST(reading.value, "slot");
    QTEST(temperatureText(reading), "text");
}

// Block C: three 32-bit powers, then cos φ 1-3; block D: three 32-bit energies.
void TestRegisterDecoding::thirtyTwoBitHighWordFirst()
{
    const std::vector<uint16_t> c{0x0000, 2045, 0x0001, 0x0002, 0xFFFF, 0xFFFE, 850, 900, 1001};
    const auto powers = decodePowers(c);
    QCOMPARE(powers.slot(30), 2045);
    QCOMPARE(powers.slot(31), 65538);
    QCOMPARE(powers.slot(32), -2);
    QCOMPARE(powers.slot(33), 850);
    QCOMPARE(powers.slot(34), 900);
    QCOMPARE(powers.slot(35), 1001);

    const std::vector<uint16_t> d{0x0012, 0x3456, 0x8000, 0x0000, 0x0000, 0x0007};
    const auto energies = decodeEnergies(d);
    QCOMPARE(energies.slot(50), 0x00123456);
    QCOMPARE(energies.slot(51), INT32_MIN);
    QCOMPARE(energies.slot(52), 7);
}

void TestRegisterDecoding::relayClock()
{
    const std::vector<uint16_t> e{0x0045, 0x0030, 0x0012, 0x0024, 0x0012, 0x0025};
    const RelayClock clock = decodeClock(e);
    QCOMPARE(clock.hours, 12);
    QCOMPARE(clock.minutes, 30);
    QCOMPARE(clock.seconds, 45);
    QCOMPARE(clock.day, 24);
    QCOMPARE(clock.month, 12);
    QCOMPARE(clock.year, 2025);
    QCOMPARE(relayClockText(clock), QStringLiteral("12 : 30 : 45\r\n24.12.2025"));
    QCOMPARE(fromBcd(0x2025), 2025);
    QCOMPARE(fromBcd(0x9999), 9999);
}

void TestRegisterDecoding::slowGroupSettings()
{
    const std::vector<uint16_t> k{150, 0, 99, 60};
    const CurrentSettingsUpdate settings = decodeCurrentSettings(k);
    QCOMPARE(settings.currentScale, 10);
    QVERIFY(settings.ratedCurrentMissing);
    QCOMPARE(settings.averagingPeriod, uint16_t(60));
    QVERIFY(!decodeCurrentSettings(std::vector<uint16_t>{150, 32, 0, 60}).ratedCurrentMissing);

    const auto limits = decodeLineVoltageLimits(std::vector<uint16_t>{340, 0, 0, 420});
    QCOMPARE(limits.minimum, uint16_t(340));
    QCOMPARE(limits.maximum, uint16_t(420));
    QVERIFY(decodeMotorControl(std::vector<uint16_t>{2}).remoteControlAllowed);
    QVERIFY(!decodeMotorControl(std::vector<uint16_t>{0}).remoteControlAllowed);
}

QTEST_GUILESS_MAIN(TestRegisterDecoding)
#include "tst_register_decoding.moc"
