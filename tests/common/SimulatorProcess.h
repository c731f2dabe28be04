// SPDX-License-Identifier: MIT
// The relay simulator as a real process owned by a test: started with its
// arguments, ready once it prints its ready line, stopped on destruction.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace zrq7::test {

class SimulatorProcess
{
public:
    // args go to zrq7sim as they stand, e.g. {"--tcp", "0", "--pty", dir + "/COM3"}.
    explicit SimulatorProcess(QStringList args = {"--tcp", "0"});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts $ZRQ7_BIN_DIR/zrq7sim and waits for "zrq7sim ready ...".
    // False when it exits or stays silent; errorString() then says why.
    bool start(int timeoutMs = 10000);
    // SIGTERM and wait (SIGKILL after timeoutMs); returns the exit code, -1 if it crashed.
    int stop(int timeoutMs = 5000);

    QString tcpHost() const { return m_tcpHost; }       // "" when no TCP listener
    quint16 tcpPort() const { return m_tcpPort; }       // the chosen port, also for --tcp 0
    QString ptyPath() const { return m_ptyPath; }       // the symlink given to --pty
    QString serialPath() const { return m_serialPath; } // the device given to --serial
    QString readyLine() const { return m_readyLine; }
    QString errorString() const { return m_error; }
    // Everything the simulator wrote to stderr so far (--verbose frames, errors).
    QString standardError();
    // The values written to holding register `reg` (function 06) over Modbus TCP, in
    // the order the simulator received them; needs --verbose.
    QList<int> registerWrites(quint16 reg);
    QProcess& process() { return m_process; }

    static QString program(); // $ZRQ7_BIN_DIR/zrq7sim

private:
    void parseReadyLine(const QString& line);

    QStringList m_args;
    QProcess m_process;
    QString m_readyLine;
    QString m_tcpHost;
    quint16 m_tcpPort = 0;
    QString m_ptyPath;
    QString m_serialPath;
    QString m_error;
    QByteArray m_stderr;
};

} // namespace zrq7::test
