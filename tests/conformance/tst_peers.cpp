// SPDX-License-Identifier: MIT
// The link library against MODBUS slaves nobody here wrote: libmodbus over a pseudo-terminal
// pair (RTU) and loopback TCP, pymodbus over a pseudo-terminal pair (ASCII). Only the
// library's public interface is used; every table runs on each link where the case applies.
#include "PeerProcess.h"
#include "PeerRegisters.h"
#include "SocatPair.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <ZRQ7DLL.h>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace zrq7::test;

namespace {

const QStringList kAllLinks = {QStringLiteral("rtu"), QStringLiteral("ascii"), QStringLiteral("tcp")};
const QStringList kSerialLinks = {QStringLiteral("rtu"), QStringLiteral("ascii")};

// One row per link, for cases that need nothing but the link.
void addLinkRows(const QStringList& links)
{
    QTest::addColumn<QString>("link");
    for (const QString& link : links)
        QTest::newRow(qPrintable(link)) << link;
}

QByteArray bufferBytes(const std::vector<std::uint8_t>& buffer, int count)
{
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), count);
}

// One read through the public call; the whole caller buffer comes back for inspection.
struct ReadOutcome
{
    std::int32_t result = 0;
    std::vector<std::uint8_t> buffer;
};

ReadOutcome readRegisters(std::uint32_t unit, std::uint32_t first, std::uint32_t count,
                          std::uint32_t bufferSize, std::uint32_t retries = 0)
{
    ReadOutcome outcome;
    outcome.buffer.assign(bufferSize, 0xEE);
    outcome.result = MODBUS_Read03(unit, first, count, outcome.buffer.data(), bufferSize, retries);
    return outcome;
}

} // namespace

class TstPeers : public QObject
{
    Q_OBJECT

private:
    QString openLink(const QString& link);
    std::unique_ptr<PeerProcess> startTcpPeer(const QStringList& extraArgs);

    std::unique_ptr<SocatPair> m_rtuLine;
    std::unique_ptr<SocatPair> m_asciiLine;
    std::unique_ptr<PeerProcess> m_rtuPeer;
    std::unique_ptr<PeerProcess> m_asciiPeer;
    std::unique_ptr<PeerProcess> m_tcpPeer;
    quint16 m_tcpPort = 0;

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void readIdentification_data();
    void readIdentification();
    void readBlocks_data();
    void readBlocks();
    void writeThenReadBack_data();
    void writeThenReadBack();
    void exceptionResponses_data();
    void exceptionResponses();
    void dataMustFitCallerBuffer_data();
    void dataMustFitCallerBuffer();
    void silentUnitTimesOutThenLinkRecovers_data();
    void silentUnitTimesOutThenLinkRecovers();
    void concurrentCallersGetTheirOwnAnswers_data();
    void concurrentCallersGetTheirOwnAnswers();
    void lineSettingsOnEveryOpen_data();
    void lineSettingsOnEveryOpen();
    void framingIsFixedAtOpen();
    void lateTcpAnswerIsSkipped();
    void tcpPeerGoneEndsLinkWithoutSignal();
};

void TstPeers::initTestCase()
{
    // The master's ends are port-map entries, so COM_Open("COMn") goes through the resolver.
    const QString ports = qEnvironmentVariable("ZRQ7_PORTS");
    const QString tmp = QDir::tempPath();
    QVERIFY(!ports.isEmpty());
    m_rtuLine =
        std::make_unique<SocatPair>(ports + QStringLiteral("/COM7"), tmp + QStringLiteral("/rtu-peer"));
    m_asciiLine =
        std::make_unique<SocatPair>(ports + QStringLiteral("/COM8"), tmp + QStringLiteral("/ascii-peer"));
    QVERIFY2(m_rtuLine->start(), qPrintable(m_rtuLine->errorString()));
    QVERIFY2(m_asciiLine->start(), qPrintable(m_asciiLine->errorString()));

    m_rtuPeer.reset(PeerProcess::libmodbus({QStringLiteral("--rtu"), m_rtuLine->endB()}));
    m_asciiPeer.reset(PeerProcess::pymodbusAscii(m_asciiLine->endB()));
    QVERIFY2(m_rtuPeer->start(), qPrintable(m_rtuPeer->errorString()));
    QVERIFY2(m_asciiPeer->start(), qPrintable(m_asciiPeer->errorString()));
    m_tcpPeer = startTcpPeer({});
    QVERIFY(m_tcpPeer);
    m_tcpPort = quint16(m_tcpPeer->readyField(QStringLiteral("port")).toUInt());
}

void TstPeers::cleanup()
{
    COM_Close();
    TCP_Close();
    DLL_SetIOProtocol(0);
    DLL_SetIOTimeout(100);
}

void TstPeers::cleanupTestCase()
{
    m_tcpPeer.reset();
    m_asciiPeer.reset();
    m_rtuPeer.reset();
    m_asciiLine.reset();
    m_rtuLine.reset();
}

std::unique_ptr<PeerProcess> TstPeers::startTcpPeer(const QStringList& extraArgs)
{
    std::unique_ptr<PeerProcess> peer(
        PeerProcess::libmodbus(QStringList{QStringLiteral("--tcp"), QStringLiteral("0")} + extraArgs));
    if (!peer->start()) {
        qWarning("%s", qPrintable(peer->errorString()));
        return {};
    }
    return peer;
}

// Opens the named link the way the program does: time-out and framing first, then the port
// and its line settings (19200 bit/s 8N1), or the TCP connection.
// Returns an empty text on success, else what failed.
QString TstPeers::openLink(const QString& link)
{
    DLL_SetIOTimeout(1000);
    if (link == QLatin1String("tcp")) {
        const std::int32_t opened = TCP_Open(u"127.0.0.1", m_tcpPort);
        return opened == LINK_OK ? QString() : QStringLiteral("TCP_Open: %1").arg(opened);
    }
    const bool ascii = link == QLatin1String("ascii");
    DLL_SetIOProtocol(ascii ? 1 : 0);
    const std::int32_t opened = COM_Open(ascii ? u"COM8" : u"COM7");
    if (opened != LINK_OK)
        return QStringLiteral("COM_Open: %1").arg(opened);
    const std::int32_t setup = COM_Setup(1, 1, 0, 0);
    return setup == LINK_OK ? QString() : QStringLiteral("COM_Setup: %1").arg(setup);
}

#define OPEN_LINK(link)                                                                                      \
    do {                                                                                                     \
        const QString failure = openLink(link);                                                              \
        QVERIFY2(failure.isEmpty(), qPrintable(failure));                                                    \
    } while (0)

void TstPeers::readIdentification_data()
{
    addLinkRows(kAllLinks);
}

void TstPeers::readIdentification()
{
    QFETCH(QString, link);
    OPEN_LINK(link);
    const ReadOutcome read = readRegisters(kPeerUnit, 0, 2, 16);
    QCOMPARE(read.result, 4);
    QCOMPARE(bufferBytes(read.buffer, 4), QByteArray::fromHex("000b000c"));
    QCOMPARE(read.buffer[4], std::uint8_t(0xEE)); // nothing written past the data
    QCOMPARE(MODBUS_GetDeviceError(), 0u);
}

void TstPeers::readBlocks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<quint32>("unit");
    QTest::addColumn<quint32>("first");
    QTest::addColumn<quint32>("count");
    QTest::addColumn<quint32>("expectFirst"); // what the peer must have been asked for
    QTest::addColumn<quint32>("expectCount");
    for (const QString& link : kAllLinks) {
        const QByteArray l = link.toLatin1();
        QTest::addRow("%s/one register", l.data()) << link << 1u << 5u << 1u << 5u << 1u;
        QTest::addRow("%s/measurement block", l.data()) << link << 1u << 30u << 66u << 30u << 66u;
        QTest::addRow("%s/largest block", l.data()) << link << 1u << 25u << 125u << 25u << 125u;
        QTest::addRow("%s/last mapped register", l.data()) << link << 1u << 199u << 1u << 199u << 1u;
        // Only the low 8 bits of the unit and 16 bits of register and count go on the wire.
        QTest::addRow("%s/wide arguments truncated", l.data())
            << link << 0x101u << 0x10002u << 0x10006u << 2u << 6u;
    }
}

void TstPeers::readBlocks()
{
    QFETCH(QString, link);
    QFETCH(quint32, unit);
    QFETCH(quint32, first);
    QFETCH(quint32, count);
    QFETCH(quint32, expectFirst);
    QFETCH(quint32, expectCount);
    OPEN_LINK(link);
    const std::uint32_t size = 2 * expectCount + 8;
    const ReadOutcome read = readRegisters(unit, first, count, size);
    QCOMPARE(read.result, std::int32_t(2 * expectCount));
    QCOMPARE(bufferBytes(read.buffer, read.result), peerBytes(expectFirst, expectCount));
    QCOMPARE(read.buffer[2 * expectCount], std::uint8_t(0xEE));
}

void TstPeers::writeThenReadBack_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QByteArray>("stored"); // the register afterwards, high byte first
    for (const QString& link : kAllLinks) {
        const QByteArray l = link.toLatin1();
        QTest::addRow("%s/1", l.data()) << link << 1 << QByteArray::fromHex("0001");
        QTest::addRow("%s/32767", l.data()) << link << 32767 << QByteArray::fromHex("7fff");
        QTest::addRow("%s/-1", l.data()) << link << -1 << QByteArray::fromHex("ffff");
        QTest::addRow("%s/-10", l.data()) << link << -10 << QByteArray::fromHex("fff6");
        QTest::addRow("%s/-32768", l.data()) << link << -32768 << QByteArray::fromHex("8000");
        QTest::addRow("%s/40000 (unsigned word)", l.data()) << link << 40000 << QByteArray::fromHex("9c40");
        QTest::addRow("%s/0x12345 (low 16 bits)", l.data()) << link << 0x12345 << QByteArray::fromHex("2345");
    }
}

void TstPeers::writeThenReadBack()
{
    QFETCH(QString, link);
    QFETCH(qint32, value);
    QFETCH(QByteArray, stored);
    OPEN_LINK(link);
    const std::uint32_t reg = kPeerScratchRegister + 1;
    const std::int32_t original = value;
    QCOMPARE(MODBUS_Write06(kPeerUnit, reg, &value, 0), 1);
    QCOMPARE(value, original); // the caller's value is not changed

    // The neighbours show that exactly the addressed register changed.
    const ReadOutcome read = readRegisters(kPeerUnit, reg - 1, 3, 16);
    QCOMPARE(read.result, 6);
    QCOMPARE(bufferBytes(read.buffer, 6), peerBytes(reg - 1, 1) + stored + peerBytes(reg + 1, 1));
}

void TstPeers::exceptionResponses_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("write");
    QTest::addColumn<quint32>("first");
    QTest::addColumn<quint32>("count");
    QTest::addColumn<quint32>("retries");
    for (const QString& link : kAllLinks) {
        const QByteArray l = link.toLatin1();
        QTest::addRow("%s/read unmapped", l.data()) << link << false << 300u << 1u << 0u;
        QTest::addRow("%s/read across the end", l.data()) << link << false << 190u << 20u << 0u;
        QTest::addRow("%s/read unmapped, retried", l.data()) << link << false << 300u << 1u << 2u;
        QTest::addRow("%s/write unmapped", l.data()) << link << true << 300u << 0u << 0u;
    }
}

void TstPeers::exceptionResponses()
{
    QFETCH(QString, link);
    QFETCH(bool, write);
    QFETCH(quint32, first);
    QFETCH(quint32, count);
    QFETCH(quint32, retries);
    OPEN_LINK(link);
    std::int32_t value = 7;
    const std::int32_t result = write ? MODBUS_Write06(kPeerUnit, first, &value, retries)
                                      : readRegisters(kPeerUnit, first, count, 64, retries).result;
    QCOMPARE(result, std::int32_t(LINK_ERR_DEVICE));
    QCOMPARE(MODBUS_GetDeviceError(), 2u); // illegal data address

    // The next good exchange clears the device error and proves the line is in step.
    const ReadOutcome read = readRegisters(kPeerUnit, 0, 2, 16);
    QCOMPARE(read.result, 4);
    QCOMPARE(MODBUS_GetDeviceError(), 0u);
}

void TstPeers::dataMustFitCallerBuffer_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<quint32>("bufferSize");
    QTest::addColumn<qint32>("expected");
    // 25 registers are 50 data bytes: a serial link wants them smaller than the buffer,
    // TCP lets them fill it.
    QTest::newRow("rtu/exactly full") << QStringLiteral("rtu") << 50u << -7;
    QTest::newRow("ascii/exactly full") << QStringLiteral("ascii") << 50u << -7;
    QTest::newRow("tcp/exactly full") << QStringLiteral("tcp") << 50u << 50;
    for (const QString& link : kAllLinks) {
        const QByteArray l = link.toLatin1();
        QTest::addRow("%s/one byte spare", l.data()) << link << 51u << 50;
        QTest::addRow("%s/too small", l.data()) << link << 10u << -7;
    }
}

void TstPeers::dataMustFitCallerBuffer()
{
    QFETCH(QString, link);
    QFETCH(quint32, bufferSize);
    QFETCH(qint32, expected);
    OPEN_LINK(link);
    const ReadOutcome read = readRegisters(kPeerUnit, 0, 25, bufferSize);
    QCOMPARE(read.result, expected);
    if (expected > 0)
        QCOMPARE(bufferBytes(read.buffer, expected), peerBytes(0, 25));
    else // refused data are not copied at all
        QCOMPARE(bufferBytes(read.buffer, int(bufferSize)), QByteArray(int(bufferSize), char(0xEE)));
}

void TstPeers::silentUnitTimesOutThenLinkRecovers_data()
{
    // libmodbus's RTU slave and pymodbus leave requests for other units unanswered.
    addLinkRows(kSerialLinks);
}

void TstPeers::silentUnitTimesOutThenLinkRecovers()
{
    QFETCH(QString, link);
    OPEN_LINK(link);
    DLL_SetIOTimeout(100);
    QElapsedTimer clock;
    clock.start();
    std::int32_t value = 3;
    QCOMPARE(readRegisters(2, 0, 2, 16, 2).result, std::int32_t(LINK_ERR_TIMEOUT));
    const qint64 readMs = clock.restart();
    QCOMPARE(MODBUS_Write06(2, kPeerScratchRegister, &value, 0), std::int32_t(LINK_ERR_TIMEOUT));
    const qint64 writeMs = clock.elapsed();
    // Three attempts of 100 ms each, then one; nothing near a second.
    QVERIFY2(readMs >= 295 && readMs < 1500, qPrintable(QString::number(readMs)));
    QVERIFY2(writeMs >= 95 && writeMs < 1000, qPrintable(QString::number(writeMs)));

    // libmodbus's RTU slave, having ignored requests for another unit, may take the next
    // frame for that unit's answer (as on a shared bus); one retry covers that.
    const ReadOutcome read = readRegisters(kPeerUnit, 2, 3, 16, 1);
    QCOMPARE(read.result, 6);
    QCOMPARE(bufferBytes(read.buffer, 6), peerBytes(2, 3));
}

void TstPeers::concurrentCallersGetTheirOwnAnswers_data()
{
    addLinkRows(kAllLinks);
}

void TstPeers::concurrentCallersGetTheirOwnAnswers()
{
    // More readers than the read gate admits at once, plus a writer: every caller must get
    // exactly the answer to its own request.
    QFETCH(QString, link);
    OPEN_LINK(link);
    constexpr int kReaders = 7;
    constexpr int kRounds = 30;
    std::atomic<int> wrongReads{0};
    std::atomic<int> failedWrites{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kReaders; ++t) {
        threads.emplace_back([t, &wrongReads] {
            const std::uint32_t first = 2 + 10 * std::uint32_t(t);
            const std::uint32_t count = 1 + std::uint32_t(t);
            for (int i = 0; i < kRounds; ++i) {
                const ReadOutcome read = readRegisters(kPeerUnit, first, count, 64, 1);
                if (read.result != std::int32_t(2 * count) ||
                    bufferBytes(read.buffer, read.result) != peerBytes(first, count))
                    ++wrongReads;
            }
        });
    }
    threads.emplace_back([&failedWrites] {
        for (std::int32_t i = 0; i < kRounds; ++i) {
            if (MODBUS_Write06(kPeerUnit, kPeerScratchRegister, &i, 1) != 1)
                ++failedWrites;
        }
    });
    for (std::thread& thread : threads)
        thread.join();
    QCOMPARE(wrongReads.load(), 0);
    QCOMPARE(failedWrites.load(), 0);
}

void TstPeers::lineSettingsOnEveryOpen_data()
{
    // The program's usual settings, among them 7 data bits and even parity, which a
    // pseudo-terminal silently ignores: the port must be usable however often it is reopened.
    QTest::addColumn<QString>("link");
    QTest::addColumn<quint32>("dataBits");
    QTest::addColumn<quint32>("parity");
    QTest::addColumn<quint32>("stopBits");
    QTest::newRow("ascii/7E1") << QStringLiteral("ascii") << 0u << 1u << 0u;
    QTest::newRow("ascii/7N2") << QStringLiteral("ascii") << 0u << 0u << 1u;
    QTest::newRow("rtu/8E1") << QStringLiteral("rtu") << 1u << 1u << 0u;
    QTest::newRow("rtu/8N2") << QStringLiteral("rtu") << 1u << 0u << 1u;
}

void TstPeers::lineSettingsOnEveryOpen()
{
    QFETCH(QString, link);
    QFETCH(quint32, dataBits);
    QFETCH(quint32, parity);
    QFETCH(quint32, stopBits);
    const bool ascii = link == QLatin1String("ascii");
    DLL_SetIOProtocol(ascii ? 1 : 0);
    for (int round = 1; round <= 3; ++round) {
        QCOMPARE(COM_Open(ascii ? u"COM8" : u"COM7"), LINK_OK);
        QVERIFY2(COM_Setup(1, dataBits, parity, stopBits) == LINK_OK,
                 qPrintable(QStringLiteral("open %1").arg(round)));
        QCOMPARE(readRegisters(kPeerUnit, 0, 2, 16, 1).result, 4);
        QCOMPARE(COM_Close(), LINK_OK);
    }
}

void TstPeers::framingIsFixedAtOpen()
{
    // Choosing ASCII while an RTU port is open changes nothing until the port is reopened.
    OPEN_LINK(QStringLiteral("rtu"));
    DLL_SetIOProtocol(1);
    QCOMPARE(readRegisters(kPeerUnit, 0, 2, 16).result, 4);
    QCOMPARE(COM_Open(u"COM8"), LINK_OK); // now ASCII, on the pymodbus line
    QCOMPARE(COM_Setup(1, 1, 0, 0), LINK_OK);
    QCOMPARE(readRegisters(kPeerUnit, 0, 2, 16).result, 4);
}

void TstPeers::lateTcpAnswerIsSkipped()
{
    // The slave answers 300 ms late: the first attempt times out; its answer arrives during
    // the next call and must be passed over for the one carrying the current transaction id.
    std::unique_ptr<PeerProcess> slow = startTcpPeer({QStringLiteral("--delay-ms"), QStringLiteral("300")});
    QVERIFY(slow);
    QCOMPARE(TCP_Open(u"127.0.0.1", slow->readyField(QStringLiteral("port")).toUInt()), LINK_OK);
    DLL_SetIOTimeout(200);
    QCOMPARE(readRegisters(kPeerUnit, 10, 1, 16).result, std::int32_t(LINK_ERR_TIMEOUT));
    DLL_SetIOTimeout(1000);
    const ReadOutcome read = readRegisters(kPeerUnit, 20, 3, 16);
    QCOMPARE(read.result, 6);
    QCOMPARE(bufferBytes(read.buffer, 6), peerBytes(20, 3));
}

void TstPeers::tcpPeerGoneEndsLinkWithoutSignal()
{
    // When the slave goes away, exchanges time out until a send fails; the failed send closes
    // the link (and must not kill the caller with SIGPIPE), and every call after it gets -100.
    std::unique_ptr<PeerProcess> peer = startTcpPeer({});
    QVERIFY(peer);
    QCOMPARE(TCP_Open(u"127.0.0.1", peer->readyField(QStringLiteral("port")).toUInt()), LINK_OK);
    QCOMPARE(readRegisters(kPeerUnit, 0, 2, 16).result, 4);
    peer->stop();
    DLL_SetIOTimeout(100);
    QList<std::int32_t> results;
    for (int i = 0; i < 6; ++i)
        results << readRegisters(kPeerUnit, 0, 2, 16).result;
    const auto closed = results.indexOf(std::int32_t(LINK_ERR_IO));
    QVERIFY2(closed >= 0, qPrintable(QStringLiteral("never closed: %1").arg(results.size())));
    for (qsizetype i = 0; i < results.size(); ++i)
        QCOMPARE(results[i], std::int32_t(i < closed ? LINK_ERR_TIMEOUT : LINK_ERR_IO));
    QCOMPARE(TCP_IsOpen(), 0);
}

QTEST_GUILESS_MAIN(TstPeers)
#include "tst_peers.moc"
