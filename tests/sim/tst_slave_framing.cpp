// SPDX-License-Identifier: MIT
// The simulator's slave side: RTU, ASCII and Modbus TCP request parsing and
// the answers to functions 03 and 06. Frames are the documented examples of
// the relay's protocol, not computed by the code under test.
#include "AsciiFraming.h"
#include "FakeRelay.h"
#include "RtuFraming.h"
#include "SlaveProtocol.h"
#include "TcpFraming.h"

#include <QTest>
#include <cstring>

using namespace zrq7::sim;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes hex(const char* text)
{
    const QByteArray raw = QByteArray::fromHex(text);
    return Bytes(raw.begin(), raw.end());
}

Bytes text(const char* characters)
{
    return Bytes(characters, characters + std::strlen(characters));
}

QByteArray show(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex(' ');
}

// Feeds `input` in chunks of `chunk` bytes and collects every request.
std::vector<SlaveRequest> parseAll(SerialFraming& framing, const Bytes& input, std::size_t chunk)
{
    std::vector<SlaveRequest> requests;
    for (std::size_t at = 0; at < input.size(); at += chunk) {
        framing.feed(input.data() + at, std::min(chunk, input.size() - at));
        while (auto request = framing.next())
            requests.push_back(*request);
    }
    if (auto last = framing.lineIdle())
        requests.push_back(*last);
    return requests;
}

} // namespace

class TestSlaveFraming : public QObject
{
    Q_OBJECT

private slots:
    void serialRequests_data();
    void serialRequests();
    void rtuRequestWithPauseInside();
    void serialAnswersMatchDocumentedFrames_data();
    void serialAnswersMatchDocumentedFrames();
    void tcpSplitAndJoinedRequests();
    void tcpRejectsForeignProtocol();
    void protocolAnswers_data();
    void protocolAnswers();
    void broadcastWriteIsCarriedOutUnanswered();
};

void TestSlaveFraming::serialRequests_data()
{
    QTest::addColumn<bool>("ascii");
    QTest::addColumn<Bytes>("input");
    QTest::addColumn<QStringList>("expectedPdus"); // hex of each request's unit + PDU

    const Bytes rtuRead = hex("010300000002C40B");
    const Bytes rtuWrite = hex("010600C80001C9F4");
    const Bytes asciiRead = text(":010300000002FA\r\n");
    Bytes twoRtu = rtuRead;
    twoRtu.insert(twoRtu.end(), rtuWrite.begin(), rtuWrite.end());
    Bytes badThenGood = hex("010300000002C40C");
    badThenGood.insert(badThenGood.end(), rtuWrite.begin(), rtuWrite.end());
    Bytes garbageThenRead = hex("FF00");
    garbageThenRead.insert(garbageThenRead.end(), rtuRead.begin(), rtuRead.end());

    QTest::newRow("rtu read") << false << rtuRead << QStringList{"010300000002"};
    QTest::newRow("rtu two in one buffer") << false << twoRtu << QStringList{"010300000002", "010600c80001"};
    QTest::newRow("rtu bad crc dropped, next frame kept")
        << false << badThenGood << QStringList{"010600c80001"};
    QTest::newRow("rtu garbage before frame") << false << garbageThenRead << QStringList{"010300000002"};
    QTest::newRow("rtu noise ends at silence") << false << hex("0100FF37") << QStringList{};
    Bytes truncatedThenRepeated = hex("01030000");
    truncatedThenRepeated.insert(truncatedThenRepeated.end(), rtuRead.begin(), rtuRead.end());
    QTest::newRow("rtu truncated frame then repeated")
        << false << truncatedThenRepeated << QStringList{"010300000002"};
    // A function without a known length ends only at the silence after it.
    QTest::newRow("rtu unknown function ended by silence")
        << false << hex("012B0E01007077") << QStringList{"012b0e0100"};
    QTest::newRow("rtu other unit still framed")
        << false << hex("020300000002C438") << QStringList{"020300000002"};

    QTest::newRow("ascii read") << true << asciiRead << QStringList{"010300000002"};
    QTest::newRow("ascii lower-case hex")
        << true << text(":010300000002fa\r\n") << QStringList{"010300000002"};
    QTest::newRow("ascii two in one buffer") << true << text(":010300000002FA\r\n:010600C8000130\r\n")
                                             << QStringList{"010300000002", "010600c80001"};
    QTest::newRow("ascii bad lrc") << true << text(":010300000002FB\r\n") << QStringList{};
    QTest::newRow("ascii colon restarts a broken frame")
        << true << text(":0103000:010300000002FA\r\n") << QStringList{"010300000002"};
    QTest::newRow("ascii without lf")
        << true << text(":010300000002FA\r:010300000002FA\r\n") << QStringList{"010300000002"};
    QTest::newRow("ascii not hex") << true << text(":0103000000G2FA\r\n") << QStringList{};
}

void TestSlaveFraming::serialRequests()
{
    QFETCH(bool, ascii);
    QFETCH(Bytes, input);
    QFETCH(QStringList, expectedPdus);

    // Whole, byte by byte and in uneven chunks: the result must not depend on how the line delivers it.
    for (std::size_t chunk : {input.size(), std::size_t(1), std::size_t(3)}) {
        const auto framing = makeSerialFraming(ascii ? SerialMode::Ascii : SerialMode::Rtu);
        QStringList got;
        for (const SlaveRequest& request : parseAll(*framing, input, chunk)) {
            Bytes unitAndPdu{request.unit};
            unitAndPdu.insert(unitAndPdu.end(), request.pdu.begin(), request.pdu.end());
            got << QString::fromLatin1(show(unitAndPdu).replace(' ', ""));
        }
        QCOMPARE(got, expectedPdus);
    }
}

void TestSlaveFraming::rtuRequestWithPauseInside()
{
    // A USB adapter may pause longer than the frame gap inside a request: a
    // known request's start survives the silence, noise does not.
    RtuFraming framing;
    const Bytes read = hex("010300000002C40B");
    framing.feed(read.data(), 3);
    QVERIFY(!framing.lineIdle());
    QVERIFY(framing.pending());
    framing.feed(read.data() + 3, read.size() - 3);
    const auto request = framing.next();
    QVERIFY(request);
    QCOMPARE(request->pdu.size(), std::size_t(5));
    QVERIFY(!framing.pending());

    const Bytes noise = hex("01FF0203");
    framing.feed(noise.data(), noise.size());
    QVERIFY(!framing.lineIdle());
    QVERIFY(!framing.pending());
}

void TestSlaveFraming::serialAnswersMatchDocumentedFrames_data()
{
    QTest::addColumn<bool>("ascii");
    QTest::addColumn<Bytes>("request");
    QTest::addColumn<Bytes>("answer");

    QTest::newRow("rtu read") << false << hex("010300000002C40B") << hex("010304000B000FCBF5");
    QTest::newRow("rtu write echo") << false << hex("010600C80001C9F4") << hex("010600C80001C9F4");
    QTest::newRow("rtu exception") << false << hex("0103012C0001443F") << hex("018302C0F1");
    QTest::newRow("ascii read") << true << text(":010300000002FA\r\n") << text(":010304000B000FDE\r\n");
    QTest::newRow("ascii exception") << true << text(":0103012C0001CE\r\n") << text(":0183027A\r\n");
}

void TestSlaveFraming::serialAnswersMatchDocumentedFrames()
{
    QFETCH(bool, ascii);
    QFETCH(Bytes, request);
    QFETCH(Bytes, answer);

    FakeRelay relay;
    relay.registers[0] = 11;
    relay.registers[1] = 15;
    SlaveProtocol protocol(relay, 1);
    const auto framing = makeSerialFraming(ascii ? SerialMode::Ascii : SerialMode::Rtu);
    framing->feed(request.data(), request.size());
    const auto parsed = framing->next();
    QVERIFY(parsed);
    const auto pdu = protocol.answer(*parsed, true);
    QVERIFY(pdu);
    QCOMPARE(show(framing->encode(parsed->unit, *pdu)), show(answer));
}

void TestSlaveFraming::tcpSplitAndJoinedRequests()
{
    const Bytes first = hex("12340000000601030000000A");
    const Bytes second = hex("12350000000601060001002A");
    Bytes stream = first;
    stream.insert(stream.end(), second.begin(), second.end());

    TcpFraming framing;
    // Header split inside the length field, then the rest together with a whole second request.
    framing.feed(stream.data(), 5);
    QVERIFY(!framing.next());
    framing.feed(stream.data() + 5, 6);
    QVERIFY(!framing.next());
    framing.feed(stream.data() + 11, stream.size() - 11);
    const auto a = framing.next();
    const auto b = framing.next();
    QVERIFY(a && b);
    QVERIFY(!framing.next());
    QCOMPARE(a->transaction, 0x1234);
    QCOMPARE(b->transaction, 0x1235);
    QCOMPARE(show(b->pdu), show(hex("06 0001 002A")));

    FakeRelay relay;
    relay.registers[0] = 11;
    SlaveProtocol protocol(relay, 1);
    const auto pdu = protocol.answer(*a, false);
    QVERIFY(pdu);
    // Transaction and unit echoed, length counts unit + PDU.
    QCOMPARE(show(TcpFraming::encode(a->transaction, a->unit, *pdu)).left(26),
             QByteArray("12 34 00 00 00 17 01 03 14"));
}

void TestSlaveFraming::tcpRejectsForeignProtocol()
{
    TcpFraming framing;
    const Bytes notModbus = hex("00010001000601030000000A");
    framing.feed(notModbus.data(), notModbus.size());
    QVERIFY(!framing.next());
    QVERIFY(framing.broken());

    TcpFraming tooShort;
    const Bytes lengthOne = hex("0001000000010103");
    tooShort.feed(lengthOne.data(), lengthOne.size());
    QVERIFY(!tooShort.next());
    QVERIFY(tooShort.broken());
}

void TestSlaveFraming::protocolAnswers_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<Bytes>("pdu");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("expected"); // hex of the answer PDU, "none" for no answer

    QTest::newRow("read one") << 1 << hex("0300050001") << false << QByteArray("03 02 00 05");
    QTest::newRow("read 125 is the most") << 1 << hex("0300C8007D") << false << QByteArray("83 02");
    QTest::newRow("read 126 refused") << 1 << hex("030000007E") << false << QByteArray("83 03");
    QTest::newRow("read 0 refused") << 1 << hex("0300000000") << false << QByteArray("83 03");
    QTest::newRow("read past 65535") << 1 << hex("03FFFF0002") << false << QByteArray("83 02");
    QTest::newRow("read unmapped") << 1 << hex("03012C0001") << false << QByteArray("83 02");
    QTest::newRow("write out of range") << 1 << hex("060005FFFF") << false << QByteArray("86 03");
    QTest::newRow("write unmapped") << 1 << hex("06012C0001") << false << QByteArray("86 02");
    QTest::newRow("write echoed") << 1 << hex("0600050007") << false << QByteArray("06 00 05 00 07");
    QTest::newRow("input registers not served") << 1 << hex("0400000001") << false << QByteArray("84 01");
    QTest::newRow("write multiple not served")
        << 1 << hex("10000000010200FF") << false << QByteArray("90 01");
    QTest::newRow("short read pdu") << 1 << hex("030000") << false << QByteArray("83 03");
    QTest::newRow("other unit") << 2 << hex("0300050001") << false << QByteArray("none");
    QTest::newRow("silent relay") << 1 << hex("0300050001") << true << QByteArray("none");
}

void TestSlaveFraming::protocolAnswers()
{
    QFETCH(int, unit);
    QFETCH(Bytes, pdu);
    QFETCH(bool, silent);
    QFETCH(QByteArray, expected);

    FakeRelay relay;
    relay.registers[5] = 5;
    relay.silent = silent;
    SlaveProtocol protocol(relay, 1);
    SlaveRequest request;
    request.unit = std::uint8_t(unit);
    request.pdu = pdu;
    const auto answer = protocol.answer(request, false);
    QCOMPARE(answer ? show(*answer) : QByteArray("none"), expected);
}

void TestSlaveFraming::broadcastWriteIsCarriedOutUnanswered()
{
    FakeRelay relay;
    SlaveProtocol protocol(relay, 1);
    SlaveRequest request;
    request.unit = 0;
    request.pdu = hex("0600070009");
    QVERIFY(!protocol.answer(request, true));
    QCOMPARE(relay.registers[7], 9);
    // On TCP unit 0 is just another unit.
    request.pdu = hex("0600070008");
    QVERIFY(!protocol.answer(request, false));
    QCOMPARE(relay.registers[7], 9);
}

QTEST_GUILESS_MAIN(TestSlaveFraming)
#include "tst_slave_framing.moc"
