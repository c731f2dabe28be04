// SPDX-License-Identifier: MIT
// The publisher against a real Mosquitto broker that the test starts, with a
// subscriber (mosquitto_sub) watching: the four topics with their exact payloads,
// QoS and retained flags; a broker that is down, restarted, silent or refusing;
// the last will of a publisher that is killed.
#include "MosquittoBroker.h"
#include "MqttPublisher.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace zrq7rec;
using zrq7::test::MosquittoBroker;
using zrq7::test::MqttMessage;
using zrq7::test::MqttSubscriber;

namespace {

const QString prefix = QStringLiteral("plant/hall");

MqttSettings settingsFor(quint16 port)
{
    MqttSettings settings;
    settings.endpoint = {"127.0.0.1", port, false};
    settings.topicPrefix = prefix.toStdString();
    return settings;
}

// Log lines from the publisher's thread.
struct LogLines
{
    std::mutex lock;
    std::vector<std::string> lines;

    MqttPublisher::Log sink()
    {
        return [this](const std::string& line) {
            std::lock_guard guard(lock);
            lines.push_back(line);
        };
    }
    bool contains(const std::string& part)
    {
        std::lock_guard guard(lock);
        for (const std::string& line : lines)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }
};

UnitReading readingAt(std::time_t time)
{
    UnitReading reading;
    reading.time = time;
    reading.linkState = 1;
    reading.values[0] = 357;
    reading.values[33] = 850;
    return reading;
}

const char* const readingJson =
    R"({"time":"2026-12-10T14:43:25+00:00","link":1,"values":{)"
    R"("Phase i1":35.7,"Phase i2":0.0,"Phase i3":0.0,"Positive si":0.0,"Earth i0":0.0,"Revers si":0.0,)"
    R"("Average i1":0.0,"Average i2":0.0,"Average i3":0.0,"Peak i1":0.0,"Peak i2":0.0,"Peak i3":0.0,)"
    R"("Start i":0.0,"Overload i":0.0,"Start time":0,"Phase U1":0,"Phase U2":0,"Phase U3":0,)"
    R"("Line U1":0,"Line U2":0,"Line U3":0,"Positive sU":0,"Revers sU":0,"Zero sU":0,"Time motor":0,)"
    R"("Insulation":0.0,"Frequency":0.0,"End of AR":0,"Before OvL":0,"After OvL":0,)"
    R"("Apparent P":0.00,"Active P":0.00,"Reactive P":0.00,"Cos A":0.850,"Cos B":0.000,"Cos C":0.000,)"
    R"("Temp dat 1":0,"Temp dat 2":0,"Input i":0.0,"Input U":0.0,"ApE":0.0,"AcE":0.0,"ReE":0.0}})";

const char* const faultJson =
    R"([{"code":0,"name":"Imax","text":"Zabezpieczenie nadprądowe fazowe","value":"12.3 A"}])";

QString topicOf(int unit, const char* leaf)
{
    return QStringLiteral("%1/%2/%3").arg(prefix).arg(unit).arg(QLatin1String(leaf));
}

// The last message on a topic, or an empty one.
MqttMessage lastOn(MqttSubscriber& subscriber, const QString& topic)
{
    const std::vector<MqttMessage> found = subscriber.messagesOn(topic);
    return found.empty() ? MqttMessage{} : found.back();
}

// A TCP listener that never accepts nor answers: a broker that hangs.
class SilentListener
{
public:
    SilentListener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(m_fd, 8) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(m_fd); }
    quint16 port() const { return m_port; }

private:
    int m_fd = -1;
    quint16 m_port = 0;
};

constexpr std::time_t recordTime = 1796913805; // 2026-12-10 14:43:25 UTC

} // namespace

class tst_MqttPublisher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void publishesTheFourTopics();
    void brokerRestarted();
    void startsBeforeTheBroker();
    void hangingBroker();
    void lastWillWhenKilled();
    void userAndPassword();
    void tlsWithCaFile();
};

void tst_MqttPublisher::initTestCase()
{
    qputenv("TZ", "UTC");
    ::tzset();
}

void tst_MqttPublisher::publishesTheFourTopics()
{
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    MqttSubscriber subscriber(broker.port(), prefix + QStringLiteral("/#"));
    QVERIFY2(subscriber.start(), qPrintable(subscriber.errorString()));

    LogLines log;
    MqttPublisher publisher(settingsFor(broker.port()), 5, log.sink());
    std::string error;
    QVERIFY2(publisher.start(error), error.c_str());
    publisher.publishIdentity({11, 12, 5, "tcp 127.0.0.1:5020"});
    publisher.publishFaults({{0, "12.3 A"}});
    QTRY_VERIFY(publisher.isConnected());
    QTRY_VERIFY(log.contains("MQTT: połączono z 127.0.0.1"));
    publisher.publishMeasurements(readingAt(recordTime));
    publisher.publishFaults({{0, "12.3 A"}}); // unchanged: not sent again

    QTRY_COMPARE(subscriber.messagesOn(topicOf(5, "measurements")).size(), std::size_t(1));
    const MqttMessage status = lastOn(subscriber, topicOf(5, "status"));
    QCOMPARE(status.payload, QByteArray("online"));
    QVERIFY(status.retained);
    QCOMPARE(status.qos, 1);
    const MqttMessage identity = lastOn(subscriber, topicOf(5, "identity"));
    QCOMPARE(identity.payload, QByteArray(R"({"id":11,"firmware":12,"unit":5,"link":"tcp 127.0.0.1:5020"})"));
    QVERIFY(identity.retained);
    QCOMPARE(identity.qos, 1);
    const MqttMessage measurements = lastOn(subscriber, topicOf(5, "measurements"));
    QCOMPARE(QString::fromUtf8(measurements.payload), QString::fromUtf8(readingJson));
    QVERIFY(!measurements.retained);
    QCOMPARE(measurements.qos, 0);
    const std::vector<MqttMessage> faults = subscriber.messagesOn(topicOf(5, "faults"));
    QCOMPARE(faults.size(), std::size_t(1));
    QCOMPARE(QString::fromUtf8(faults[0].payload), QString::fromUtf8(faultJson));
    QVERIFY(faults[0].retained);
    QCOMPARE(faults[0].qos, 1);

    publisher.publishFaults({});
    QTRY_COMPARE(lastOn(subscriber, topicOf(5, "faults")).payload, QByteArray("[]"));
    publisher.stop();
    QTRY_COMPARE(lastOn(subscriber, topicOf(5, "status")).payload, QByteArray("offline"));
    QVERIFY(lastOn(subscriber, topicOf(5, "status")).retained);

    // The broker keeps the retained topics for a subscriber that comes later.
    MqttSubscriber late(broker.port(), prefix + QStringLiteral("/#"));
    QVERIFY2(late.start(), qPrintable(late.errorString()));
    QTRY_COMPARE(lastOn(late, topicOf(5, "status")).payload, QByteArray("offline"));
    QTRY_COMPARE(lastOn(late, topicOf(5, "faults")).payload, QByteArray("[]"));
    QTRY_VERIFY(!lastOn(late, topicOf(5, "identity")).payload.isEmpty());
    QVERIFY(late.messagesOn(topicOf(5, "measurements")).empty());
}

void tst_MqttPublisher::brokerRestarted()
{
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    LogLines log;
    MqttPublisher publisher(settingsFor(broker.port()), 1, log.sink());
    std::string error;
    QVERIFY2(publisher.start(error), error.c_str());
    publisher.publishIdentity({11, 12, 1, "COM1 19200 8E1 RTU"});
    publisher.publishFaults({{0, "12.3 A"}});
    QTRY_VERIFY(publisher.isConnected());

    // One record a fifth of a second, as a poll would hand them over, all along.
    QTimer records;
    QObject::connect(&records, &QTimer::timeout,
                     [&] { publisher.publishMeasurements(readingAt(recordTime)); });
    records.start(200);

    broker.stop();
    QTRY_VERIFY(!publisher.isConnected());
    QTRY_VERIFY(log.contains("MQTT: utracono połączenie z brokerem"));
    const uint64_t droppedWhileDown = publisher.droppedMeasurements();
    QTRY_VERIFY(publisher.droppedMeasurements() > droppedWhileDown); // records go on, dropped

    // The restarted broker has lost its retained topics (no persistence): the
    // publisher sends them again, and the measurements resume.
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    MqttSubscriber subscriber(broker.port(), prefix + QStringLiteral("/#"));
    QVERIFY2(subscriber.start(), qPrintable(subscriber.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(!subscriber.messagesOn(topicOf(1, "measurements")).empty(), 10000);
    QTRY_COMPARE(lastOn(subscriber, topicOf(1, "status")).payload, QByteArray("online"));
    QTRY_COMPARE(QString::fromUtf8(lastOn(subscriber, topicOf(1, "faults")).payload),
                 QString::fromUtf8(faultJson));
    QTRY_COMPARE(lastOn(subscriber, topicOf(1, "identity")).payload,
                 QByteArray(R"({"id":11,"firmware":12,"unit":1,"link":"COM1 19200 8E1 RTU"})"));
    QCOMPARE(QString::fromUtf8(lastOn(subscriber, topicOf(1, "measurements")).payload),
             QString::fromUtf8(readingJson));
}

void tst_MqttPublisher::startsBeforeTheBroker()
{
    MosquittoBroker broker; // its port is chosen on start; take one now and start later
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    broker.stop();

    MqttPublisher publisher(settingsFor(broker.port()), 2);
    std::string error;
    QVERIFY2(publisher.start(error), error.c_str());
    for (int i = 0; i < 100; ++i)
        publisher.publishMeasurements(readingAt(recordTime));
    QCOMPARE(publisher.droppedMeasurements(), uint64_t(100));
    QVERIFY(!publisher.isConnected());

    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    MqttSubscriber subscriber(broker.port(), prefix + QStringLiteral("/#"));
    QVERIFY2(subscriber.start(), qPrintable(subscriber.errorString()));
    // The publisher's attempts come 1, 2, 4 s apart by now; within the next 10 s it is there.
    QTRY_COMPARE_WITH_TIMEOUT(lastOn(subscriber, topicOf(2, "status")).payload, QByteArray("online"), 10000);
}

void tst_MqttPublisher::hangingBroker()
{
    // TCP connects, but no answer ever comes: nothing may wait for it.
    SilentListener listener;
    QVERIFY(listener.port() != 0);
    MqttPublisher publisher(settingsFor(listener.port()), 3);
    std::string error;
    QVERIFY2(publisher.start(error), error.c_str());
    publisher.publishIdentity({11, 12, 3, "tcp 127.0.0.1:502"});
    for (int i = 0; i < 1000; ++i)
        publisher.publishMeasurements(readingAt(recordTime));
    QCOMPARE(publisher.droppedMeasurements(), uint64_t(1000));
    QElapsedTimer stopping;
    stopping.start();
    publisher.stop();
    // stop() gives up on a broker that does not answer after about a second.
    QVERIFY2(stopping.elapsed() < 3000, qPrintable(QString::number(stopping.elapsed())));
}

void tst_MqttPublisher::lastWillWhenKilled()
{
    MosquittoBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    MqttSubscriber subscriber(broker.port(), prefix + QStringLiteral("/#"));
    QVERIFY2(subscriber.start(), qPrintable(subscriber.errorString()));

    QProcess child;
    child.start(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/mqtt_publisher_child"),
                {broker.url(), prefix, QStringLiteral("4")});
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.waitForReadyRead(100), 10000);
    QCOMPARE(child.readLine().trimmed(), QByteArray("connected"));
    QTRY_COMPARE(lastOn(subscriber, topicOf(4, "status")).payload, QByteArray("online"));

    child.kill(); // SIGKILL: no clean disconnect, the broker sends the will
    QVERIFY(child.waitForFinished());
    QTRY_COMPARE(lastOn(subscriber, topicOf(4, "status")).payload, QByteArray("offline"));
    QVERIFY(lastOn(subscriber, topicOf(4, "status")).retained);
}

void tst_MqttPublisher::userAndPassword()
{
    MosquittoBroker broker(QStringLiteral("rec"), QStringLiteral("s3cret"));
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));
    QTemporaryDir dir;
    const QString passwordFile = dir.filePath(QStringLiteral("password"));
    QFile file(passwordFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("s3cret\n");
    file.close();

    MqttOptions options;
    options.url = broker.url().toStdString();
    options.topicPrefix = prefix.toStdString() + "/";
    options.user = "rec";
    options.passwordFile = passwordFile.toStdString();
    MqttSettings settings;
    std::string error;
    QVERIFY2(mqttSettingsFrom(options, settings, error), error.c_str());
    QCOMPARE(settings.password, std::string("s3cret"));
    QCOMPARE(settings.topicPrefix, prefix.toStdString());

    MqttPublisher accepted(settings, 1);
    QVERIFY2(accepted.start(error), error.c_str());
    QTRY_VERIFY(accepted.isConnected());

    settings.password = "wrong";
    LogLines log;
    MqttPublisher refused(settings, 2, log.sink());
    QVERIFY2(refused.start(error), error.c_str());
    QTRY_VERIFY(log.contains("MQTT: broker odrzucił połączenie"));
    refused.publishMeasurements(readingAt(recordTime));
    QCOMPARE(refused.droppedMeasurements(), uint64_t(1));
    QVERIFY(!refused.isConnected());

    options.topicPrefix.clear(); // default: zrq7/<host name>
    QVERIFY2(mqttSettingsFrom(options, settings, error), error.c_str());
    QCOMPARE(QString::fromStdString(settings.topicPrefix),
             QStringLiteral("zrq7/") + QSysInfo::machineHostName());

    options.passwordFile = dir.filePath(QStringLiteral("missing")).toStdString();
    QVERIFY(!mqttSettingsFrom(options, settings, error));
    QVERIFY(error.find("missing") != std::string::npos);
}

void tst_MqttPublisher::tlsWithCaFile()
{
    MosquittoBroker broker;
    QVERIFY2(broker.useTls(), qPrintable(broker.errorString()));
    QVERIFY2(broker.start(), qPrintable(broker.errorString()));

    MqttOptions options;
    options.url = broker.url().toStdString();
    options.caFile = broker.caFile().toStdString();
    QVERIFY(options.url.rfind("mqtts://", 0) == 0);
    MqttSettings settings;
    std::string error;
    QVERIFY2(mqttSettingsFrom(options, settings, error), error.c_str());
    MqttPublisher trusting(settings, 1);
    QVERIFY2(trusting.start(error), error.c_str());
    QTRY_VERIFY(trusting.isConnected());

    // Another authority's certificate: the handshake fails, over and over, without harm.
    MosquittoBroker other;
    QVERIFY2(other.useTls(), qPrintable(other.errorString()));
    settings.caFile = other.caFile().toStdString();
    LogLines log;
    MqttPublisher doubting(settings, 2, log.sink());
    QVERIFY2(doubting.start(error), error.c_str());
    QTRY_VERIFY(log.contains("MQTT: "));
    doubting.publishMeasurements(readingAt(recordTime));
    QCOMPARE(doubting.droppedMeasurements(), uint64_t(1));
    QVERIFY(!doubting.isConnected());

    // A CA file that cannot be read is an error of the settings, told at start.
    settings.caFile = "/nonexistent/ca.pem";
    MqttPublisher missing(settings, 3);
    QVERIFY(!missing.start(error));
    QVERIFY2(error.find("/nonexistent/ca.pem") != std::string::npos, error.c_str());
}

QTEST_GUILESS_MAIN(tst_MqttPublisher)
#include "tst_mqtt_publisher.moc"
