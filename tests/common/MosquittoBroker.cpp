// SPDX-License-Identifier: MIT
#include "MosquittoBroker.h"

#include "FreeTcpPort.h"
#include "StopProcess.h"

#include <QDeadlineTimer>
#include <QFile>

namespace zrq7::test {

MosquittoBroker::MosquittoBroker(QString user, QString password)
    : m_user(std::move(user)), m_password(std::move(password))
{
}

MosquittoBroker::~MosquittoBroker()
{
    stop();
}

namespace {

bool runOpenssl(const QStringList& args, QString& error)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), args);
    if (openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
        openssl.exitCode() == 0)
        return true;
    error = QStringLiteral("openssl %1 failed: %2").arg(args.first(), QString::fromUtf8(openssl.readAll()));
    return false;
}

} // namespace

bool MosquittoBroker::useTls()
{
    const QString dir = m_dir.path() + QLatin1Char('/');
    QFile extensions(dir + QStringLiteral("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly) || extensions.write("subjectAltName=IP:127.0.0.1\n") < 0) {
        m_error = QStringLiteral("cannot write the certificate extensions");
        return false;
    }
    extensions.close();
    const QStringList ecKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    m_tls = runOpenssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                           QStringList{QStringLiteral("-keyout"), dir + QStringLiteral("ca.key"),
                                       QStringLiteral("-out"), dir + QStringLiteral("ca.crt"),
                                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                                       QStringLiteral("/CN=zrq7 test authority")},
                       m_error) &&
            runOpenssl(QStringList{QStringLiteral("req")} + ecKey +
                           QStringList{QStringLiteral("-keyout"), dir + QStringLiteral("server.key"),
                                       QStringLiteral("-out"), dir + QStringLiteral("server.csr"),
                                       QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")},
                       m_error) &&
            runOpenssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                        dir + QStringLiteral("server.csr"), QStringLiteral("-CA"),
                        dir + QStringLiteral("ca.crt"), QStringLiteral("-CAkey"),
                        dir + QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
                        QStringLiteral("-out"), dir + QStringLiteral("server.crt"), QStringLiteral("-days"),
                        QStringLiteral("2"), QStringLiteral("-extfile"), dir + QStringLiteral("server.ext")},
                       m_error);
    return m_tls;
}

QString MosquittoBroker::caFile() const
{
    return m_dir.filePath(QStringLiteral("ca.crt"));
}

bool MosquittoBroker::writeConfig()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    if (m_port == 0)
        m_port = freeTcpPort();
    // Tests run as root: "user root" keeps the broker from switching to a user
    // that cannot read this private folder.
    QByteArray config = "listener " + QByteArray::number(m_port) +
                        " 127.0.0.1\npersistence false\nlog_dest stderr\nuser root\n";
    if (m_tls) {
        const QByteArray dir = QFile::encodeName(m_dir.path()) + '/';
        config += "cafile " + dir + "ca.crt\ncertfile " + dir + "server.crt\nkeyfile " + dir + "server.key\n";
    }
    if (m_user.isEmpty()) {
        config += "allow_anonymous true\n";
    } else {
        const QString passwords = m_dir.filePath(QStringLiteral("passwords"));
        QFile::remove(passwords);
        const int rc =
            QProcess::execute(QStringLiteral("mosquitto_passwd"),
                              {QStringLiteral("-b"), QStringLiteral("-c"), passwords, m_user, m_password});
        if (rc != 0) {
            m_error = QStringLiteral("mosquitto_passwd failed (%1)").arg(rc);
            return false;
        }
        config += "allow_anonymous false\npassword_file " + QFile::encodeName(passwords) + "\n";
    }
    QFile file(m_dir.filePath(QStringLiteral("mosquitto.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        m_error = QStringLiteral("cannot write the broker's config");
        return false;
    }
    return true;
}

bool MosquittoBroker::start(int timeoutMs)
{
    if (!writeConfig())
        return false;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("/usr/sbin/mosquitto"),
                    {QStringLiteral("-c"), m_dir.filePath(QStringLiteral("mosquitto.conf"))});
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start mosquitto: ") + m_process.errorString();
        return false;
    }
    // "mosquitto version X running" follows the opening of every listener.
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine();
            m_log += line;
            if (line.contains(" running"))
                return true;
        }
        if (m_process.state() != QProcess::Running)
            break;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    m_error = QStringLiteral("mosquitto did not start listening on %1: %2").arg(m_port).arg(log());
    return false;
}

void MosquittoBroker::stop()
{
    stopProcess(m_process);
    log();
}

QString MosquittoBroker::log()
{
    if (m_process.isOpen())
        m_log += m_process.readAll();
    return QString::fromUtf8(m_log);
}

namespace {

const QString markerTopic = QStringLiteral("zrq7-test/subscriber-ready");

} // namespace

MqttSubscriber::MqttSubscriber(quint16 port, QString filter) : m_port(port), m_filter(std::move(filter)) {}

MqttSubscriber::~MqttSubscriber()
{
    stop();
}

bool MqttSubscriber::start(int timeoutMs)
{
    // MQTT 5 with retain-as-published, so the retained flag is seen on live
    // messages too; QoS 1 so a message's QoS is seen as published (up to 1).
    m_process.start(QStringLiteral("mosquitto_sub"),
                    {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                     QString::number(m_port), QStringLiteral("-V"), QStringLiteral("5"),
                     QStringLiteral("--retain-as-published"), QStringLiteral("-q"), QStringLiteral("1"),
                     QStringLiteral("-t"), m_filter, QStringLiteral("-t"), markerTopic, QStringLiteral("-F"),
                     QStringLiteral("%t\t%r\t%q\t%x")});
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start mosquitto_sub: ") + m_process.errorString();
        return false;
    }
    // A marker published until it comes back proves the subscription stands.
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QProcess::execute(QStringLiteral("mosquitto_pub"),
                          {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                           QString::number(m_port), QStringLiteral("-t"), markerTopic, QStringLiteral("-m"),
                           QStringLiteral("ready")});
        m_process.waitForReadyRead(200);
        if (!messagesOn(markerTopic).empty())
            return true;
    }
    m_error = QStringLiteral("mosquitto_sub did not subscribe: ") +
              QString::fromUtf8(m_process.readAllStandardError());
    return false;
}

void MqttSubscriber::stop()
{
    stopProcess(m_process);
}

void MqttSubscriber::readLines()
{
    m_buffer += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QList<QByteArray> fields = m_buffer.left(end).split('\t');
        m_buffer.remove(0, end + 1);
        if (fields.size() != 4)
            continue;
        m_messages.push_back({QString::fromUtf8(fields[0]), fields[1] == "1", fields[2].toInt(),
                              QByteArray::fromHex(fields[3])});
    }
}

const std::vector<MqttMessage>& MqttSubscriber::messages()
{
    readLines();
    return m_messages;
}

std::vector<MqttMessage> MqttSubscriber::messagesOn(const QString& topic)
{
    std::vector<MqttMessage> found;
    for (const MqttMessage& message : messages())
        if (message.topic == topic)
            found.push_back(message);
    return found;
}

} // namespace zrq7::test
