// SPDX-License-Identifier: MIT
// A Mosquitto broker as a real process owned by a test: its own config on a free
// port of 127.0.0.1, ready once it listens, stopped on destruction. Also a
// subscriber (mosquitto_sub) that collects what the broker delivers.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

namespace zrq7::test {

class MosquittoBroker
{
public:
    // Anonymous clients allowed; with a user, only that user with that password.
    MosquittoBroker() = default;
    MosquittoBroker(QString user, QString password);
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    // Before the first start: the listener speaks TLS only, with a server certificate
    // for 127.0.0.1 signed by a certificate authority made for this broker
    // (openssl). False (errorString()) when the certificates cannot be made.
    bool useTls();
    // The authority's certificate (PEM), for clients of a TLS broker.
    QString caFile() const;

    // Writes the config (first start: picks a free port; later starts reuse it) and
    // starts /usr/sbin/mosquitto; waits until it reports its listener and a client
    // connection is accepted. False (errorString()) otherwise.
    bool start(int timeoutMs = 10000);
    // SIGTERM and wait (SIGKILL if it does not go).
    void stop();

    quint16 port() const { return m_port; }
    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(m_tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"))
            .arg(m_port);
    }
    QString errorString() const { return m_error; }
    // What the broker logged so far.
    QString log();

private:
    bool writeConfig();

    QTemporaryDir m_dir;
    QString m_user;
    QString m_password;
    quint16 m_port = 0;
    bool m_tls = false;
    QProcess m_process;
    QString m_error;
    QByteArray m_log;
};

// One delivered message as mosquitto_sub prints it.
struct MqttMessage
{
    QString topic;
    bool retained = false;
    int qos = 0;
    QByteArray payload;
};

class MqttSubscriber
{
public:
    // Subscribes to `filter` (e.g. "zrq7/#") on the broker at 127.0.0.1:port.
    MqttSubscriber(quint16 port, QString filter);
    ~MqttSubscriber();
    MqttSubscriber(const MqttSubscriber&) = delete;
    MqttSubscriber& operator=(const MqttSubscriber&) = delete;

    // Starts mosquitto_sub and waits until its subscription stands (its own
    // marker message comes back). False (errorString()) otherwise.
    bool start(int timeoutMs = 10000);
    void stop();

    // Every message received so far (reads what arrived without waiting).
    const std::vector<MqttMessage>& messages();
    // The messages on one topic, oldest first.
    std::vector<MqttMessage> messagesOn(const QString& topic);
    QString errorString() const { return m_error; }

private:
    void readLines();

    quint16 m_port;
    QString m_filter;
    QProcess m_process;
    QByteArray m_buffer;
    std::vector<MqttMessage> m_messages;
    QString m_error;
};

} // namespace zrq7::test
