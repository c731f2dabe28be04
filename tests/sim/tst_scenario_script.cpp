// SPDX-License-Identifier: MIT
// Scenario scripts: what a valid script schedules, and that a broken one is
// refused with the line that is wrong.
#include "ScenarioScript.h"

#include <QTest>
#include <sstream>

using namespace zrq7::sim;
using namespace std::chrono;
using Kind = ScenarioEvent::Kind;

class TestScenarioScript : public QObject
{
    Q_OBJECT

private slots:
    void validScript();
    void errors_data();
    void errors();
};

void TestScenarioScript::validScript()
{
    std::istringstream script("# start quietly\n"
                              "\n"
                              "at 9 drop-tcp\n"
                              "at 2.5 trip 3 value 120   # phase loss\n"
                              "at 5 clear 3\n"
                              "at 6 set 200 -1\n"
                              "at 6 set 0x1F 7\n"
                              "at 7 silent 0.25\n"
                              "  at 1 trip 31\n"
                              "at 10 release 200\n"
                              "at 11 load 1.25\n"
                              "at 12 sensor 2 short\n"
                              "at 13 fail 1247\n"
                              "at 14 unplug 2.5\n"
                              "at 15 unit 5 trip 2 value 80\n");
    std::string error;
    const auto events = parseScenario(script, "demo.txt", error);
    QVERIFY2(events, error.c_str());
    QCOMPARE(events->size(), std::size_t(13));
    const auto& e = *events;
    // In time order; events at the same time keep their script order.
    QCOMPARE(e[0].kind, Kind::Trip);
    QCOMPARE(e[0].bit, 31);
    QCOMPARE(e[0].value, 0);
    QCOMPARE(e[1].at, milliseconds(2500));
    QCOMPARE(e[1].bit, 3);
    QCOMPARE(e[1].value, 120);
    QCOMPARE(e[1].line, 4);
    QCOMPARE(e[2].kind, Kind::Clear);
    QCOMPARE(e[3].reg, 200);
    QCOMPARE(e[3].regValue, 0xFFFF); // negative values travel as their low 16 bits
    QCOMPARE(e[4].reg, 0x1F);
    QCOMPARE(e[5].kind, Kind::Silent);
    QCOMPARE(e[5].duration, milliseconds(250));
    QCOMPARE(e[6].kind, Kind::DropTcp);
    QCOMPARE(e[6].at, seconds(9));
    QCOMPARE(e[7].kind, Kind::Release);
    QCOMPARE(e[7].reg, 200);
    QCOMPARE(e[8].load, 1.25);
    QCOMPARE(e[9].sensor, 2);
    QCOMPARE(e[9].sensorState, zrq7::sim::SensorState::Short);
    QCOMPARE(e[10].kind, Kind::Fail);
    QCOMPARE(e[10].reg, 1247);
    QCOMPARE(e[11].kind, Kind::Unplug);
    QCOMPARE(e[11].duration, milliseconds(2500));
    QCOMPARE(e[11].unit, 0); // every relay on the line
    QCOMPARE(e[12].kind, Kind::Trip);
    QCOMPARE(e[12].unit, 5);
    QCOMPARE(e[12].bit, 2);
    QCOMPARE(e[12].value, 80);
}

void TestScenarioScript::errors_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected"); // start of the error message

    QTest::newRow("fail without a register") << "at 1 fail\n"
                                             << "s.txt:1: expected 'fail <register>'";
    QTest::newRow("unit 0") << "at 1 unit 0 trip 2\n"
                            << "s.txt:1: expected 'unit <1..247> <event>'";
    QTest::newRow("unit without event") << "at 1 unit 5\n"
                                        << "s.txt:1: expected 'unit <1..247> <event>'";
    QTest::newRow("line event for a unit") << "at 1 unit 5 drop-tcp\n"
                                           << "s.txt:1: drop-tcp concerns the whole line, not one unit";
    QTest::newRow("unknown event") << "at 1 trip 2\nat 2 explode\n"
                                   << "s.txt:2: unknown event 'explode'";
    QTest::newRow("missing at") << "# ok\n1 trip 2\n"
                                << "s.txt:2: expected 'at <seconds>'";
    QTest::newRow("bad time") << "at soon trip 2\n"
                              << "s.txt:1: 'soon' is not a time";
    QTest::newRow("negative time") << "at -1 clear 2\n"
                                   << "s.txt:1: '-1' is not a time";
    QTest::newRow("bit out of range") << "at 1 trip 32\n"
                                      << "s.txt:1: trip needs a fault bit 0..31";
    QTest::newRow("value word missing") << "at 1 trip 3 120\n"
                                        << "s.txt:1: expected 'trip <bit> [value";
    QTest::newRow("value not a number") << "at 1 trip 3 value x\n"
                                        << "s.txt:1: 'x' is not a 32-bit value";
    QTest::newRow("register too big") << "\n\nat 1 set 65536 1\n"
                                      << "s.txt:3: '65536' is not a register";
    QTest::newRow("set value too big") << "at 1 set 200 70000\n"
                                       << "s.txt:1: '70000' is not a 16-bit value";
    QTest::newRow("set without value") << "at 1 set 200\n"
                                       << "s.txt:1: expected 'set <register> <value>'";
    QTest::newRow("silent without time") << "at 1 silent\n"
                                         << "s.txt:1: expected 'silent <seconds>'";
    QTest::newRow("unplug without time") << "at 1 unplug\n"
                                         << "s.txt:1: expected 'unplug <seconds>'";
    QTest::newRow("extra word") << "at 1 drop-tcp now\n"
                                << "s.txt:1: unexpected 'now'";
    QTest::newRow("sensor 3") << "at 1 sensor 3 short\n"
                              << "s.txt:1: expected 'sensor <1|2>";
    QTest::newRow("sensor state") << "at 1 sensor 1 melted\n"
                                  << "s.txt:1: 'melted' is not normal";
    QTest::newRow("load negative") << "at 1 load -1\n"
                                   << "s.txt:1: expected 'load <multiple";
    QTest::newRow("only a time") << "at 1\n"
                                 << "s.txt:1: expected 'at <seconds> <event>'";
}

void TestScenarioScript::errors()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);
    std::istringstream in(script.toStdString());
    std::string error;
    QVERIFY(!parseScenario(in, "s.txt", error));
    QVERIFY2(QString::fromStdString(error).startsWith(expected), error.c_str());
}

QTEST_GUILESS_MAIN(TestScenarioScript)
#include "tst_scenario_script.moc"
