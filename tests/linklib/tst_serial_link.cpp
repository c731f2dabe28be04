// SPDX-License-Identifier: MIT
// The serial link through the exported calls, with this test playing the relay on the far
// end of a private pseudo-terminal reached through the port map (COMn -> the terminal).
#include "ZRQ7DLL.h"
#include "hex_bytes.h"
#include "pty_relay.h"
#include "serial_answers.h"

#include <QtTest>
#include <atomic>
#include <grp.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace {

using Bytes = PtyRelay::Bytes;

QByteArray qbytes(const Bytes& b)
{
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

// Points COMn of the port map at the relay's terminal.
void mapPort(const char* name, const PtyRelay& relay)
{
    const QString folder = qEnvironmentVariable("ZRQ7_PORTS");
    QVERIFY(!folder.isEmpty());
    QDir().mkpath(folder);
    const QString link = folder + '/' + name;
    QFile::remove(link);
    QVERIFY(QFile::link(QString::fromStdString(relay.slavePath()), link));
}

// Exit code of flock(1) trying to take the device's lock without waiting (75: it was held).
int otherProgramTakesLock(const std::string& path)
{
    std::vector<std::string> args = {"flock", "-n", "-E", "75", path, "true"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "flock", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::uint16_t wordAt(const std::vector<std::uint8_t>& buffer, std::size_t k)
{
    return static_cast<std::uint16_t>(buffer[2 * k] << 8 | buffer[2 * k + 1]);
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rtuExchangeOnTheWire();
    void setupConfiguresTheLine_data();
    void setupConfiguresTheLine();
    void framingIsChosenAtOpen();
    void exceptionAndSilentRelay();
    void answerArrivingInPieces();
    void openFailures_data();
    void openFailures();
    void portIsExclusive();
    void deviceRefusedToThisUser();
    void reopenAndClose();
    void closeWhileAnExchangeWaits();
};

void TestSerialLink::init()
{
    DLL_SetIOProtocol(0);
    DLL_SetIOTimeout(1000);
}

void TestSerialLink::cleanup()
{
    QCOMPARE(COM_Close(), 0);
    QCOMPARE(COM_IsOpen(), 0);
    DLL_SetIOProtocol(0);
}

void TestSerialLink::rtuExchangeOnTheWire()
{
    PtyRelay relay([](const Bytes& request) {
        // The documented answer for the documented request, derived values otherwise.
        if (request == hexBytes("01 03 00 00 00 02 C4 0B"))
            return hexBytes("01 03 04 00 0B 00 0F CB F5");
        return derivedSerialAnswer(request);
    });
    mapPort("COM12", relay);
    QCOMPARE(COM_Open(u"COM12"), 0);
    QCOMPARE(COM_IsOpen(), 1);
    QCOMPARE(COM_Setup(1, 1, 0, 0), 0);

    std::vector<std::uint8_t> buffer(64);
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer.data(), 64, 0), 4);
    QCOMPARE(qbytes(Bytes(buffer.begin(), buffer.begin() + 4)), qbytes(hexBytes("00 0B 00 0F")));

    const std::int32_t negative = -2;
    QCOMPARE(MODBUS_Write06(1, 200, &negative, 0), 1);
    QCOMPARE(MODBUS_Read03(9, 30, 20, buffer.data(), 64, 0), 40);
    for (std::size_t k = 0; k < 20; ++k)
        QCOMPARE(wordAt(buffer, k), registerValue(9, std::uint16_t(30 + k)));
    // Serial data must be smaller than the buffer: 25 registers do not fit 50 bytes.
    QCOMPARE(MODBUS_Read03(9, 30, 25, buffer.data(), 50, 0), -7);

    const auto requests = relay.requests();
    QCOMPARE(requests.size(), std::size_t(4));
    QCOMPARE(qbytes(requests[0]), qbytes(hexBytes("01 03 00 00 00 02 C4 0B")));
    QCOMPARE(qbytes(requests[1]), qbytes(withRtuCrc(hexBytes("01 06 00 C8 FF FE"))));
}

void TestSerialLink::setupConfiguresTheLine_data()
{
    QTest::addColumn<uint>("speed");
    QTest::addColumn<uint>("dataBits");
    QTest::addColumn<uint>("parity");
    QTest::addColumn<uint>("stopBits");
    QTest::addColumn<uint>("expectedSpeed");
    QTest::addColumn<bool>("twoStopBits");

    // A pseudo-terminal keeps speed and stop bits but forces 8 data bits without parity, so
    // only those two can be checked here.
    QTest::newRow("19200 7E1") << 1u << 0u << 1u << 0u << uint(B19200) << false;
    QTest::newRow("other values: 9600 8N2") << 2u << 2u << 2u << 2u << uint(B9600) << true;
    QTest::newRow("9600 8N1") << 0u << 1u << 0u << 0u << uint(B9600) << false;
}

void TestSerialLink::setupConfiguresTheLine()
{
    QFETCH(uint, speed);
    QFETCH(uint, dataBits);
    QFETCH(uint, parity);
    QFETCH(uint, stopBits);
    QFETCH(uint, expectedSpeed);
    QFETCH(bool, twoStopBits);

    PtyRelay relay(derivedSerialAnswer);
    QCOMPARE(COM_Open(QString::fromStdString(relay.slavePath()).toStdU16String().c_str()), 0);
    QCOMPARE(COM_Setup(speed, dataBits, parity, stopBits), 0);
    const termios tio = relay.slaveSettings();
    QCOMPARE(uint(cfgetospeed(&tio)), expectedSpeed);
    QCOMPARE(bool(tio.c_cflag & CSTOPB), twoStopBits);
    // Raw bytes, no flow control, no parity checking of input.
    QVERIFY(!(tio.c_lflag & (ICANON | ECHO | ISIG)));
    QVERIFY(!(tio.c_iflag & (IXON | IXOFF | INPCK | ICRNL | ISTRIP)));
    QVERIFY(!(tio.c_oflag & OPOST));
    QVERIFY(!(tio.c_cflag & CRTSCTS));
    QVERIFY(tio.c_cflag & CLOCAL);

    std::vector<std::uint8_t> buffer(16);
    QCOMPARE(MODBUS_Read03(4, 7, 2, buffer.data(), 16, 0), 4);
    QCOMPARE(wordAt(buffer, 1), registerValue(4, 8));
}

void TestSerialLink::framingIsChosenAtOpen()
{
    PtyRelay relay([](const Bytes& request) {
        if (qbytes(request) == ":010300000002FA\r\n")
            return textBytes(":010304000B000FDE\r\n");
        return derivedSerialAnswer(request);
    });
    mapPort("COM3", relay);
    QCOMPARE(COM_Open(u"COM3"), 0);
    std::vector<std::uint8_t> buffer(16);
    // Choosing ASCII now changes nothing until the port is opened again.
    DLL_SetIOProtocol(1);
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer.data(), 16, 0), 4);
    QCOMPARE(qbytes(relay.requests().back()), qbytes(hexBytes("01 03 00 00 00 02 C4 0B")));

    QCOMPARE(COM_Close(), 0);
    QCOMPARE(COM_Open(u"COM3"), 0);
    std::fill(buffer.begin(), buffer.end(), 0);
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer.data(), 16, 0), 4);
    QCOMPARE(qbytes(relay.requests().back()), QByteArray(":010300000002FA\r\n"));
    QCOMPARE(qbytes(Bytes(buffer.begin(), buffer.begin() + 4)), qbytes(hexBytes("00 0B 00 0F")));

    const std::int32_t negative = -1000;
    QCOMPARE(MODBUS_Write06(17, 181, &negative, 0), 1);
    QCOMPARE(qbytes(relay.requests().back()), QByteArray(":110600B5FC1820\r\n"));
}

void TestSerialLink::exceptionAndSilentRelay()
{
    std::atomic<bool> silent{false};
    PtyRelay relay([&](const Bytes& request) {
        if (silent)
            return Bytes();
        return request == hexBytes("01 03 00 00 00 02 C4 0B") ? hexBytes("01 83 02 C0 F1") : Bytes();
    });
    mapPort("COM40", relay);
    QCOMPARE(COM_Open(u"COM40"), 0);
    std::vector<std::uint8_t> buffer(16);
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer.data(), 16, 1), int(LINK_ERR_DEVICE));
    QCOMPARE(MODBUS_GetDeviceError(), 2u);
    QCOMPARE(relay.requests().size(), std::size_t(2)); // exceptions are retried too

    // A silent relay: retry count 3 makes 4 attempts of one time-out each.
    silent = true;
    DLL_SetIOTimeout(100);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer.data(), 16, 3), int(LINK_ERR_TIMEOUT));
    QVERIFY2(timer.elapsed() >= 4 * 100 - 5, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(relay.waitForRequests(6));
    QCOMPARE(relay.requests().size(), std::size_t(6));
    QCOMPARE(MODBUS_GetDeviceError(), 0u); // belongs to the last attempt
}

void TestSerialLink::answerArrivingInPieces()
{
    // A slow line: the answer comes in three pieces with pauses, as a real 9600 bit/s line with
    // a slow relay delivers it. The attempt keeps collecting until the frame is whole.
    PtyRelay relay(derivedSerialAnswer);
    relay.setPieces(3, std::chrono::milliseconds(30));
    mapPort("COM33", relay);
    DLL_SetIOTimeout(500);
    for (std::uint32_t protocol : {0u, 1u}) {
        DLL_SetIOProtocol(protocol);
        QCOMPARE(COM_Open(u"COM33"), 0);
        std::vector<std::uint8_t> buffer(64);
        QCOMPARE(MODBUS_Read03(5, 100, 10, buffer.data(), 64, 0), 20);
        QCOMPARE(wordAt(buffer, 9), registerValue(5, 109));
    }
}

void TestSerialLink::openFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("noName");
    QTest::addColumn<int>("result");
    QTest::addColumn<uint>("failure");

    const uint notFound = COM_OPEN_NOT_FOUND;
    QTest::newRow("no name") << QString() << true << -1 << notFound;
    QTest::newRow("empty name") << QString() << false << -1 << notFound;
    QTest::newRow("COM0") << QStringLiteral("COM0") << false << -1 << notFound;
    QTest::newRow("COM97 without a map entry") << QStringLiteral("COM97") << false << -1 << notFound;
    QTest::newRow("lower-case com5") << QStringLiteral("com5") << false << -1 << notFound;
    QTest::newRow("missing device") << QStringLiteral("/dev/ttyZRQ7-missing") << false << -1 << notFound;
    QTest::newRow("map entry to an unplugged device") << QStringLiteral("COM31") << false << -1 << notFound;
    QTest::newRow("not a terminal") << QStringLiteral("/dev/null") << false << -1
                                    << uint(COM_OPEN_NOT_TERMINAL);
    QTest::newRow("249 characters") << QString(249, 'X') << false << -1 << notFound;
    QTest::newRow("250 characters") << QString(250, 'X') << false << -7 << uint(COM_OPEN_OTHER);
}

void TestSerialLink::openFailures()
{
    QFETCH(QString, name);
    QFETCH(bool, noName);
    QFETCH(int, result);
    QFETCH(uint, failure);

    // COM31 names a USB adapter that was unplugged: its map entry points nowhere.
    const QString folder = qEnvironmentVariable("ZRQ7_PORTS");
    QDir().mkpath(folder);
    QFile::remove(folder + QStringLiteral("/COM31"));
    QVERIFY(QFile::link(QStringLiteral("/dev/serial/by-id/usb-ZRQ7-unplugged-if00-port0"),
                        folder + QStringLiteral("/COM31")));

    const std::u16string text = name.toStdU16String();
    QCOMPARE(COM_Open(noName ? nullptr : text.c_str()), result);
    QCOMPARE(COM_GetOpenFailure(), failure);
    QCOMPARE(COM_IsOpen(), 0);
    std::vector<std::uint8_t> buffer(16);
    QCOMPARE(MODBUS_Read03(1, 0, 1, buffer.data(), 16, 0), int(LINK_ERR_IO));
}

void TestSerialLink::portIsExclusive()
{
    PtyRelay relay(derivedSerialAnswer);
    const std::string path = relay.slavePath();
    const std::u16string name = QString::fromStdString(path).toStdU16String();

    // Held by someone else (an advisory lock, as another program holding the port takes it).
    const int other = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(other >= 0);
    QCOMPARE(flock(other, LOCK_EX | LOCK_NB), 0);
    QCOMPARE(COM_Open(name.c_str()), -1);
    QCOMPARE(COM_GetOpenFailure(), uint32_t(COM_OPEN_BUSY));
    // The failed attempt left the other program's terminal as it was: not made exclusive.
    int exclusive = -1;
    QCOMPARE(ioctl(other, TIOCGEXCL, &exclusive), 0);
    QCOMPARE(exclusive, 0);
    ::close(other);

    // Held by us: another program cannot take it.
    QCOMPARE(COM_Open(name.c_str()), 0);
    QCOMPARE(COM_GetOpenFailure(), uint32_t(COM_OPEN_NO_FAILURE));
    QCOMPARE(otherProgramTakesLock(path), 75);
    std::vector<std::uint8_t> buffer(16);
    QCOMPARE(MODBUS_Read03(2, 5, 1, buffer.data(), 16, 0), 2);

    // Released at close.
    QCOMPARE(COM_Close(), 0);
    QCOMPARE(otherProgramTakesLock(path), 0);
}

void TestSerialLink::deviceRefusedToThisUser()
{
    // A terminal this user may not open, as /dev/ttyUSB0 (root:dialout, 0660) is to a user
    // outside the group. Root may open anything, so as root the open runs in a child process
    // that has given up root first.
    PtyRelay relay(derivedSerialAnswer);
    const std::string path = relay.slavePath();
    QCOMPARE(::chmod(path.c_str(), 0), 0);
    const std::u16string name = QString::fromStdString(path).toStdU16String();

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(100);
        const int32_t result = COM_Open(name.c_str());
        _exit(result == -1 ? int(COM_GetOpenFailure()) : 101);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), int(COM_OPEN_NO_PERMISSION));
}

void TestSerialLink::reopenAndClose()
{
    PtyRelay relay(derivedSerialAnswer);
    mapPort("COM65", relay);
    QCOMPARE(COM_Setup(1, 1, 0, 0), -1); // nothing open yet
    QCOMPARE(COM_Open(u"COM65"), 0);
    // Opening the port we already hold closes it first, so the exclusive open succeeds.
    QCOMPARE(COM_Open(u"COM65"), 0);
    std::vector<std::uint8_t> buffer(16);
    QCOMPARE(MODBUS_Read03(6, 1, 3, buffer.data(), 16, 0), 6);
    QCOMPARE(wordAt(buffer, 2), registerValue(6, 3));
    QCOMPARE(COM_Close(), 0);
    QCOMPARE(COM_Close(), 0);
    QCOMPARE(COM_Setup(1, 1, 0, 0), -1);
    QCOMPARE(MODBUS_Read03(6, 1, 3, buffer.data(), 16, 0), int(LINK_ERR_IO));
}

void TestSerialLink::closeWhileAnExchangeWaits()
{
    PtyRelay relay([](const Bytes&) { return Bytes(); });
    mapPort("COM2", relay);
    QCOMPARE(COM_Open(u"COM2"), 0);
    DLL_SetIOTimeout(5000);
    std::atomic<int> result{1};
    std::thread reader([&] {
        std::vector<std::uint8_t> buffer(16);
        result = MODBUS_Read03(1, 0, 2, buffer.data(), 16, 5);
    });
    QVERIFY(relay.waitForRequests(1));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(COM_Close(), 0);
    reader.join();
    QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(result.load(), int(LINK_ERR_IO));
    QCOMPARE(relay.requests().size(), std::size_t(1));

    // Nothing stays locked: the port opens and answers again.
    PtyRelay next(derivedSerialAnswer);
    mapPort("COM2", next);
    QCOMPARE(COM_Open(u"COM2"), 0);
    DLL_SetIOTimeout(1000);
    std::vector<std::uint8_t> buffer(16);
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer.data(), 16, 0), 4);
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_serial_link.moc"
