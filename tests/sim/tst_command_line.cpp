// SPDX-License-Identifier: MIT
// What the simulator's options turn into: links, line, relay and faults.
#include "CommandLine.h"

#include <QTest>

using namespace zrq7::sim;
using Args = std::vector<std::string>;

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void tcpEndpoint_data();
    void tcpEndpoint();
    void defaults();
    void serialLineRelayAndFaults();
};

void TestCommandLine::tcpEndpoint_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port"); // -1: refused

    QTest::newRow("port only") << "5021"
                               << "127.0.0.1" << 5021;
    QTest::newRow("any port") << "0"
                              << "127.0.0.1" << 0;
    QTest::newRow("host and port") << "0.0.0.0:502"
                                   << "0.0.0.0" << 502;
    QTest::newRow("name") << "localhost:1502"
                          << "localhost" << 1502;
    QTest::newRow("ipv6 in brackets") << "[::1]:5020"
                                      << "::1" << 5020;
    QTest::newRow("port too big") << "65536"
                                  << "" << -1;
    QTest::newRow("no port") << "localhost:"
                             << "" << -1;
    QTest::newRow("no host") << ":5020"
                             << "" << -1;
    QTest::newRow("not a number") << "http"
                                  << "" << -1;
}

void TestCommandLine::tcpEndpoint()
{
    QFETCH(QString, argument);
    QFETCH(QString, host);
    QFETCH(int, port);

    SimulatorOptions options;
    std::string error;
    const auto result = parseCommandLine({"--tcp", argument.toStdString()}, options, error);
    if (port < 0) {
        QCOMPARE(result, CommandLineResult::Error);
        QVERIFY2(error.find("is not [HOST:]PORT") != std::string::npos, error.c_str());
        return;
    }
    QCOMPARE(result, CommandLineResult::Run);
    QVERIFY(options.tcp);
    QCOMPARE(QString::fromStdString(options.tcpHost), host);
    QCOMPARE(int(options.tcpPort), port);
}

void TestCommandLine::defaults()
{
    // No link asked for: Modbus TCP on 127.0.0.1:5020. A serial link alone: no TCP.
    SimulatorOptions plain;
    std::string error;
    QCOMPARE(parseCommandLine({}, plain, error), CommandLineResult::Run);
    QVERIFY(plain.tcp && !plain.serial());
    QCOMPARE(plain.tcpHost, std::string("127.0.0.1"));
    QCOMPARE(plain.tcpPort, 5020);
    QCOMPARE(plain.units, std::vector<std::uint8_t>{1});
    QCOMPARE(plain.relay.firmware, 12);
    QCOMPARE(plain.faults.any(), false);

    SimulatorOptions ptyOnly;
    QCOMPARE(parseCommandLine({"--pty", "/tmp/COM1"}, ptyOnly, error), CommandLineResult::Run);
    QVERIFY(!ptyOnly.tcp && ptyOnly.serial());
    QCOMPARE(int(ptyOnly.serialMode), int(SerialMode::Rtu));
    QCOMPARE(ptyOnly.line.baud, 9600);
    QCOMPARE(ptyOnly.line.bitsPerCharacter(), 11); // 8N2 like the panel's default
    QCOMPARE(ptyOnly.turnaround, std::chrono::milliseconds(5));

    SimulatorOptions both;
    QCOMPARE(parseCommandLine({"--pty", "/tmp/COM1", "--tcp", "5020"}, both, error), CommandLineResult::Run);
    QVERIFY(both.tcp && both.serial());

    SimulatorOptions help;
    QCOMPARE(parseCommandLine({"--unit", "3", "--help"}, help, error), CommandLineResult::Help);
}

void TestCommandLine::serialLineRelayAndFaults()
{
    SimulatorOptions o;
    std::string error;
    QCOMPARE(parseCommandLine({"--serial",
                               "/dev/ttyUSB0",
                               "--ascii",
                               "--baud",
                               "19200",
                               "--data-bits",
                               "7",
                               "--parity",
                               "even",
                               "--stop-bits",
                               "1",
                               "--turnaround",
                               "0",
                               "--unit",
                               "247,3",
                               "--id",
                               "12",
                               "--firmware",
                               "7",
                               "--seed",
                               "4000000000",
                               "--rated-current",
                               "0",
                               "--remote-control",
                               "0",
                               "--load",
                               "1.5",
                               "--setting",
                               "153=120",
                               "--setting",
                               "200=-1",
                               "--start-time",
                               "2025-12-24T12:30:45",
                               "--drop-rate",
                               "0.1",
                               "--corrupt-rate",
                               "1",
                               "--garbage-rate",
                               "0.25",
                               "--delay-rate",
                               "0",
                               "--delay-ms",
                               "2500",
                               "--fault-seed",
                               "99",
                               "--verbose",
                               "--fail-register",
                               "156",
                               "--fail-register",
                               "157x2",
                               "--clock-ahead",
                               "2"},
                              o, error),
             CommandLineResult::Run);
    QCOMPARE(o.serialDevice, std::string("/dev/ttyUSB0"));
    QCOMPARE(int(o.serialMode), int(SerialMode::Ascii));
    QCOMPARE(o.line.baud, 19200);
    QCOMPARE(o.line.bitsPerCharacter(), 10); // 7E1
    QCOMPARE(o.turnaround, std::chrono::milliseconds(0));
    QCOMPARE(o.units, (std::vector<std::uint8_t>{247, 3}));
    QCOMPARE(o.relay.identifier, 12);
    QCOMPARE(o.relay.firmware, 7);
    QCOMPARE(o.relay.seed, 4000000000u);
    QCOMPARE(o.relay.ratedCurrent, 0);
    QCOMPARE(o.relay.remoteControl, 0);
    QCOMPARE(o.relay.load, 1.5);
    QCOMPARE(o.relay.settings.size(), std::size_t(2));
    QCOMPARE(o.relay.settings[1].first, 200);
    QCOMPARE(o.relay.settings[1].second, -1);
    QVERIFY(o.relay.startTime);
    QCOMPARE(o.relay.startTime->hour, 12);
    QCOMPARE(o.relay.startTime->second, 45);
    QCOMPARE(o.faults.drop, 0.1);
    QCOMPARE(o.faults.corrupt, 1.0);
    QCOMPARE(o.faults.garbage, 0.25);
    QCOMPARE(o.faults.delayBy, std::chrono::milliseconds(2500));
    QCOMPARE(o.faults.seed, 99u);
    QVERIFY(o.verbose);
    QCOMPARE(o.relay.failingRegisters.size(), std::size_t(2));
    QCOMPARE(o.relay.failingRegisters.at(156), -1);
    QCOMPARE(o.relay.failingRegisters.at(157), 2);
    QCOMPARE(o.relay.clockAheadSeconds, 2);
    for (const char* bad : {"157x0", "x2", "157x", "70000"}) {
        SimulatorOptions other;
        QCOMPARE(parseCommandLine({"--fail-register", bad}, other, error), CommandLineResult::Error);
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
