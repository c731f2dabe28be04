// SPDX-License-Identifier: MIT
// The Modbus TCP link through the exported calls, against a loopback peer in this process.
#include "ZRQ7DLL.h"
#include "hex_bytes.h"
#include "loopback_server.h"
#include "register_peer.h"

#include <QtTest>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

using Bytes = LoopbackServer::Bytes;
using std::chrono::milliseconds;

int readRegisters(std::uint8_t unit, std::uint16_t reg, std::uint16_t count,
                  std::vector<std::uint8_t>& buffer, std::uint32_t retries = 0)
{
    return MODBUS_Read03(unit, reg, count, buffer.data(), std::uint32_t(buffer.size()), retries);
}

std::uint16_t wordAt(const std::vector<std::uint8_t>& buffer, std::size_t k)
{
    return static_cast<std::uint16_t>(buffer[2 * k] << 8 | buffer[2 * k + 1]);
}

// A free loopback port with nobody listening on it.
std::uint16_t closedPort()
{
    LoopbackServer probe([](const Bytes&) { return Bytes(); });
    return probe.port();
}

} // namespace

class TestTcpLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readAndWriteOnTheWire();
    void exceptionIsRetriedAndReported();
    void dataMayFillTheBuffer();
    void lateAnswerIsSkippedByTheNextAttempt();
    void silentPeerCostsEveryAttempt();
    void timeoutChangeReachesTheNextAttempt();
    void peerCloseThenFailedSendClosesTheLink();
    void openFailures_data();
    void openFailures();
    void reopenReplacesTheConnection();
    void closeWhileAnExchangeWaits();
    void concurrentCallersGetTheirOwnAnswers();
};

void TestTcpLink::init()
{
    DLL_SetIOTimeout(1000);
}

void TestTcpLink::cleanup()
{
    TCP_Close();
    QCOMPARE(TCP_IsOpen(), 0);
}

void TestTcpLink::readAndWriteOnTheWire()
{
    std::mutex seenMutex;
    std::vector<Bytes> seen;
    LoopbackServer server([&](const Bytes& request) {
        const std::lock_guard lock(seenMutex);
        seen.push_back(request);
        return derivedTcpAnswer(request);
    });
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    QCOMPARE(TCP_IsOpen(), 1);

    std::vector<std::uint8_t> buffer(64);
    QCOMPARE(readRegisters(1, 0, 2, buffer), 4);
    QCOMPARE(wordAt(buffer, 0), registerValue(1, 0));
    QCOMPARE(wordAt(buffer, 1), registerValue(1, 1));

    const std::int32_t negative = -2;
    QCOMPARE(MODBUS_Write06(1, 200, &negative, 0), 1);
    // Only the low 16 bits of the register number and count travel.
    QCOMPARE(MODBUS_Read03(0x107, 0x10005, 0x10003, buffer.data(), 64, 0), 6);
    QCOMPARE(wordAt(buffer, 2), registerValue(7, 7));

    const std::lock_guard lock(seenMutex);
    QCOMPARE(seen.size(), std::size_t(3));
    // The transaction id counts up by one per request; the rest is fixed by the frame layout.
    const std::uint16_t id = static_cast<std::uint16_t>(seen[0][0] << 8 | seen[0][1]);
    auto withId = [](std::uint16_t tid, const char* rest) {
        Bytes b = {static_cast<std::uint8_t>(tid >> 8), static_cast<std::uint8_t>(tid)};
        const Bytes tail = hexBytes(rest);
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    QCOMPARE(seen[0], withId(id, "00 00 00 06 01 03 00 00 00 02"));
    QCOMPARE(seen[1], withId(std::uint16_t(id + 1), "00 00 00 06 01 06 00 C8 FF FE"));
    QCOMPARE(seen[2], withId(std::uint16_t(id + 2), "00 00 00 06 07 03 00 05 00 03"));
}

void TestTcpLink::exceptionIsRetriedAndReported()
{
    std::atomic<int> code{1};
    LoopbackServer server([&](const Bytes& request) {
        Bytes answer(request.begin(), request.begin() + 9);
        answer[5] = 3;
        answer[7] = static_cast<std::uint8_t>(request[7] | 0x80);
        answer[8] = static_cast<std::uint8_t>(code++); // 1, 2, 3: the last attempt's code counts
        return answer;
    });
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    std::vector<std::uint8_t> buffer(64);
    QCOMPARE(readRegisters(1, 0, 2, buffer, 2), int(LINK_ERR_DEVICE));
    QCOMPARE(server.requests(), 3);
    QCOMPARE(MODBUS_GetDeviceError(), 3u);

    const std::int32_t value = 5;
    QCOMPARE(MODBUS_Write06(1, 903, &value, 0), int(LINK_ERR_DEVICE));
    QCOMPARE(MODBUS_GetDeviceError(), 4u);
}

void TestTcpLink::dataMayFillTheBuffer()
{
    LoopbackServer server(derivedTcpAnswer);
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    std::vector<std::uint8_t> buffer(50);
    QCOMPARE(readRegisters(1, 30, 25, buffer), 50);
    QCOMPARE(wordAt(buffer, 24), registerValue(1, 54));
    std::vector<std::uint8_t> small(49);
    QCOMPARE(readRegisters(1, 30, 25, small), -7);
}

void TestTcpLink::lateAnswerIsSkippedByTheNextAttempt()
{
    // The first request is answered after its attempt gave up; the retry must take its own
    // answer, not the late one that arrives in front of it.
    std::atomic<bool> first{true};
    LoopbackServer server([&](const Bytes& request) {
        Bytes answer = derivedTcpAnswer(request);
        if (first.exchange(false)) {
            std::this_thread::sleep_for(milliseconds(250)); // a slow relay
            for (std::size_t i = 9; i < answer.size(); ++i)
                answer[i] = 0xAA;
        }
        return answer;
    });
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    DLL_SetIOTimeout(150);
    std::vector<std::uint8_t> buffer(64);
    QCOMPARE(readRegisters(1, 10, 3, buffer, 1), 6);
    QCOMPARE(server.requests(), 2);
    for (std::size_t k = 0; k < 3; ++k)
        QCOMPARE(wordAt(buffer, k), registerValue(1, std::uint16_t(10 + k)));
}

void TestTcpLink::silentPeerCostsEveryAttempt()
{
    LoopbackServer server([](const Bytes&) { return Bytes(); });
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    DLL_SetIOTimeout(100);
    std::vector<std::uint8_t> buffer(64);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(readRegisters(1, 0, 2, buffer, 3), int(LINK_ERR_TIMEOUT));
    const qint64 elapsed = timer.elapsed();
    QVERIFY(server.waitForRequests(4));
    QCOMPARE(server.requests(), 4);
    QVERIFY2(elapsed >= 4 * 100 - 5, qPrintable(QString::number(elapsed)));
}

void TestTcpLink::timeoutChangeReachesTheNextAttempt()
{
    LoopbackServer server([](const Bytes&) { return Bytes(); });
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    DLL_SetIOTimeout(1000);
    std::atomic<int> result{1};
    QElapsedTimer timer;
    timer.start();
    std::thread poller([&] {
        std::vector<std::uint8_t> buffer(64);
        result = readRegisters(1, 0, 2, buffer, 3);
    });
    // While the first attempt waits, the time-out drops: the three retries use the new one.
    QVERIFY(server.waitForRequests(1));
    DLL_SetIOTimeout(50);
    poller.join();
    QCOMPARE(result.load(), int(LINK_ERR_TIMEOUT));
    QVERIFY(server.waitForRequests(4));
    QCOMPARE(server.requests(), 4);
    QVERIFY2(timer.elapsed() >= 1000 && timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
}

void TestTcpLink::peerCloseThenFailedSendClosesTheLink()
{
    LoopbackServer server(derivedTcpAnswer);
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    DLL_SetIOTimeout(100);
    std::vector<std::uint8_t> buffer(64);
    QCOMPARE(readRegisters(1, 0, 2, buffer), 4);

    server.dropConnection();
    // The socket and channel stay after the peer left: the next request still goes out and
    // times out; once a send fails the link is closed and every call gets -100.
    QCOMPARE(readRegisters(1, 0, 2, buffer), int(LINK_ERR_TIMEOUT));
    int result = LINK_ERR_TIMEOUT;
    for (int i = 0; i < 10 && result == LINK_ERR_TIMEOUT; ++i)
        result = readRegisters(1, 0, 2, buffer);
    QCOMPARE(result, int(LINK_ERR_IO));
    QCOMPARE(TCP_IsOpen(), 0);
    const std::int32_t value = 1;
    QCOMPARE(MODBUS_Write06(1, 1, &value, 3), int(LINK_ERR_IO));
}

void TestTcpLink::openFailures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("noHost");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("isOpenAfter");

    QTest::newRow("no host") << QString() << true << -3 << 0;
    QTest::newRow("host name, not an address") << QStringLiteral("localhost") << false << -4 << 1;
    QTest::newRow("three parts") << QStringLiteral("127.0.1") << false << -4 << 1;
    QTest::newRow("empty text") << QString() << false << -4 << 1;
    QTest::newRow("non-ASCII text") << QStringLiteral("127.0.0.\u0661") << false << -4 << 1;
    QTest::newRow("nobody listening") << QStringLiteral("127.0.0.1") << false << -4 << 1;
}

void TestTcpLink::openFailures()
{
    QFETCH(QString, host);
    QFETCH(bool, noHost);
    QFETCH(int, result);
    QFETCH(int, isOpenAfter);

    const std::u16string text = host.toStdU16String();
    QCOMPARE(TCP_Open(noHost ? nullptr : text.c_str(), closedPort()), result);
    // A socket whose connection failed still counts as held, but carries no channel.
    QCOMPARE(TCP_IsOpen(), isOpenAfter);
    std::vector<std::uint8_t> buffer(64);
    QCOMPARE(readRegisters(1, 0, 2, buffer), int(LINK_ERR_IO));
}

void TestTcpLink::reopenReplacesTheConnection()
{
    LoopbackServer server(derivedTcpAnswer);
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    std::vector<std::uint8_t> buffer(64);
    QCOMPARE(readRegisters(2, 0, 1, buffer), 2);
    QCOMPARE(wordAt(buffer, 0), registerValue(2, 0));
    QCOMPARE(server.connections(), 2);
}

void TestTcpLink::closeWhileAnExchangeWaits()
{
    LoopbackServer server([](const Bytes&) { return Bytes(); });
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    DLL_SetIOTimeout(5000);
    std::atomic<int> result{1};
    std::thread reader([&] {
        std::vector<std::uint8_t> buffer(64);
        result = readRegisters(1, 0, 2, buffer);
    });
    QVERIFY(server.waitForRequests(1));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(TCP_Close(), 0);
    reader.join();
    // The close ends the waiting exchange instead of leaving it to its 5 s time-out.
    QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(result.load(), int(LINK_ERR_IO));

    // No lock was left held: a new link works at once.
    LoopbackServer next(derivedTcpAnswer);
    QCOMPARE(TCP_Open(u"127.0.0.1", next.port()), 0);
    std::vector<std::uint8_t> buffer(64);
    QCOMPARE(readRegisters(3, 4, 1, buffer), 2);
    QCOMPARE(wordAt(buffer, 0), registerValue(3, 4));
}

void TestTcpLink::concurrentCallersGetTheirOwnAnswers()
{
    LoopbackServer server(derivedTcpAnswer);
    QCOMPARE(TCP_Open(u"127.0.0.1", server.port()), 0);
    constexpr int kThreads = 8; // more than the five each gate admits
    constexpr int kCalls = 150;
    std::atomic<int> wrong{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<std::uint8_t> buffer(256);
            for (int i = 0; i < kCalls; ++i) {
                const std::uint8_t unit = static_cast<std::uint8_t>(1 + t);
                if (t % 2 && i % 3 == 0) {
                    const std::int32_t value = t * 1000 + i;
                    if (MODBUS_Write06(unit, 150 + i, &value, 0) != 1)
                        ++failed;
                    continue;
                }
                const std::uint16_t first = static_cast<std::uint16_t>(t * 100 + i);
                const std::uint16_t count = static_cast<std::uint16_t>(1 + (i + t) % 40);
                const int got = MODBUS_Read03(unit, first, count, buffer.data(), 256, 0);
                if (got != 2 * count) {
                    ++failed;
                    continue;
                }
                for (std::uint16_t k = 0; k < count; ++k)
                    if (wordAt(buffer, k) != registerValue(unit, std::uint16_t(first + k)))
                        ++wrong;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    QCOMPARE(failed.load(), 0);
    QCOMPARE(wrong.load(), 0);
}

QTEST_GUILESS_MAIN(TestTcpLink)
#include "tst_tcp_link.moc"
