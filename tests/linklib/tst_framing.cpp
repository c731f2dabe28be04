// SPDX-License-Identifier: MIT
// The three framings driven through the real channels with scripted far ends: request bytes,
// completion over chunks, and the result of every check, without any port.
#include "ZRQ7DLL.h"
#include "hex_bytes.h"
#include "modbus_checks.h"
#include "scripted_transports.h"
#include "serial_channel.h"
#include "tcp_channel.h"

#include <QtTest>

using namespace zrq7::link;

namespace {

QByteArray hx(const char* text)
{
    const std::vector<std::uint8_t> b = hexBytes(text);
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// RTU frame from hex text with its CRC appended (for cases the documentation does not print).
QByteArray withCrc(const char* text)
{
    QByteArray frame = hx(text);
    const std::uint16_t crc = zrq7::modbus::crc16(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                                                  std::size_t(frame.size()));
    frame.append(char(crc & 0xFF)).append(char(crc >> 8));
    return frame;
}

struct Outcome
{
    std::int32_t result = 0;
    std::uint32_t deviceError = 0;
    QByteArray data;            // what landed in the caller's buffer (result bytes)
    QList<QByteArray> requests; // what went on the wire
};

Request readRequest(std::uint8_t unit, std::uint16_t reg, std::uint16_t count)
{
    return {Function::ReadHolding, unit, reg, count};
}

Request writeRequest(std::uint8_t unit, std::uint16_t reg, std::int32_t value)
{
    return {Function::WriteSingle, unit, reg, static_cast<std::uint16_t>(value)};
}

Outcome runSerial(SerialFraming framing, const Request& request, const QByteArray& response,
                  std::uint32_t bufferSize = 64, std::size_t chunkSize = 0)
{
    auto line = std::make_shared<ScriptedSerialLine>();
    line->queueResponse(reinterpret_cast<const std::uint8_t*>(response.constData()),
                        std::size_t(response.size()), chunkSize);
    SerialChannel channel(line, framing);
    std::vector<std::uint8_t> buffer(bufferSize, 0xEE);
    Attempt attempt;
    attempt.request = request;
    attempt.target = {buffer.data(), bufferSize};
    Outcome out;
    out.result = request.function == Function::ReadHolding ? channel.readRegisters(attempt)
                                                           : channel.writeRegister(attempt);
    out.deviceError = attempt.deviceError;
    if (out.result > 0 && request.function == Function::ReadHolding)
        out.data = QByteArray(reinterpret_cast<const char*>(buffer.data()), out.result);
    else if (out.result < 0 && bufferSize > 0 && buffer[0] != 0xEE)
        out.data = "buffer touched";
    for (const auto& r : line->requests())
        out.requests.append(QByteArray(reinterpret_cast<const char*>(r.data()), qsizetype(r.size())));
    return out;
}

Outcome runTcp(const Request& request, const QList<QByteArray>& responses, std::uint16_t& transactionId,
               std::uint32_t bufferSize = 64, int attempts = 1)
{
    auto transport = std::make_shared<ScriptedTcpTransport>();
    for (const QByteArray& r : responses)
        transport->queueResponse({r.begin(), r.end()});
    TcpChannel channel(transport, transactionId);
    std::vector<std::uint8_t> buffer(bufferSize, 0xEE);
    Outcome out;
    for (int i = 0; i < attempts; ++i) {
        Attempt attempt;
        attempt.request = request;
        attempt.target = {buffer.data(), bufferSize};
        attempt.timeout = std::chrono::milliseconds(20);
        out.result = request.function == Function::ReadHolding ? channel.readRegisters(attempt)
                                                               : channel.writeRegister(attempt);
        out.deviceError = attempt.deviceError;
    }
    if (out.result > 0 && request.function == Function::ReadHolding)
        out.data = QByteArray(reinterpret_cast<const char*>(buffer.data()), out.result);
    for (const auto& r : transport->requests())
        out.requests.append(QByteArray(reinterpret_cast<const char*>(r.data()), qsizetype(r.size())));
    return out;
}

} // namespace

class TestFraming : public QObject
{
    Q_OBJECT

private slots:
    // Frames as printed in the relay's protocol documentation.
    void documentedFrames_data();
    void documentedFrames();

    void serialChecks_data();
    void serialChecks();
    void rtuOverflowingChunkIsRefused();

    void tcpChecks_data();
    void tcpChecks();
    void tcpSkipsFramesOfEarlierRequests();
    void tcpFailedSendClosesTheLink();
    void tcpAnswerBeyondTheBufferIsDropped();

    void hexDecodingToleratesBothCases();
};

void TestFraming::documentedFrames_data()
{
    QTest::addColumn<int>("framing"); // 0 RTU, 1 ASCII
    QTest::addColumn<bool>("isRead");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<uint>("deviceError");

    QTest::newRow("RTU read 2 registers") << 0 << true << hx("01 03 00 00 00 02 C4 0B")
                                          << hx("01 03 04 00 0B 00 0F CB F5") << 4 << hx("00 0B 00 0F") << 0u;
    QTest::newRow("RTU write 1 to register 200") << 0 << false << hx("01 06 00 C8 00 01 C9 F4")
                                                 << hx("01 06 00 C8 00 01 C9 F4") << 1 << QByteArray() << 0u;
    QTest::newRow("RTU exception") << 0 << true << hx("01 03 00 00 00 02 C4 0B") << hx("01 83 02 C0 F1")
                                   << int(LINK_ERR_DEVICE) << QByteArray() << 2u;
    QTest::newRow("ASCII read 2 registers")
        << 1 << true << QByteArray(":010300000002FA\r\n") << QByteArray(":010304000B000FDE\r\n") << 4
        << hx("00 0B 00 0F") << 0u;
    QTest::newRow("ASCII exception") << 1 << true << QByteArray(":010300000002FA\r\n")
                                     << QByteArray(":0183027A\r\n") << int(LINK_ERR_DEVICE) << QByteArray()
                                     << 2u;
}

void TestFraming::documentedFrames()
{
    QFETCH(int, framing);
    QFETCH(bool, isRead);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, response);
    QFETCH(int, result);
    QFETCH(QByteArray, data);
    QFETCH(uint, deviceError);

    const Request r = isRead ? readRequest(1, 0, 2) : writeRequest(1, 200, 1);
    const Outcome out = runSerial(framing == 0 ? SerialFraming::Rtu : SerialFraming::Ascii, r, response);
    QCOMPARE(out.requests, QList<QByteArray>{request});
    QCOMPARE(out.result, result);
    QCOMPARE(out.data, data);
    QCOMPARE(out.deviceError, deviceError);
}

void TestFraming::serialChecks_data()
{
    QTest::addColumn<int>("framing"); // 0 RTU, 1 ASCII
    QTest::addColumn<bool>("isRead");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<uint>("bufferSize");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("result");
    QTest::addColumn<uint>("deviceError");

    // Reads ask unit 1 for 2 registers from 0; writes send -2 to register 200.
    const QByteArray goodRtu = hx("01 03 04 00 0B 00 0F CB F5");
    QByteArray badCrc = goodRtu;
    badCrc[8] = char(0xF4);
    QTest::newRow("RTU byte by byte") << 0 << true << goodRtu << 64u << 1 << 4 << 0u;
    QTest::newRow("RTU bytes after the frame are ignored")
        << 0 << true << goodRtu + hx("99 98") << 64u << 0 << 4 << 0u;
    QTest::newRow("RTU wrong CRC") << 0 << true << badCrc << 64u << 0 << int(LINK_ERR_CHECKSUM) << 0u;
    QTest::newRow("RTU another unit")
        << 0 << true << withCrc("02 03 04 00 0B 00 0F") << 64u << 0 << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("RTU garbage in front")
        << 0 << true << hx("FF") + goodRtu << 64u << 0 << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("RTU unexpected function")
        << 0 << true << withCrc("01 04 04 00 0B 00 0F") << 64u << 0 << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("RTU write answer to a read")
        << 0 << true << withCrc("01 06 00 00 00 02") << 64u << 0 << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("RTU truncated: time-out")
        << 0 << true << goodRtu.left(7) << 64u << 0 << int(LINK_ERR_TIMEOUT) << 0u;
    QTest::newRow("RTU silence: time-out")
        << 0 << true << QByteArray() << 64u << 0 << int(LINK_ERR_TIMEOUT) << 0u;
    // Serial data must be smaller than the caller's buffer: 4 bytes need 5.
    QTest::newRow("RTU data fill the buffer") << 0 << true << goodRtu << 4u << 0 << -7 << 0u;
    QTest::newRow("RTU data one byte smaller") << 0 << true << goodRtu << 5u << 0 << 4 << 0u;
    QTest::newRow("RTU exception code 11")
        << 0 << true << withCrc("01 83 0B") << 64u << 0 << int(LINK_ERR_DEVICE) << 11u;
    QTest::newRow("RTU exception with bad CRC")
        << 0 << true << hx("01 83 02 C0 F2") << 64u << 0 << int(LINK_ERR_CHECKSUM) << 0u;
    QTest::newRow("RTU write echoed") << 0 << false << withCrc("01 06 00 C8 FF FE") << 64u << 0 << 1 << 0u;
    QTest::newRow("RTU write echo with another value")
        << 0 << false << withCrc("01 06 00 C8 00 01") << 64u << 0 << int(LINK_ERR_ECHO) << 0u;
    QTest::newRow("RTU write echo with another register")
        << 0 << false << withCrc("01 06 00 C9 FF FE") << 64u << 0 << int(LINK_ERR_ECHO) << 0u;
    QTest::newRow("RTU write exception")
        << 0 << false << withCrc("01 86 03") << 64u << 0 << int(LINK_ERR_DEVICE) << 3u;

    const QByteArray goodAscii(":010304000B000FDE\r\n");
    QTest::newRow("ASCII two characters at a time") << 1 << true << goodAscii << 64u << 2 << 4 << 0u;
    QTest::newRow("ASCII lower-case hex")
        << 1 << true << QByteArray(":010304000b000fde\r\n") << 64u << 0 << 4 << 0u;
    QTest::newRow("ASCII noise before the colon")
        << 1 << true << QByteArray("x7\r\n") + goodAscii << 64u << 0 << 4 << 0u;
    QTest::newRow("ASCII restart at a second colon")
        << 1 << true << QByteArray(":0103") + goodAscii << 64u << 0 << 4 << 0u;
    QTest::newRow("ASCII too short frame, then the answer")
        << 1 << true << QByteArray(":01\r\n") + goodAscii << 64u << 0 << 4 << 0u;
    QTest::newRow("ASCII wrong LRC") << 1 << true << QByteArray(":010304000B000FDF\r\n") << 64u << 0
                                     << int(LINK_ERR_CHECKSUM) << 0u;
    QTest::newRow("ASCII another unit")
        << 1 << true << QByteArray(":020304000B000FDD\r\n") << 64u << 0 << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("ASCII one data byte missing")
        << 1 << true << QByteArray(":010304000B00E9\r\n") << 64u << 0 << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("ASCII write answer to a read")
        << 1 << true << QByteArray(":01060000000AEF\r\n") << 64u << 0 << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("ASCII no CR LF: time-out")
        << 1 << true << goodAscii.left(17) << 64u << 0 << int(LINK_ERR_TIMEOUT) << 0u;
    QTest::newRow("ASCII LF without CR: time-out")
        << 1 << true << QByteArray(":010304000B000FDE\n") << 64u << 0 << int(LINK_ERR_TIMEOUT) << 0u;
    QTest::newRow("ASCII data fill the buffer") << 1 << true << goodAscii << 4u << 0 << -7 << 0u;
    QTest::newRow("ASCII write echoed")
        << 1 << false << QByteArray(":010600C8FFFE34\r\n") << 64u << 0 << 1 << 0u;
    QTest::newRow("ASCII write echo one character short")
        << 1 << false << QByteArray(":010600C80001C\r\n") << 64u << 0 << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("ASCII write echo, wrong value")
        << 1 << false << QByteArray(":010600C8000130\r\n") << 64u << 0 << int(LINK_ERR_ECHO) << 0u;
    QTest::newRow("ASCII write exception")
        << 1 << false << QByteArray(":01860376\r\n") << 64u << 0 << int(LINK_ERR_DEVICE) << 3u;
}

void TestFraming::serialChecks()
{
    QFETCH(int, framing);
    QFETCH(bool, isRead);
    QFETCH(QByteArray, response);
    QFETCH(uint, bufferSize);
    QFETCH(int, chunkSize);
    QFETCH(int, result);
    QFETCH(uint, deviceError);

    const Request r = isRead ? readRequest(1, 0, 2) : writeRequest(1, 200, -2);
    const Outcome out = runSerial(framing == 0 ? SerialFraming::Rtu : SerialFraming::Ascii, r, response,
                                  bufferSize, std::size_t(chunkSize));
    QCOMPARE(out.result, result);
    QCOMPARE(out.deviceError, deviceError);
    if (result == 4)
        QCOMPARE(out.data, hx("00 0B 00 0F"));
    else
        QVERIFY2(out.data.isEmpty(), "a failed read must not write into the caller's buffer");
    // A negative value travels as its low 16 bits.
    if (!isRead)
        QCOMPARE(out.requests.value(0),
                 framing == 0 ? withCrc("01 06 00 C8 FF FE") : QByteArray(":010600C8FFFE34\r\n"));
}

void TestFraming::rtuOverflowingChunkIsRefused()
{
    // A chunk that would fill the 1024-byte receive buffer is refused before it is read.
    QByteArray flood = hx("01 03 04 00 0B 00 0F CB F5");
    flood.append(QByteArray(1024 - flood.size(), '\0'));
    QCOMPARE(runSerial(SerialFraming::Rtu, readRequest(1, 0, 2), flood).result, int(LINK_ERR_OVERFLOW));
    QCOMPARE(runSerial(SerialFraming::Rtu, readRequest(1, 0, 2), flood.left(1023)).result, 4);
}

void TestFraming::tcpChecks_data()
{
    QTest::addColumn<bool>("isRead");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<uint>("bufferSize");
    QTest::addColumn<int>("result");
    QTest::addColumn<uint>("deviceError");

    // Transaction 1, unit 1: read 2 registers from 0, or write -2 to register 200.
    QTest::newRow("read") << true << hx("00 01 00 00 00 07 01 03 04 00 0B 00 0F") << 64u << 4 << 0u;
    QTest::newRow("data may fill the buffer")
        << true << hx("00 01 00 00 00 07 01 03 04 00 0B 00 0F") << 4u << 4 << 0u;
    QTest::newRow("data larger than the buffer")
        << true << hx("00 01 00 00 00 07 01 03 04 00 0B 00 0F") << 3u << -7 << 0u;
    QTest::newRow("another unit") << true << hx("00 01 00 00 00 07 02 03 04 00 0B 00 0F") << 64u
                                  << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("exception") << true << hx("00 01 00 00 00 03 01 83 02") << 64u << int(LINK_ERR_DEVICE)
                               << 2u;
    QTest::newRow("truncated: time-out")
        << true << hx("00 01 00 00 00 07 01 03 04 00 0B") << 64u << int(LINK_ERR_TIMEOUT) << 0u;
    QTest::newRow("other protocol id is skipped")
        << true << hx("00 01 00 01 00 07 01 03 04 00 0B 00 0F") << 64u << int(LINK_ERR_TIMEOUT) << 0u;
    QTest::newRow("byte count beyond the frame")
        << true << hx("00 01 00 00 00 04 01 03 04 00 0B 00 0F") << 64u << int(LINK_ERR_FRAME) << 0u;
    QTest::newRow("write echoed") << false << hx("00 01 00 00 00 06 01 06 00 C8 FF FE") << 64u << 1 << 0u;
    QTest::newRow("write echo, wrong value")
        << false << hx("00 01 00 00 00 06 01 06 00 C8 00 01") << 64u << int(LINK_ERR_ECHO) << 0u;
    QTest::newRow("write exception") << false << hx("00 01 00 00 00 03 01 86 02") << 64u
                                     << int(LINK_ERR_DEVICE) << 2u;
}

void TestFraming::tcpChecks()
{
    QFETCH(bool, isRead);
    QFETCH(QByteArray, response);
    QFETCH(uint, bufferSize);
    QFETCH(int, result);
    QFETCH(uint, deviceError);

    std::uint16_t transactionId = 0;
    const Request r = isRead ? readRequest(1, 0, 2) : writeRequest(1, 200, -2);
    const Outcome out = runTcp(r, {response}, transactionId, bufferSize);
    QCOMPARE(out.requests.value(0),
             isRead ? hx("00 01 00 00 00 06 01 03 00 00 00 02") : hx("00 01 00 00 00 06 01 06 00 C8 FF FE"));
    QCOMPARE(out.result, result);
    QCOMPARE(out.deviceError, deviceError);
    if (result == 4)
        QCOMPARE(out.data, hx("00 0B 00 0F"));
}

void TestFraming::tcpSkipsFramesOfEarlierRequests()
{
    // The counter wraps: after 0xFFFF comes 0, and a late answer numbered 0xFFFF is skipped.
    std::uint16_t transactionId = 0xFFFF;
    const QByteArray late = hx("FF FF 00 00 00 07 01 03 04 11 11 22 22");
    const QByteArray current = hx("00 00 00 00 00 07 01 03 04 00 0B 00 0F");
    const Outcome out = runTcp(readRequest(1, 0, 2), {late + current}, transactionId);
    QCOMPARE(out.requests.value(0).left(2), hx("00 00"));
    QCOMPARE(out.result, 4);
    QCOMPARE(out.data, hx("00 0B 00 0F"));

    // The next request is numbered 1: an answer to request 0 alone does not count.
    const Outcome lateOnly = runTcp(readRequest(1, 0, 2), {current}, transactionId);
    QCOMPARE(lateOnly.requests.value(0).left(2), hx("00 01"));
    QCOMPARE(lateOnly.result, int(LINK_ERR_TIMEOUT));
}

void TestFraming::tcpFailedSendClosesTheLink()
{
    auto transport = std::make_shared<ScriptedTcpTransport>();
    transport->setSendFails(true);
    int closes = 0;
    std::uint16_t transactionId = 0;
    TcpChannel channel(transport, transactionId, [&] { ++closes; });
    Attempt attempt;
    attempt.request = writeRequest(1, 1, 1);
    QCOMPARE(channel.writeRegister(attempt), int(LINK_ERR_PORT));
    QCOMPARE(closes, 1);
}

void TestFraming::tcpAnswerBeyondTheBufferIsDropped()
{
    // Ten 100-byte frames of an earlier request fill the receive buffer to 1000 bytes; the
    // last chunk (the answer and 17 more bytes) would reach 1024 and is dropped, so the
    // attempt times out. The next attempt starts with an empty buffer.
    QByteArray stale;
    for (int i = 0; i < 10; ++i)
        stale += hx("00 07 00 00 00 5E 01 03") + QByteArray(92, '\0');
    const QByteArray answer = hx("00 01 00 00 00 07 01 03 04 00 0B 00 0F") + QByteArray(17, '\x55');
    std::uint16_t transactionId = 0;
    QCOMPARE(runTcp(readRequest(1, 0, 2), {stale + answer}, transactionId).result, int(LINK_ERR_TIMEOUT));
    transactionId = 0;
    QCOMPARE(runTcp(readRequest(1, 0, 2), {stale + answer.left(13)}, transactionId).result, 4);
}

void TestFraming::hexDecodingToleratesBothCases()
{
    const char digits[] = "0123456789ABCDEF";
    const char lower[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(int(decodeHexNibble(std::uint8_t(digits[i]))), i);
        QCOMPARE(int(decodeHexNibble(std::uint8_t(lower[i]))), i);
    }
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
