// SPDX-License-Identifier: MIT
// An independent MODBUS peer (libmodbus or pymodbus slave) as a real process owned by a test:
// started with its arguments, ready once it prints its ready line, stopped on destruction.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace zrq7::test {

class PeerProcess
{
public:
    PeerProcess(QString program, QStringList args);
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // Starts the peer and waits for a stdout line containing " ready". False (errorString())
    // when it exits or stays silent.
    bool start(int timeoutMs = 15000);
    // SIGTERM and wait (SIGKILL if it lingers).
    void stop();

    // The value of "key=value" in the ready line, e.g. readyField("port") of a TCP peer.
    QString readyField(const QString& key) const;
    QString errorString() const { return m_error; }

    // $ZRQ7_BIN_DIR/modbus_peer with args; the pymodbus ASCII slave on a pty end.
    static PeerProcess* libmodbus(QStringList args);
    static PeerProcess* pymodbusAscii(const QString& device, int unit = 1);

private:
    QString m_program;
    QStringList m_args;
    QProcess m_process;
    QString m_readyLine;
    QString m_error;
};

} // namespace zrq7::test
