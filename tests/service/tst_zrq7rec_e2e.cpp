// SPDX-License-Identifier: MIT
// zrq7rec end to end: the real program against the relay simulator (Modbus TCP,
// and RTU on a pseudo-terminal with two relays on one line) and a real Mosquitto
// broker, both started here. The simulator's measurement registers are pinned by
// its script, so what the broker and the day files receive is compared with what
// the panel's decoding makes of those registers. Then the faults: the broker
// stopped and started again, a relay falling silent and the serial device
// unplugged, the program killed and started again.
#include "BlockDecoding.h"
#include "ClearOfMidnight.h"
#include "DayFile.h"
#include "FaultList.h"
#include "MosquittoBroker.h"
#include "NotifySocket.h"
#include "SimulatorProcess.h"
#include "StopProcess.h"
#include "ZRQ7DLL.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <csignal>
#include <map>
#include <optional>

using zrq7::test::MosquittoBroker;
using zrq7::test::MqttMessage;
using zrq7::test::MqttSubscriber;
using zrq7::test::NotifySocket;
using zrq7::test::SimulatorProcess;

namespace {

const QString topicPrefix = QStringLiteral("zakład/hala");

// Registers a relay is pinned to, and the slot values the panel's decoding gives for them.
struct PinnedRelay
{
    int unit = 1;
    std::array<uint16_t, 4> settings{}; // 150-153: transformer rating, rated current, -, averaging period
    std::array<uint16_t, 6> currents{}; // 30-35
    std::array<uint16_t, 9> voltages{}; // 45-53
    std::array<uint16_t, 9> powers{};   // 60-68
    int trippedBit = -1;                // a fault tripped with tripValue
    int tripValue = 0;

    QStringList script(bool withUnit) const
    {
        QStringList lines;
        const QString prefix = withUnit ? QStringLiteral("at 0 unit %1 ").arg(unit) : QStringLiteral("at 0 ");
        const auto pin = [&](int first, auto registers) {
            for (std::size_t i = 0; i < registers.size(); ++i)
                lines << prefix + QStringLiteral("set %1 %2").arg(first + int(i)).arg(registers[i]);
        };
        pin(150, settings);
        pin(30, currents);
        pin(45, voltages);
        pin(60, powers);
        if (trippedBit >= 0)
            lines << prefix + QStringLiteral("trip %1 value %2").arg(trippedBit).arg(tripValue);
        return lines;
    }

    int currentScale() const { return pollcycle::decodeCurrentSettings(settings).currentScale; }

    // Catalogue entry -> slot value, for the entries these registers decide.
    std::map<int, int32_t> expectedSlots() const
    {
        std::map<int, int32_t> expected;
        const auto take = [&](const auto& update) {
            for (int i = 0; i < update.slotCount; ++i)
                expected[update.firstSlot + i] = update.values[std::size_t(i)];
        };
        take(pollcycle::decodeCurrents(currents, currentScale()));
        take(pollcycle::decodeVoltages(voltages));
        take(pollcycle::decodePowers(powers));
        return expected;
    }
};

PinnedRelay relayOne()
{
    PinnedRelay relay;
    relay.unit = 1;
    relay.settings = {50, 42, 0, 60}; // rating up to 100 A: the relay counts tenths
    relay.currents = {357, 361, 349, 355, 4, 2};
    relay.voltages = {231, 229, 233, 400, 398, 402, 231, 2, 1};
    relay.powers = {0, 2456, 0, 2210, 0, 1071, 901, 899, 902};
    relay.trippedBit = 3;
    relay.tripValue = 120;
    return relay;
}

PinnedRelay relayFive()
{
    PinnedRelay relay;
    relay.unit = 5;
    relay.settings = {200, 150, 0, 60}; // above 100 A: whole amperes, times 10
    relay.currents = {36, 35, 37, 36, 1, 0};
    relay.voltages = {228, 227, 229, 395, 394, 396, 228, 1, 0};
    relay.powers = {1, 1234, 0, 4321, 0, 777, 850, 851, 849};
    return relay;
}

QString catalogueName(int k)
{
    return QString::fromUtf16(dll_nMeasureInfo[k].szName);
}

// zrq7rec as a real process owned by the test.
class ServiceProcess
{
public:
    ~ServiceProcess() { zrq7::test::stopProcess(m_process); }

    bool start(const QStringList& args,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        m_log.clear();
        m_process.setProcessEnvironment(environment);
        m_process.setProgram(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/zrq7rec"));
        m_process.setArguments(args);
        m_process.start();
        return m_process.waitForStarted(5000);
    }
    QString log()
    {
        m_log += QString::fromUtf8(m_process.readAllStandardError());
        return m_log;
    }
    int count(const QString& part) { return int(log().count(part)); }
    bool waitFor(const QString& part, int times = 1, int timeoutMs = 20000)
    {
        return QTest::qWaitFor([&] { return count(part) >= times; }, timeoutMs);
    }
    // SIGTERM; the exit code (-1 when it crashed or did not end) and how long it took.
    std::pair<int, qint64> terminate()
    {
        QElapsedTimer timer;
        timer.start();
        m_process.terminate();
        const bool ended = m_process.waitForFinished(10000);
        const qint64 took = timer.elapsed();
        log();
        if (!ended || m_process.exitStatus() != QProcess::NormalExit)
            return {-1, took};
        return {m_process.exitCode(), took};
    }
    void kill()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
        log();
    }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    QString m_log;
};

QString writeScript(const QTemporaryDir& dir, const QStringList& lines)
{
    const QString path = dir.filePath(QStringLiteral("scenario.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    return path;
}

// Every record of every day file in a folder, in time order (files by date).
std::vector<_tagSTRUCT_DATA> recordsIn(const QString& folder, bool* allValid = nullptr)
{
    std::vector<std::pair<std::tuple<int, int, int>, std::vector<_tagSTRUCT_DATA>>> days;
    bool valid = true;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.db")}, QDir::Files)) {
        const DbFileContents contents = ReadDbFile((folder + QLatin1Char('/') + name).toStdString());
        valid = valid && contents.status == DbReadStatus::Ok;
        days.push_back({{contents.date.year, contents.date.month, contents.date.day}, contents.records});
    }
    std::sort(days.begin(), days.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<_tagSTRUCT_DATA> records;
    for (auto& day : days)
        records.insert(records.end(), day.second.begin(), day.second.end());
    if (allValid)
        *allValid = valid && !days.empty();
    return records;
}

int secondOfDay(const _tagSTRUCT_DATA& record)
{
    return record.stTime.wHour * 3600 + record.stTime.wMinute * 60 + record.stTime.wSecond;
}

// Whether a run recorded once a second holds a record for every interval: times rise,
// and a step of two seconds is the most there is. A wake-up more than half a second late
// on a loaded machine stamps its record with the next second (the recorder's steady beat
// then goes on from there), so one second may go without a stamp of its own; a lost
// interval, a stalled poll or a restarted beat shows as a longer step. Within one day
// (tests do not cross midnight: init() waits for it when it is near).
bool everyIntervalRecorded(const std::vector<_tagSTRUCT_DATA>& records)
{
    if (records.empty())
        return false;
    int slipped = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const int step = secondOfDay(records[i]) - secondOfDay(records[i - 1]);
        if (step < 1 || step > 2)
            return false;
        slipped += step - 1;
    }
    return slipped <= 2;
}

std::optional<QJsonObject> lastMeasurementsWithLink(MqttSubscriber& subscriber, const QString& topic)
{
    const auto messages = subscriber.messagesOn(topic);
    for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
        const QJsonObject object = QJsonDocument::fromJson(it->payload).object();
        if (object.value(QStringLiteral("link")).toInt() == 1 &&
            !object.value(QStringLiteral("values")).toObject().isEmpty())
            return object;
    }
    return std::nullopt;
}

QString unitTopic(int unit, const char* leaf)
{
    return QStringLiteral("%1/%2/%3").arg(topicPrefix).arg(unit).arg(QLatin1String(leaf));
}

// What the service works with: a relay simulator, a broker with a subscriber on the
// service's topics, and a folder for the day files.
struct Surroundings
{
    QTemporaryDir work;
    std::optional<SimulatorProcess> simulator;
    MosquittoBroker broker;
    std::unique_ptr<MqttSubscriber> subscriber;

    // Starts the three; "" or what failed.
    QString start(const QStringList& simulatorArgs)
    {
        simulator.emplace(simulatorArgs);
        if (!simulator->start())
            return simulator->errorString();
        if (!broker.start())
            return broker.errorString();
        return subscribe();
    }
    // A fresh subscriber (after the broker came back).
    QString subscribe()
    {
        subscriber = std::make_unique<MqttSubscriber>(broker.port(), topicPrefix + QStringLiteral("/#"));
        return subscriber->start() ? QString() : subscriber->errorString();
    }
    QString path(const QString& name) const { return work.filePath(name); }
    QString db() const { return path(QStringLiteral("db")); }
    QString tcpLink() const { return QStringLiteral("127.0.0.1:%1").arg(simulator->tcpPort()); }
    // The service's options for the folder and the broker.
    QStringList serviceArgs() const
    {
        return {"--db-dir", db(), "--mqtt", broker.url(), "--mqtt-topic", topicPrefix};
    }
};

} // namespace

class TestZrq7recE2e : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { waitUntilClearOfMidnight(std::chrono::seconds(90)); }
    void tcpRecordsAndPublishes();
    void twoUnitsOnOneRtuLine();
    void brokerStoppedAndRestarted();
    void silentRelayAndUnpluggedLine();
    void killedServiceAppendsOnRestart();
    void linkFromPanelProfile();
    void stopsInTimeWhileARelayIsSilent();
    void tellsSystemd();
    void badOptionsExit2_data();
    void badOptionsExit2();

private:
    // What the broker and the day file hold for a pinned relay equals the panel's decoding.
    void verifyPinnedValues(MqttSubscriber& subscriber, const PinnedRelay& relay, const QString& folder);
};

void TestZrq7recE2e::initTestCase()
{
    if (!QFile::exists(QStringLiteral("/usr/sbin/mosquitto")))
        QSKIP("mosquitto is not installed (scripts/bootstrap installs it)");
}

void TestZrq7recE2e::verifyPinnedValues(MqttSubscriber& subscriber, const PinnedRelay& relay,
                                        const QString& folder)
{
    const auto expected = relay.expectedSlots();

    const std::optional<QJsonObject> measurements =
        lastMeasurementsWithLink(subscriber, unitTopic(relay.unit, "measurements"));
    QVERIFY2(measurements, qPrintable(QStringLiteral("no measurements of unit %1").arg(relay.unit)));
    const QJsonObject values = measurements->value(QStringLiteral("values")).toObject();
    for (const auto& [k, slot] : expected) {
        const QString name = catalogueName(k);
        QVERIFY2(values.contains(name), qPrintable(name));
        const uint32_t divisor = std::max<uint32_t>(dll_nMeasureInfo[k].nDivisor, 1);
        QCOMPARE(qRound64(values.value(name).toDouble() * divisor), qint64(slot));
    }

    // The day file: records with the link up hold the same slots.
    bool valid = false;
    const auto records = recordsIn(folder, &valid);
    QVERIFY(valid);
    int linked = 0;
    for (const _tagSTRUCT_DATA& record : records) {
        if (record.nLinkState != 1 || record.nValue[std::size_t(expected.begin()->first)] == 0)
            continue; // not yet polled
        ++linked;
        for (const auto& [k, slot] : expected)
            QCOMPARE(record.nValue[std::size_t(k)], slot);
    }
    QVERIFY(linked >= 1);
}

void TestZrq7recE2e::tcpRecordsAndPublishes()
{
    Surroundings around;
    const PinnedRelay relay = relayOne();
    const QString failed =
        around.start({"--tcp", "0", "--script", writeScript(around.work, relay.script(false))});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    MqttSubscriber& subscriber = *around.subscriber;
    const QString db = around.db();
    ServiceProcess service;
    QVERIFY(service.start(QStringList{"--tcp", around.tcpLink(), "--interval", "1"} + around.serviceArgs()));
    QVERIFY2(service.waitFor(QStringLiteral("gotowy")), qPrintable(service.log()));

    // status online, the identity, and measurements with the pinned values.
    QVERIFY(QTest::qWaitFor(
        [&] { return lastMeasurementsWithLink(subscriber, unitTopic(1, "measurements")).has_value(); },
        15000));
    QVERIFY(QTest::qWaitFor([&] { return subscriber.messagesOn(unitTopic(1, "measurements")).size() >= 4; },
                            15000));
    const auto status = subscriber.messagesOn(unitTopic(1, "status"));
    QVERIFY(!status.empty());
    QCOMPARE(status.back().payload, QByteArray("online"));
    QVERIFY(status.back().retained);
    QCOMPARE(status.back().qos, 1);
    const auto identity = subscriber.messagesOn(unitTopic(1, "identity"));
    QVERIFY(!identity.empty());
    const QJsonObject id = QJsonDocument::fromJson(identity.back().payload).object();
    QCOMPARE(id.value(QStringLiteral("id")).toInt(), 11);
    QCOMPARE(id.value(QStringLiteral("firmware")).toInt(), 12);
    QCOMPARE(id.value(QStringLiteral("unit")).toInt(), 1);
    QCOMPARE(id.value(QStringLiteral("link")).toString(), QStringLiteral("tcp ") + around.tcpLink());

    // The tripped fault, with the value text the panel's list shows.
    const QString expectedValue =
        pollcycle::faultValueText(relay.trippedBit, uint16_t(relay.tripValue), relay.currentScale());
    QVERIFY(QTest::qWaitFor(
        [&] {
            const auto faults = subscriber.messagesOn(unitTopic(1, "faults"));
            if (faults.empty())
                return false;
            for (const auto& fault : QJsonDocument::fromJson(faults.back().payload).array())
                if (fault.toObject().value(QStringLiteral("code")).toInt() == relay.trippedBit)
                    return fault.toObject().value(QStringLiteral("value")).toString() == expectedValue;
            return false;
        },
        15000));

    const auto [code, took] = service.terminate();
    QCOMPARE(code, 0);
    QVERIFY2(took < 2000, qPrintable(QString::number(took)));
    QVERIFY(QTest::qWaitFor(
        [&] { return subscriber.messagesOn(unitTopic(1, "status")).back().payload == "offline"; }, 5000));

    verifyPinnedValues(subscriber, relay, db);
    bool valid = false;
    const auto records = recordsIn(db, &valid);
    QVERIFY(records.size() >= 4);
    QVERIFY(everyIntervalRecorded(records));
    // The tripped fault's flag is in the records taken after its status block.
    QVERIFY(std::any_of(records.begin(), records.end(),
                        [&](const auto& r) { return r.bFaultActive[std::size_t(relay.trippedBit)] == 1; }));
    QCOMPARE(service.count(QStringLiteral("plik otwarty")), 1);
    QCOMPARE(service.count(QStringLiteral("plik zamknięty")), 1);
}

void TestZrq7recE2e::twoUnitsOnOneRtuLine()
{
    Surroundings around;
    const PinnedRelay one = relayOne();
    const PinnedRelay five = relayFive();
    const QString pty = around.path(QStringLiteral("COM7"));
    const QString failed = around.start({"--unit", "1,5", "--pty", pty, "--baud", "19200", "--script",
                                         writeScript(around.work, one.script(true) + five.script(true))});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    MqttSubscriber& subscriber = *around.subscriber;
    const QString db = around.db();
    ServiceProcess service;
    QVERIFY(service.start(QStringList{"--serial", pty, "--rtu", "--baud", "19200", "--unit", "1,5"} +
                          around.serviceArgs()));
    QVERIFY2(service.waitFor(QStringLiteral("gotowy")), qPrintable(service.log()));
    for (const PinnedRelay* relay : {&one, &five}) {
        QVERIFY2(
            QTest::qWaitFor(
                [&] {
                    const auto m =
                        lastMeasurementsWithLink(subscriber, unitTopic(relay->unit, "measurements"));
                    return m &&
                           m->value(QStringLiteral("values")).toObject().value(catalogueName(0)).toDouble() !=
                               0.0;
                },
                20000),
            qPrintable(service.log()));
        const auto identity = subscriber.messagesOn(unitTopic(relay->unit, "identity"));
        QVERIFY(!identity.empty());
        QCOMPARE(
            QJsonDocument::fromJson(identity.back().payload).object().value(QStringLiteral("unit")).toInt(),
            relay->unit);
    }
    QVERIFY(QTest::qWaitFor([&] { return subscriber.messagesOn(unitTopic(5, "measurements")).size() >= 3; },
                            10000));
    const auto [code, took] = service.terminate();
    QCOMPARE(code, 0);
    QVERIFY2(took < 2000, qPrintable(QString::number(took)));

    // Each unit its own folder, its own values.
    verifyPinnedValues(subscriber, one, db + QStringLiteral("/1"));
    verifyPinnedValues(subscriber, five, db + QStringLiteral("/5"));
    QVERIFY(QDir(db).entryList({QStringLiteral("*.db")}, QDir::Files).isEmpty());
    for (const QString& unit : {QStringLiteral("1"), QStringLiteral("5")})
        QVERIFY(everyIntervalRecorded(recordsIn(db + QLatin1Char('/') + unit)));
    for (const int unit : {1, 5})
        QVERIFY(QTest::qWaitFor(
            [&] { return subscriber.messagesOn(unitTopic(unit, "status")).back().payload == "offline"; },
            5000));
}

void TestZrq7recE2e::brokerStoppedAndRestarted()
{
    Surroundings around;
    const QString failed = around.start({"--tcp", "0"});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const QString db = around.db();
    ServiceProcess service;
    QVERIFY(service.start(QStringList{"--tcp", around.tcpLink()} + around.serviceArgs()));
    QVERIFY(QTest::qWaitFor(
        [&] { return around.subscriber->messagesOn(unitTopic(1, "measurements")).size() >= 2; }, 15000));

    // The broker goes for a few seconds; recording goes on.
    around.subscriber.reset();
    around.broker.stop();
    QVERIFY2(service.waitFor(QStringLiteral("utracono połączenie z brokerem")), qPrintable(service.log()));
    const std::size_t recordsWhileDown = recordsIn(db).size();
    QVERIFY(QTest::qWaitFor([&] { return recordsIn(db).size() >= recordsWhileDown + 3; }, 10000));
    QVERIFY2(around.broker.start(), qPrintable(around.broker.errorString()));
    QElapsedTimer back;
    back.start();

    // A fresh broker knows nothing: the retained topics come again, and measurements within 10 s.
    const QString subscribed = around.subscribe();
    QVERIFY2(subscribed.isEmpty(), qPrintable(subscribed));
    MqttSubscriber& subscriber = *around.subscriber;
    QVERIFY(
        QTest::qWaitFor([&] { return !subscriber.messagesOn(unitTopic(1, "measurements")).empty(); }, 12000));
    QVERIFY2(back.elapsed() <= 10000 + 1000, qPrintable(QString::number(back.elapsed())));
    const auto status = subscriber.messagesOn(unitTopic(1, "status"));
    QVERIFY(!status.empty());
    QCOMPARE(status.back().payload, QByteArray("online"));
    QVERIFY(status.back().retained);
    QVERIFY(!subscriber.messagesOn(unitTopic(1, "identity")).empty());
    QVERIFY(!subscriber.messagesOn(unitTopic(1, "faults")).empty());

    QCOMPARE(service.terminate().first, 0);
    bool valid = false;
    const auto records = recordsIn(db, &valid);
    QVERIFY(valid);
    QVERIFY(everyIntervalRecorded(records));
}

void TestZrq7recE2e::silentRelayAndUnpluggedLine()
{
    // Unit 5 falls silent for 8 s (unit 1 goes on), then the whole line is unplugged for 4 s.
    Surroundings around;
    const QString pty = around.path(QStringLiteral("COM8"));
    const QString failed =
        around.start({"--unit", "1,5", "--pty", pty, "--baud", "19200", "--script",
                      writeScript(around.work, {"at 3 unit 5 silent 8", "at 17 unplug 4"})});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    MqttSubscriber& subscriber = *around.subscriber;
    const QString db = around.db();
    ServiceProcess service;
    QVERIFY(service.start(QStringList{"--serial", pty, "--baud", "19200", "--unit", "1,5", "--timeout", "200",
                                      "--retries", "1"} +
                          around.serviceArgs()));

    const QString lost5 = QStringLiteral("przekaźnik 5: łącze utracone");
    const QString back5 = QStringLiteral("przekaźnik 5: łącze przywrócone");
    const QString lost1 = QStringLiteral("przekaźnik 1: łącze utracone");
    const QString back1 = QStringLiteral("przekaźnik 1: łącze przywrócone");
    QVERIFY2(service.waitFor(lost5, 1, 20000), qPrintable(service.log()));
    QVERIFY2(service.waitFor(back5, 1, 15000), qPrintable(service.log()));
    // Unit 1 kept answering meanwhile.
    QCOMPARE(service.count(lost1), 0);
    // The unplugged line: both lost, both back once the device returns.
    QVERIFY2(service.waitFor(lost1, 1, 20000), qPrintable(service.log()));
    QVERIFY2(service.waitFor(lost5, 2, 20000), qPrintable(service.log()));
    QVERIFY2(service.waitFor(back1, 1, 30000), qPrintable(service.log()));
    QVERIFY2(service.waitFor(back5, 2, 30000), qPrintable(service.log()));

    // Both record with the link up again.
    for (const int unit : {1, 5})
        QVERIFY(QTest::qWaitFor(
            [&] {
                const auto records = recordsIn(db + QStringLiteral("/%1").arg(unit));
                return !records.empty() && records.back().nLinkState == 1;
            },
            10000));

    // Unit 5's faults went to the link-lost fault and back.
    const auto linkLostOnly = [](const MqttMessage& m) {
        const auto list = QJsonDocument::fromJson(m.payload).array();
        return list.size() == 1 &&
               list[0].toObject().value(QStringLiteral("code")).toInt() == pollcycle::linkLostFault;
    };
    QVERIFY(QTest::qWaitFor(
        [&] {
            const auto faults = subscriber.messagesOn(unitTopic(5, "faults"));
            return std::any_of(faults.begin(), faults.end(), linkLostOnly) &&
                   QJsonDocument::fromJson(faults.back().payload).array().isEmpty();
        },
        10000));
    QCOMPARE(service.terminate().first, 0);

    // Every second recorded for both, link state 0 records while lost, with the link-lost flag.
    for (const int unit : {1, 5}) {
        bool valid = false;
        const auto records = recordsIn(db + QStringLiteral("/%1").arg(unit), &valid);
        QVERIFY(valid);
        QVERIFY(everyIntervalRecorded(records));
        const auto silent = std::count_if(records.begin(), records.end(), [](const _tagSTRUCT_DATA& r) {
            return r.nLinkState == 0 && r.bFaultActive[pollcycle::linkLostFault] == 1 && r.nValue[15] == 0;
        });
        QVERIFY2(silent >= 1, qPrintable(QString::number(silent)));
        QCOMPARE(records.back().nLinkState, 1);
    }
}

void TestZrq7recE2e::killedServiceAppendsOnRestart()
{
    QTemporaryDir work;
    SimulatorProcess simulator({"--tcp", "0"});
    QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
    const QString db = work.filePath(QStringLiteral("db"));
    const QStringList args{"--tcp", QStringLiteral("127.0.0.1:%1").arg(simulator.tcpPort()), "--db-dir", db};

    ServiceProcess first;
    QVERIFY(first.start(args));
    QVERIFY(QTest::qWaitFor([&] { return recordsIn(db).size() >= 3; }, 15000));
    first.kill();
    const auto before = recordsIn(db);

    ServiceProcess second;
    QVERIFY(second.start(args));
    QVERIFY(QTest::qWaitFor([&] { return recordsIn(db).size() >= before.size() + 3; }, 15000));
    QCOMPARE(second.terminate().first, 0);

    bool valid = false;
    const auto after = recordsIn(db, &valid);
    QVERIFY(valid);
    // The first run's records are all still there, in front of the second run's.
    QVERIFY(after.size() >= before.size() + 3);
    for (std::size_t i = 0; i < before.size(); ++i)
        QCOMPARE(EncodeDbRecord(after[i]), EncodeDbRecord(before[i]));
    // Times go on rising across the restart: the second run appended, it overwrote nothing.
    for (std::size_t i = 1; i < after.size(); ++i)
        QVERIFY(secondOfDay(after[i]) > secondOfDay(after[i - 1]));
}

void TestZrq7recE2e::linkFromPanelProfile()
{
    // No link options: the panel's profile (written as the panel writes it) names the relay.
    QTemporaryDir work;
    SimulatorProcess simulator({"--tcp", "0"});
    QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
    const QString link = QStringLiteral("127.0.0.1:%1").arg(simulator.tcpPort());
    QCOMPARE(QProcess::execute(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/zrq7_demo_profile"),
                               {"--tcp", link}),
             0);
    ServiceProcess service;
    QVERIFY(service.start({"--db-dir", work.filePath(QStringLiteral("db"))}));
    QVERIFY2(service.waitFor(QStringLiteral("przekaźnik 1: połączono (tcp ") + link),
             qPrintable(service.log()));
    QCOMPARE(service.terminate().first, 0);
}

void TestZrq7recE2e::stopsInTimeWhileARelayIsSilent()
{
    // A read waits 5 s for a relay that never answers: SIGTERM still ends the
    // program within 2 s, with the day file closed whole.
    QTemporaryDir work;
    SimulatorProcess simulator({"--tcp", "0", "--script", writeScript(work, {"at 0 silent 120"})});
    QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
    const QString db = work.filePath(QStringLiteral("db"));
    ServiceProcess service;
    QVERIFY(service.start({"--tcp", QStringLiteral("127.0.0.1:%1").arg(simulator.tcpPort()), "--timeout",
                           "5000", "--retries", "0", "--db-dir", db}));
    QVERIFY(QTest::qWaitFor([&] { return recordsIn(db).size() >= 2; }, 10000));
    const auto [code, took] = service.terminate();
    QCOMPARE(code, 0);
    QVERIFY2(took < 2000, qPrintable(QString::number(took)));
    bool valid = false;
    const auto records = recordsIn(db, &valid);
    QVERIFY(valid);
    QCOMPARE(records.back().nLinkState, 0);
    QVERIFY2(service.count(QStringLiteral("zrq7rec: koniec bez czekania")) == 1, qPrintable(service.log()));
}

void TestZrq7recE2e::tellsSystemd()
{
    // Under a Type=notify unit with WatchdogSec=: READY=1 once the relay was tried, then
    // WATCHDOG=1 while the poll reads, and STOPPING=1 at SIGTERM.
    QTemporaryDir work;
    SimulatorProcess simulator({"--tcp", "0"});
    QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
    NotifySocket systemd(work.filePath(QStringLiteral("notify")));
    QVERIFY(systemd.bound());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NOTIFY_SOCKET"), work.filePath(QStringLiteral("notify")));
    environment.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("4000000"));
    ServiceProcess service;
    QVERIFY(service.start({"--tcp", QStringLiteral("127.0.0.1:%1").arg(simulator.tcpPort()), "--db-dir",
                           work.filePath(QStringLiteral("db"))},
                          environment));
    QCOMPARE(systemd.receive(10000), QByteArray("READY=1"));
    QVERIFY2(service.waitFor(QStringLiteral("przekaźnik 1: połączono")), qPrintable(service.log()));
    for (int beat = 0; beat < 3; ++beat)
        QCOMPARE(systemd.receive(3000), QByteArray("WATCHDOG=1"));
    service.process().terminate();
    QByteArray last;
    for (QByteArray next = systemd.receive(3000); !next.isEmpty(); next = systemd.receive(3000))
        last = next;
    QCOMPARE(last, QByteArray("STOPPING=1"));
    QVERIFY(service.process().waitForFinished(5000));
    QCOMPARE(service.process().exitCode(), 0);
}

void TestZrq7recE2e::badOptionsExit2_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--speed", "9600"};
    QTest::newRow("interval out of range") << QStringList{"--tcp", "127.0.0.1:502", "--interval", "0"};
    QTest::newRow("two links") << QStringList{"--tcp", "127.0.0.1:502", "--serial", "COM1"};
    QTest::newRow("bad broker") << QStringList{"--tcp", "127.0.0.1:502", "--mqtt", "http://broker"};
}

void TestZrq7recE2e::badOptionsExit2()
{
    QFETCH(QStringList, args);
    QProcess process;
    process.start(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/zrq7rec"), args);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("użycie: zrq7rec")), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestZrq7recE2e)
#include "tst_zrq7rec_e2e.moc"
