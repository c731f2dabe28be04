// SPDX-License-Identifier: MIT
// The device search without its window: row texts, reading a row back, and
// the scan over stand-in ports (which ports are tried, second chances, short
// answers, a port that refuses its settings, stopping).

#include "SearchScan.h"
#include "ZRQ7DLL.h"

#include <QtTest>
#include <map>
#include <set>

using namespace devicesearch;

class TestSearchScan : public QObject
{
    Q_OBJECT

private slots:
    void rowTexts();
    void resultFromRow_data();
    void resultFromRow();
    void scanAsksEveryOpenPortWithSecondChances();
    void shortAnswerIsNotARelay();
    void portRefusingItsSettingsIsShownAndSkipped();
    void stopEndsBeforeTheNextExchange();
};

namespace {

// Ports and relays in memory: which names exist, which refuse their
// settings, and per port and pass framing the units that answer.
struct StandInPorts
{
    std::set<QString> existing;
    std::set<QString> refusingSetup;
    // (port, protocol, address) -> the answer's bytes; anything else is silent.
    std::map<std::tuple<QString, uint32_t, int>, QByteArray> answers;
    // Per (port, address), silences before the answer comes.
    std::map<std::pair<QString, int>, int> silentFirst;

    QString open;
    uint32_t protocol = 0;
    QStringList opened;
    QList<int> asked; // addresses in the order asked
    int closes = 0;
    std::function<void()> onRead;

    SearchLink link()
    {
        SearchLink l;
        l.setIOTimeout = [](uint32_t t) { QCOMPARE(t, 150u); };
        l.setIOProtocol = [this](uint32_t p) { protocol = p; };
        l.portExists = [this](const QString& port) { return existing.count(port) > 0; };
        l.comOpen = [this](const QString& port) {
            opened << port;
            open = port;
            return 0;
        };
        l.comSetup = [this](uint32_t, uint32_t, uint32_t, uint32_t) {
            return refusingSetup.count(open) ? -2 : 0;
        };
        l.comClose = [this] {
            ++closes;
            open.clear();
            return 0;
        };
        l.read03 = [this](uint32_t address, uint32_t first, uint32_t count, uint8_t* buffer, uint32_t size,
                          uint32_t) -> int32_t {
            if (onRead)
                onRead();
            asked << int(address);
            if (first != 0 || count != 2 || size != 10)
                return -100;
            for (uint32_t i = 0; i < size; ++i)
                if (buffer[i] != 0)
                    return -100; // every question starts from a cleared buffer
            int& silences = silentFirst[{open, int(address)}];
            if (silences > 0) {
                --silences;
                return -102;
            }
            const auto it = answers.find({open, protocol, int(address)});
            if (it == answers.end())
                return -102;
            std::copy(it->second.begin(), it->second.end(), buffer);
            return int32_t(it->second.size());
        };
        return l;
    }
};

QByteArray relayAnswer(uint16_t id, uint16_t version)
{
    const char bytes[] = {char(id >> 8), char(id), char(version >> 8), char(version)};
    return QByteArray(bytes, sizeof bytes);
}

struct Scan
{
    QStringList texts;
    QList<QStringList> rows;
    QList<int> pauses;

    ScanListener listener()
    {
        return {[this](const QString& t) { texts << t; }, [this](const FoundDevice& d) { rows << d.cells(); },
                [this](std::chrono::milliseconds ms) { pauses << int(ms.count()); }};
    }
};

} // namespace

void TestSearchScan::rowTexts()
{
    QCOMPARE(settingsText(searchPasses[0]), QStringLiteral("9600 8 Nie 2 150 RTU"));
    QCOMPARE(settingsText(searchPasses[1]), QStringLiteral("19200 8 Nie 2 150 RTU"));
    QCOMPARE(settingsText(searchPasses[2]), QStringLiteral("9600 7 Nie 2 150 ASCII"));
    QCOMPARE(settingsText(searchPasses[3]), QStringLiteral("19200 7 Nie 2 150 ASCII"));
    QCOMPARE(foundDevice(3, searchPasses[1], 5, 12).cells(),
             (QStringList{"COM3", "ZRQ-7/8 wersja12", "5", "19200 8 Nie 2 150 RTU"}));
}

void TestSearchScan::resultFromRow_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("texts"); // speed, data bits, parity, stop bits, framing
    QTest::addColumn<uint>("timeout");
    QTest::newRow("a row") << QStringLiteral("19200 8 Nie 2 150 RTU")
                           << QStringList{"19200", "8", "Nie", "2", "RTU"} << 150u;
    QTest::newRow("missing words stay empty")
        << QStringLiteral("9600 7") << QStringList{"9600", "7", "", "", ""} << 0u;
    QTest::newRow("time-out not a number")
        << QStringLiteral("9600 7 Nie 1 x ASCII") << QStringList{"9600", "7", "Nie", "1", "ASCII"} << 0u;
}

void TestSearchScan::resultFromRow()
{
    QFETCH(QString, settings);
    QFETCH(QStringList, texts);
    QFETCH(uint, timeout);
    const DeviceSearchResult r =
        devicesearch::resultFromRow(QStringLiteral("COM7"), QStringLiteral("12"), settings);
    QCOMPARE(r.portName, QStringLiteral("COM7"));
    QCOMPARE(r.deviceAddress, 12);
    QCOMPARE((QStringList{r.baudRate, r.dataBits, r.parity, r.stopBits, r.protocol}), texts);
    QCOMPARE(r.responseTimeout, timeout);

    const DeviceSearchResult d = defaultResult();
    QCOMPARE((QStringList{d.portName, d.baudRate, d.dataBits, d.parity, d.stopBits, d.protocol}),
             (QStringList{"COM1", "9600", "8", "Nie", "2", "RTU"}));
    QCOMPARE(d.responseTimeout, 150u);
    QCOMPARE(d.deviceAddress, 1);
}

void TestSearchScan::scanAsksEveryOpenPortWithSecondChances()
{
    StandInPorts ports;
    ports.existing = {"COM2", "COM4"};
    ports.answers[{"COM4", 0, 2}] = relayAnswer(uint16_t(dll_nID), 12);
    ports.answers[{"COM4", 1, 3}] = relayAnswer(uint16_t(dll_nID), 9);
    ports.answers[{"COM2", 0, 1}] = relayAnswer(99, 12); // another kind of device
    ports.silentFirst[{"COM4", 2}] = 1;                  // answers at its second chance
    Scan scan;
    std::atomic<bool> running{true};
    runScan(ports.link(), {1, 5, 1, 3}, 0, running, scan.listener());

    QCOMPARE(ports.opened, (QStringList{"COM2", "COM4", "COM2", "COM4", "COM2", "COM4", "COM2", "COM4"}));
    QCOMPARE(ports.closes, 8);
    QCOMPARE(scan.rows, (QList<QStringList>{{"COM4", "ZRQ-7/8 wersja12", "2", "9600 8 Nie 2 150 RTU"},
                                            {"COM4", "ZRQ-7/8 wersja12", "2", "19200 8 Nie 2 150 RTU"},
                                            {"COM4", "ZRQ-7/8 wersja9", "3", "9600 7 Nie 2 150 ASCII"},
                                            {"COM4", "ZRQ-7/8 wersja9", "3", "19200 7 Nie 2 150 ASCII"}}));
    QCOMPARE(scan.texts.first(),
             QStringLiteral("Rozpoczęto wyszukiwanie urządzenia ZRQ-7/8 na\r\ndostępnych portach COM..."));
    QVERIFY(scan.texts.contains(
        QStringLiteral("Otwieranie COM4... OK\r\nKonfiguracja... OK\r\nWyszukiwanie ZRQ-7/8... id:3")));
    // Pass 1: COM2 asked 5 times (1 answers), then COM4: 1 silent twice, 2 silent once then found, 3 silent
    // twice.
    QCOMPARE(ports.asked.mid(5, 6), (QList<int>{1, 1, 2, 2, 3, 3}));
    QVERIFY(running);
}

void TestSearchScan::shortAnswerIsNotARelay()
{
    StandInPorts ports;
    ports.existing = {"COM1"};
    ports.answers[{"COM1", 0, 1}] = relayAnswer(uint16_t(dll_nID), 12);
    ports.answers[{"COM1", 0, 2}] = relayAnswer(uint16_t(dll_nID), 12).left(2); // one register only
    Scan scan;
    std::atomic<bool> running{true};
    runScan(ports.link(), {1, 1, 1, 2}, 0, running, scan.listener());
    // Both RTU passes find address 1; address 2 never.
    QCOMPARE(scan.rows.size(), 2);
    QCOMPARE(scan.rows[0][2], QStringLiteral("1"));
    QCOMPARE(scan.rows[1][2], QStringLiteral("1"));
    // A short answer is an answer: no second chance for address 2.
    QCOMPARE(ports.asked.mid(0, 2), (QList<int>{1, 2}));
}

void TestSearchScan::portRefusingItsSettingsIsShownAndSkipped()
{
    StandInPorts ports;
    ports.existing = {"COM9"};
    ports.refusingSetup = {"COM9"};
    Scan scan;
    std::atomic<bool> running{true};
    runScan(ports.link(), {9, 9, 1, 247}, 0, running, scan.listener());
    QVERIFY(ports.asked.isEmpty());
    QCOMPARE(ports.closes, 4);
    QCOMPARE(scan.pauses, (QList<int>{2000, 2000, 2000, 2000}));
    QCOMPARE(scan.texts.last(), QStringLiteral("Otwieranie COM9... OK\r\nKonfiguracja... błąd!"));
}

void TestSearchScan::stopEndsBeforeTheNextExchange()
{
    StandInPorts ports;
    ports.existing = {"COM1", "COM2"};
    std::atomic<bool> running{true};
    ports.onRead = [&] {
        if (ports.asked.size() == 6)
            running = false; // the operator presses "Zatrzymaj" during the 7th question
    };
    Scan scan;
    runScan(ports.link(), {1, 2, 1, 247}, 0, running, scan.listener());
    QCOMPARE(ports.asked.size(), 7);
    QCOMPARE(ports.opened, QStringList{"COM1"});
    QCOMPARE(ports.closes, 1);
}

QTEST_GUILESS_MAIN(TestSearchScan)
#include "tst_search_scan.moc"
