// SPDX-License-Identifier: MIT
// zrq7sim as a process: independent MODBUS masters (mbpoll, pymodbus) talk
// to it over TCP, an RTU pseudo-terminal and an ASCII pseudo-terminal; raw
// sockets and pty reads check framing, timing, scenarios and injected faults.
#include "SimulatorProcess.h"
#include "SocatPair.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using zrq7::test::SimulatorProcess;
using zrq7::test::SocatPair;

namespace {

QString sourceFile(const QString& relative)
{
    return QDir(qEnvironmentVariable("ZRQ7_SOURCE_DIR")).filePath(relative);
}

// Runs a peer program to its end; returns stdout + stderr.
QString runPeer(const QString& program, const QStringList& args, int timeoutMs = 15000)
{
    QProcess peer;
    peer.setProcessChannelMode(QProcess::MergedChannels);
    peer.start(program, args);
    if (!peer.waitForFinished(timeoutMs)) {
        peer.kill();
        peer.waitForFinished();
        return QStringLiteral("peer hung: ") + QString::fromUtf8(peer.readAll());
    }
    return QString::fromUtf8(peer.readAll());
}

// One mbpoll run per operation, answer normalised to "v1 v2", "ok", "exception N", "no answer".
QString mbpollOperation(const QStringList& link, const QString& operation)
{
    const QStringList parts = operation.split(QLatin1Char(' '));
    QStringList args = link;
    args << QStringLiteral("-a") << QStringLiteral("1") << QStringLiteral("-0") << QStringLiteral("-1")
         << QStringLiteral("-o") << QStringLiteral("1") << QStringLiteral("-r") << parts[1];
    const bool read = parts[0] == QLatin1String("read");
    if (read)
        args << QStringLiteral("-c") << parts[2] << link.last();
    else
        args << link.last() << parts[2];
    args.removeAt(link.size() - 1); // the device or host goes after the options
    const QString output = runPeer(QStringLiteral("mbpoll"), args);
    if (output.contains(QLatin1String("Illegal data address")))
        return QStringLiteral("exception 2");
    if (output.contains(QLatin1String("Illegal data value")))
        return QStringLiteral("exception 3");
    if (!read)
        return output.contains(QLatin1String("Written 1 reference")) ? QStringLiteral("ok") : output;
    QStringList values;
    static const QRegularExpression value(QStringLiteral("^\\[\\d+\\]:\\s+(-?\\d+)"),
                                          QRegularExpression::MultilineOption);
    for (auto match = value.globalMatch(output); match.hasNext();)
        values << match.next().captured(1);
    return values.isEmpty() ? QStringLiteral("no answer: ") + output : values.join(QLatin1Char(' '));
}

// All operations in one pymodbus client run.
QStringList pymodbusOperations(const QStringList& link, const QStringList& operations)
{
    QStringList args{sourceFile(QStringLiteral("tests/sim/modbus_client.py"))};
    args << link;
    for (const QString& operation : operations)
        args << operation.split(QLatin1Char(' ')).join(QLatin1Char(':'));
    QStringList answers;
    for (const QString& line : runPeer(QStringLiteral("/usr/bin/python3"), args).split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        if (colon > 0)
            answers << line.mid(colon + 2).trimmed();
        else if (!line.trimmed().isEmpty())
            answers << line;
    }
    return answers;
}

using Bytes = QByteArray;

// Reads from fd until `size` bytes came, `timeoutMs` passed or the stream ended (then *ended is set).
Bytes readUpTo(int fd, qsizetype size, int timeoutMs, bool* ended = nullptr)
{
    Bytes got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < size) {
        pollfd in{fd, POLLIN, 0};
        const int left = timeoutMs - int(clock.elapsed());
        if (left <= 0 || ::poll(&in, 1, left) <= 0)
            break;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, size_t(std::min<qsizetype>(size - got.size(), sizeof buffer)));
        if (n <= 0) {
            if (ended)
                *ended = true;
            break;
        }
        got.append(buffer, n);
    }
    return got;
}

// Modbus TCP by hand, so a test decides how requests are cut into segments.
class RawTcp
{
public:
    explicit RawTcp(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawTcp() { ::close(m_fd); }
    bool connected() const { return m_connected; }
    void send(const Bytes& bytes)
    {
        QCOMPARE(::send(m_fd, bytes.data(), size_t(bytes.size()), 0), bytes.size());
    }
    // Up to `size` bytes, as many as arrive before `timeoutMs`; stops early at end of stream.
    Bytes receive(qsizetype size, int timeoutMs = 2000) { return readUpTo(m_fd, size, timeoutMs, &m_closed); }
    // True once the simulator closed the connection (waits up to timeoutMs).
    bool closedByPeer(int timeoutMs)
    {
        receive(1 << 20, timeoutMs);
        return m_closed;
    }

private:
    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
};

// The client end of the simulator's pty, opened like a serial port.
class PtyClient
{
public:
    explicit PtyClient(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd >= 0) {
            termios tio{};
            ::tcgetattr(m_fd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
            ::tcflush(m_fd, TCIOFLUSH);
        }
    }
    ~PtyClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    // Writes the request and collects `answerSize` bytes (or what came before the time-out).
    Bytes exchange(const Bytes& request, qsizetype answerSize, int timeoutMs = 2000)
    {
        if (::write(m_fd, request.data(), size_t(request.size())) != request.size())
            return {};
        return readUpTo(m_fd, answerSize, timeoutMs);
    }

private:
    int m_fd = -1;
};

} // namespace

class TestZrq7Sim : public QObject
{
    Q_OBJECT

private slots:
    void independentMasters_data();
    void independentMasters();
    void otherUnitsGetNoAnswer();
    void severalRelaysOnOneLine();
    void tcpStreamHandling();
    void readyLineAndCleanShutdown_data();
    void readyLineAndCleanShutdown();
    void commandLineErrors_data();
    void commandLineErrors();
    void linkThatCannotBeOpened();
    void serialAnswersNoEarlierThanTheLine_data();
    void serialAnswersNoEarlierThanTheLine();
    void scenarioScript();
    void injectedFaultsAreReproducible();
    void serialDeviceUnpluggedComesBack();

private:
    QTemporaryDir m_dir;
};

void TestZrq7Sim::independentMasters_data()
{
    QTest::addColumn<QString>("peer");
    QTest::addColumn<QString>("link"); // tcp, rtu or ascii on our pty, serial on a device

    QTest::newRow("mbpoll tcp") << "mbpoll"
                                << "tcp";
    QTest::newRow("mbpoll rtu pty") << "mbpoll"
                                    << "rtu";
    // A socat pty pair stands in for a serial device with a cable to the master.
    QTest::newRow("mbpoll rtu serial device") << "mbpoll"
                                              << "serial";
    QTest::newRow("pymodbus tcp") << "pymodbus"
                                  << "tcp";
    QTest::newRow("pymodbus ascii pty") << "pymodbus"
                                        << "ascii";
}

void TestZrq7Sim::independentMasters()
{
    QFETCH(QString, peer);
    QFETCH(QString, link);

    QStringList args{QStringLiteral("--firmware"), QStringLiteral("14")};
    SocatPair cable;
    QString masterEnd = m_dir.filePath(QStringLiteral("COM3"));
    if (link == QLatin1String("tcp")) {
        args << QStringLiteral("--tcp") << QStringLiteral("0");
    } else {
        if (link == QLatin1String("serial")) {
            QVERIFY2(cable.start(), qPrintable(cable.errorString()));
            args << QStringLiteral("--serial") << cable.endA();
            masterEnd = cable.endB();
        } else {
            args << QStringLiteral("--pty") << masterEnd << QStringLiteral("--") + link;
        }
        args << QStringLiteral("--baud") << QStringLiteral("19200") << QStringLiteral("--parity")
             << QStringLiteral("even") << QStringLiteral("--stop-bits") << QStringLiteral("1");
    }
    SimulatorProcess sim(args);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    if (link == QLatin1String("serial"))
        QCOMPARE(sim.serialPath(), cable.endA());

    // Identification, phase voltages, a setting written and read back, then refusals.
    const QStringList operations{QStringLiteral("read 0 2"),      QStringLiteral("read 45 3"),
                                 QStringLiteral("write 153 120"), QStringLiteral("read 153 1"),
                                 QStringLiteral("write 153 5"),   QStringLiteral("read 2 1")};
    QStringList answers;
    if (peer == QLatin1String("mbpoll")) {
        const QStringList mbpollLink =
            link == QLatin1String("tcp")
                ? QStringList{QStringLiteral("-m"), QStringLiteral("tcp"), QStringLiteral("-p"),
                              QString::number(sim.tcpPort()), QStringLiteral("127.0.0.1")}
                : QStringList{QStringLiteral("-m"),    QStringLiteral("rtu"), QStringLiteral("-b"),
                              QStringLiteral("19200"), QStringLiteral("-P"),  QStringLiteral("even"),
                              QStringLiteral("-s"),    QStringLiteral("1"),   masterEnd};
        for (const QString& operation : operations) // a new client per operation: the pty must survive
            answers << mbpollOperation(mbpollLink, operation);
    } else {
        const QStringList pymodbusLink =
            link == QLatin1String("tcp")
                ? QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())}
                : QStringList{QStringLiteral("--ascii"), masterEnd, QStringLiteral("--baud"),
                              QStringLiteral("19200")};
        answers = pymodbusOperations(pymodbusLink, operations);
    }

    QCOMPARE(answers.size(), operations.size());
    QCOMPARE(answers[0], QStringLiteral("11 14"));
    const QStringList voltages = answers[1].split(QLatin1Char(' '));
    QCOMPARE(voltages.size(), 3);
    for (const QString& voltage : voltages)
        QVERIFY2(voltage.toInt() > 200 && voltage.toInt() < 260, qPrintable(answers[1]));
    QCOMPARE(answers[2], QStringLiteral("ok"));
    QCOMPARE(answers[3], QStringLiteral("120"));
    QCOMPARE(answers[4], QStringLiteral("exception 3"));
    QCOMPARE(answers[5], QStringLiteral("exception 2"));
    QCOMPARE(sim.stop(), 0);
}

void TestZrq7Sim::otherUnitsGetNoAnswer()
{
    SimulatorProcess sim({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--unit"),
                          QStringLiteral("7"), QStringLiteral("--pty"),
                          m_dir.filePath(QStringLiteral("COM4")), QStringLiteral("--verbose")});
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    // The unit answers; another one on the same line gets silence and does not disturb the next request.
    const QStringList ops{QStringLiteral("read 0 1 7"), QStringLiteral("read 0 1 1"),
                          QStringLiteral("read 0 1 7")};
    const QStringList expected{QStringLiteral("11"), QStringLiteral("no answer"), QStringLiteral("11")};
    QCOMPARE(pymodbusOperations({QStringLiteral("--rtu"), sim.ptyPath()}, ops), expected);
    QCOMPARE(
        pymodbusOperations({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())}, ops),
        expected);

    // --verbose shows every frame, heard or answered.
    QCOMPARE(sim.stop(), 0);
    const QString log = sim.standardError();
    QVERIFY2(log.contains(QLatin1String("pty <- 01 03 00 00 00 01 84 0A\n")), qPrintable(log));
    QVERIFY2(log.contains(QLatin1String("pty -> 07 03 02 00 0B 71 83\n")), qPrintable(log));
    QVERIFY2(log.contains(QLatin1String("<- 00 02 00 00 00 06 01 03 00 00 00 01\n")), qPrintable(log));
    QVERIFY2(!log.contains(QLatin1String("-> 00 02")), qPrintable(log));
}

void TestZrq7Sim::severalRelaysOnOneLine()
{
    // Units 1 and 5 on one RTU line and on TCP: each its own registers, motor and faults.
    const QString script = m_dir.filePath(QStringLiteral("units.txt"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("at 0 unit 5 set 0 55\n" // unit 5 identifies itself as 55
               "at 0 set 1 13\n");      // every relay: firmware 13
    file.close();
    SimulatorProcess sim({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--unit"),
                          QStringLiteral("1,5"), QStringLiteral("--pty"),
                          m_dir.filePath(QStringLiteral("COM6")), QStringLiteral("--script"), script});
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));

    // Motor started on unit 5 only (903 = 2); a broadcast-free line: unit 2 gets nothing.
    const QStringList ops{QStringLiteral("read 0 2 1"),    QStringLiteral("read 0 2 5"),
                          QStringLiteral("write 903 2 5"), QStringLiteral("read 0 1 2"),
                          QStringLiteral("read 151 1 1"),  QStringLiteral("read 151 1 5")};
    const QStringList answers = pymodbusOperations({QStringLiteral("--rtu"), sim.ptyPath()}, ops);
    QCOMPARE(answers.size(), ops.size());
    QCOMPARE(answers[0], QStringLiteral("11 13"));
    QCOMPARE(answers[1], QStringLiteral("55 13"));
    QCOMPARE(answers[2], QStringLiteral("ok"));
    QCOMPARE(answers[3], QStringLiteral("no answer"));
    QCOMPARE(answers[4], answers[5]);

    // The running motor draws current on unit 5 only (phase currents from register 30), seen over TCP.
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort());
    QTRY_VERIFY_WITH_TIMEOUT(
        pymodbusOperations({QStringLiteral("--tcp"), tcp}, {QStringLiteral("read 30 1 5")}).value(0).toInt() >
            0,
        10000);
    QCOMPARE(pymodbusOperations({QStringLiteral("--tcp"), tcp}, {QStringLiteral("read 30 1 1")}),
             QStringList{QStringLiteral("0")});
    QCOMPARE(sim.stop(), 0);
}

void TestZrq7Sim::tcpStreamHandling()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    RawTcp a(sim.tcpPort());
    RawTcp b(sim.tcpPort());
    QVERIFY(a.connected() && b.connected());

    // Two requests in one segment: both answered, in order, transaction ids echoed.
    a.send(Bytes::fromHex("0007 0000 0006 01 03 0000 0002"
                          "0008 0000 0006 01 03 0001 0001"));
    QCOMPARE(a.receive(13 + 11).toHex(), Bytes("00070000000701030400"
                                               "0b000c"
                                               "000800000005010302000c"));
    // One request split inside its header, while another client is served in between.
    b.send(Bytes::fromHex("ABCD00"));
    a.send(Bytes::fromHex("0009 0000 0006 01 03 0000 0001"));
    QCOMPARE(a.receive(11).toHex(), Bytes("000900000005010302000b"));
    b.send(Bytes::fromHex("00 0006 01 06 0099 0078"));
    QCOMPARE(b.receive(12).toHex(), Bytes("abcd00000006010600990078"));

    // A header no Modbus TCP peer sends closes that connection only.
    b.send(Bytes::fromHex("0001 1234 0006 01 03 0000 0001"));
    QVERIFY(b.closedByPeer(2000));
    a.send(Bytes::fromHex("000A 0000 0006 01 03 0000 0001"));
    QCOMPARE(a.receive(11).toHex(), Bytes("000a00000005010302000b"));
    QCOMPARE(sim.stop(), 0);
    QCOMPARE(sim.standardError(), QString()); // quiet unless --verbose
}

void TestZrq7Sim::readyLineAndCleanShutdown_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestZrq7Sim::readyLineAndCleanShutdown()
{
    QFETCH(int, signal);
    const QString link = m_dir.filePath(QStringLiteral("COM5"));
    SimulatorProcess sim(
        {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--pty"), link});
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    QCOMPARE(sim.readyLine(),
             QStringLiteral("zrq7sim ready tcp=127.0.0.1:%1 pty=%2").arg(sim.tcpPort()).arg(link));
    QVERIFY(sim.tcpPort() != 0);
    QVERIFY(QFileInfo(link).symLinkTarget().startsWith(QLatin1String("/dev/pts/")));

    ::kill(pid_t(sim.process().processId()), signal);
    QVERIFY(sim.process().waitForFinished(5000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    RawTcp late(sim.tcpPort());
    QVERIFY(!late.connected());
}

void TestZrq7Sim::commandLineErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown option") << QStringList{"--colour"} << 1 << "unknown option '--colour'";
    QTest::newRow("missing value") << QStringList{"--unit"} << 1 << "--unit needs a value";
    QTest::newRow("unit 0") << QStringList{"--unit", "0"} << 1 << "--unit: '0' is not a whole number 1..247";
    QTest::newRow("unit twice") << QStringList{"--unit", "1,5,1"} << 1 << "--unit: 1 is given twice";
    QTest::newRow("unit list end") << QStringList{"--unit", "1,"} << 1 << "is not a list of whole numbers";
    QTest::newRow("baud") << QStringList{"--baud", "4800"} << 1 << "--baud: '4800' is not one of 9600 19200";
    QTest::newRow("parity odd") << QStringList{"--parity", "odd"} << 1 << "is not one of none even";
    QTest::newRow("rate above 1") << QStringList{"--drop-rate", "1.5"} << 1 << "not a rate between 0 and 1";
    QTest::newRow("bad endpoint") << QStringList{"--tcp", "host:"} << 1 << "is not [HOST:]PORT";
    QTest::newRow("two serial links")
        << QStringList{"--serial", "/dev/null", "--pty", "x"} << 1 << "only one serial link";
    QTest::newRow("bad setting") << QStringList{"--setting", "151"} << 1 << "is not REGISTER=VALUE";
    QTest::newRow("bad start time") << QStringList{"--start-time", "2025-13-01T00:00:00"} << 1
                                    << "is not YYYY-MM-DD";
    QTest::newRow("missing script") << QStringList{"--script", "/nonexistent/s.txt"} << 2
                                    << "cannot read script";
}

void TestZrq7Sim::commandLineErrors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QProcess sim;
    sim.start(SimulatorProcess::program(), args);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), exitCode);
    const QString error = QString::fromUtf8(sim.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
    if (exitCode == 1)
        QVERIFY2(error.contains(QLatin1String("Usage: zrq7sim")), qPrintable(error));

    QProcess help;
    help.start(SimulatorProcess::program(), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(5000));
    QCOMPARE(help.exitCode(), 0);
    QVERIFY(help.readAllStandardOutput().startsWith("Usage: zrq7sim"));
}

void TestZrq7Sim::linkThatCannotBeOpened()
{
    SimulatorProcess first;
    QVERIFY2(first.start(), qPrintable(first.errorString()));
    const QString link = m_dir.filePath(QStringLiteral("taken"));
    QFile taken(link);
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();

    const QList<QPair<QStringList, QString>> cases{
        {{QStringLiteral("--tcp"), QString::number(first.tcpPort())}, QStringLiteral("cannot listen on TCP")},
        {{QStringLiteral("--tcp"), QStringLiteral("no.such.host.invalid:0")},
         QStringLiteral("cannot resolve")},
        {{QStringLiteral("--serial"), QStringLiteral("/nonexistent/ttyS0")},
         QStringLiteral("cannot open serial device")},
        {{QStringLiteral("--serial"), link}, QStringLiteral("not a serial device")},
        {{QStringLiteral("--pty"), QStringLiteral("/nonexistent/COM1")},
         QStringLiteral("cannot create link")},
        {{QStringLiteral("--pty"), link}, QStringLiteral("it exists")},
    };
    for (const auto& [args, message] : cases) {
        QProcess sim;
        sim.start(SimulatorProcess::program(), args);
        QVERIFY(sim.waitForFinished(10000));
        const QString error = QString::fromUtf8(sim.readAllStandardError());
        QVERIFY2(sim.exitCode() == 2 && error.contains(message), qPrintable(args.join(' ') + " -> " + error));
        QVERIFY(sim.readAllStandardOutput().isEmpty()); // never "ready"
    }
    QVERIFY(QFileInfo(link).isFile()); // a file in the way is left alone
}

void TestZrq7Sim::serialAnswersNoEarlierThanTheLine_data()
{
    QTest::addColumn<QStringList>("line");
    QTest::addColumn<Bytes>("request"); // 6 registers from 45 (phase and line voltages)
    QTest::addColumn<int>("answerSize");
    QTest::addColumn<double>("minimumMs"); // request + gap + turnaround + answer on the wire

    // 9600 8N2 is 11 bits a character: (8 + 3.5 + 17) * 11 / 9600 s = 32.66 ms, + 5 ms turnaround.
    QTest::newRow("rtu 9600 8N2") << QStringList{"--rtu", "--baud", "9600"}
                                  << Bytes::fromHex("0103002D000655C1") << 17 << 37.6;
    // ASCII 7E1 (10 bits) at 9600: (17 + 35) * 10 / 9600 s = 54.17 ms, + 20 ms turnaround.
    QTest::newRow("ascii 9600 7E1") << QStringList{"--ascii", "--baud",       "9600", "--data-bits",
                                                   "7",       "--parity",     "even", "--stop-bits",
                                                   "1",       "--turnaround", "20"}
                                    << Bytes(":0103002D0006C9\r\n") << 35 << 74.1;
}

void TestZrq7Sim::serialAnswersNoEarlierThanTheLine()
{
    QFETCH(QStringList, line);
    QFETCH(Bytes, request);
    QFETCH(int, answerSize);
    QFETCH(double, minimumMs);

    const QString link = m_dir.filePath(QStringLiteral("COM6"));
    SimulatorProcess sim(QStringList{QStringLiteral("--pty"), link} + line);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    // Several clients one after the other: the pty survives every close.
    for (int round = 0; round < 3; ++round) {
        PtyClient client(link);
        QVERIFY(client.isOpen());
        QElapsedTimer clock;
        clock.start();
        const Bytes answer = client.exchange(request, answerSize);
        const double elapsedMs = double(clock.nsecsElapsed()) / 1e6;
        QCOMPARE(answer.size(), answerSize);
        QCOMPARE(answer.left(3), request.left(3).startsWith(':') ? Bytes(":01") : Bytes::fromHex("01030C"));
        QVERIFY2(elapsedMs >= minimumMs, qPrintable(QString::number(elapsedMs)));
    }
}

void TestZrq7Sim::scenarioScript()
{
    const QString script = m_dir.filePath(QStringLiteral("scenario.txt"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# identification forced at once, the connection dropped a moment later\n"
               "at 0 set 0 77\n"
               "at 1.5 drop-tcp\n");
    file.close();

    SimulatorProcess sim({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--script"), script});
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    RawTcp client(sim.tcpPort());
    QVERIFY(client.connected());
    client.send(Bytes::fromHex("0001 0000 0006 01 03 0000 0001"));
    QCOMPARE(client.receive(11).toHex(), Bytes("000100000005010302004d"));
    QVERIFY(client.closedByPeer(10000));
    RawTcp again(sim.tcpPort()); // the listener stays
    again.send(Bytes::fromHex("0002 0000 0006 01 03 0000 0001"));
    QCOMPARE(again.receive(11).toHex(), Bytes("000200000005010302004d"));

    // A broken script is refused before anything opens, with its line.
    file.open(QIODevice::WriteOnly);
    file.write("at 1 trip 3 value 120\n\nat 2 jump\n");
    file.close();
    QProcess broken;
    broken.start(SimulatorProcess::program(), {QStringLiteral("--script"), script});
    QVERIFY(broken.waitForFinished(5000));
    QCOMPARE(broken.exitCode(), 1);
    QVERIFY(broken.readAllStandardError().contains(QFile::encodeName(script) + ":3: unknown event 'jump'"));
}

void TestZrq7Sim::injectedFaultsAreReproducible()
{
    // Each answer is lost, changed, or arrives intact; the same seed gives the
    // same sequence. The requests go out in one burst and the simulator's
    // --verbose log says when all are handled, so no time-out has to guess
    // whether an answer was lost or is only slow.
    constexpr int kRequests = 40;
    const auto run = [](const QString& seed) -> QString {
        SimulatorProcess sim({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--drop-rate"),
                              QStringLiteral("0.25"), QStringLiteral("--corrupt-rate"),
                              QStringLiteral("0.25"), QStringLiteral("--fault-seed"), seed,
                              QStringLiteral("--verbose")});
        if (!sim.start())
            return sim.errorString();
        RawTcp client(sim.tcpPort());
        Bytes burst;
        for (int i = 0; i < kRequests; ++i)
            burst += Bytes::fromHex("0001 0000 0006 01 03 0000 0002");
        client.send(burst);

        // The log's verdict per answer: '.' sent intact, 'x' corrupted, '-' dropped.
        static const QRegularExpression outcome(QStringLiteral("^tcp#1 (->|x ) .*$"),
                                                QRegularExpression::MultilineOption);
        QString logged;
        QElapsedTimer clock;
        clock.start();
        while (logged.size() < kRequests && clock.elapsed() < 10000) {
            sim.process().waitForReadyRead(1000);
            logged.clear();
            for (auto match = outcome.globalMatch(sim.standardError()); match.hasNext();) {
                const QString line = match.next().captured(0);
                logged += line.endsWith(QLatin1String("(dropped)"))     ? QLatin1Char('-')
                          : line.endsWith(QLatin1String("(corrupted)")) ? QLatin1Char('x')
                                                                        : QLatin1Char('.');
            }
        }
        if (logged.size() != kRequests)
            return QStringLiteral("log incomplete: ") + sim.standardError();

        // What the client got must be exactly the answers the log says were sent.
        const Bytes intact = Bytes::fromHex("000100000007010304000b000c");
        const qsizetype sent = kRequests - logged.count(QLatin1Char('-'));
        const Bytes stream = client.receive(sent * intact.size(), 10000);
        QString received;
        for (qsizetype at = 0; at + intact.size() <= stream.size(); at += intact.size())
            received += stream.mid(at, intact.size()) == intact ? QLatin1Char('.') : QLatin1Char('x');
        if (received != QString(logged).remove(QLatin1Char('-')) || stream.size() != sent * intact.size())
            return QStringLiteral("client got %1, log says %2").arg(received, logged);
        // At the end the simulator counts what it did to the answers.
        sim.stop();
        const QString counts = QStringLiteral("zrq7sim faults answers=%1 dropped=%2 corrupted=%3 delayed=0")
                                   .arg(kRequests)
                                   .arg(logged.count(QLatin1Char('-')))
                                   .arg(logged.count(QLatin1Char('x')));
        const QString output = QString::fromUtf8(sim.process().readAllStandardOutput());
        if (!output.contains(counts))
            return QStringLiteral("expected \"%1\" in: %2").arg(counts, output);
        return logged;
    };
    const QString first = run(QStringLiteral("5"));
    QVERIFY2(first.contains('-') && first.contains('x') && first.contains('.'), qPrintable(first));
    QCOMPARE(run(QStringLiteral("5")), first);
    QVERIFY(run(QStringLiteral("6")) != first);
}

void TestZrq7Sim::serialDeviceUnpluggedComesBack()
{
    // The device answers, goes away (its link with it) for 1.5 s at 1 s, and
    // comes back at the same path; a client that held the old one gets nothing.
    const QString script = m_dir.filePath(QStringLiteral("unplug.txt"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("at 1 unplug 1.5\n");
    file.close();
    const QString link = m_dir.filePath(QStringLiteral("COM7"));
    SimulatorProcess sim(
        {QStringLiteral("--pty"), link, QStringLiteral("--script"), script, QStringLiteral("--verbose")});
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    const Bytes request = Bytes::fromHex("010300000001840A");
    const Bytes answer = Bytes::fromHex("01030200 0BF983");
    PtyClient before(link);
    QVERIFY(before.isOpen());
    QCOMPARE(before.exchange(request, answer.size()).toHex(), answer.toHex());

    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo(link).isSymLink(), 5000);
    QCOMPARE(before.exchange(request, answer.size(), 300), Bytes());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 5000);
    QCOMPARE(before.exchange(request, answer.size(), 300), Bytes()); // the old device stays gone
    PtyClient after(link);
    QVERIFY(after.isOpen());
    QCOMPARE(after.exchange(request, answer.size()).toHex(), answer.toHex());
    // The link can be back before the line that says so has been read from the simulator.
    const QString plugged = QStringLiteral("pty: plugged in again at %1").arg(link);
    QTRY_VERIFY2_WITH_TIMEOUT(sim.standardError().contains(plugged), qPrintable(sim.standardError()), 5000);
    const QString log = sim.standardError();
    QVERIFY2(log.contains(QStringLiteral("pty: unplugged %1 for 1500 ms").arg(link)), qPrintable(log));
    QCOMPARE(sim.stop(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestZrq7Sim)
#include "tst_zrq7sim.moc"
