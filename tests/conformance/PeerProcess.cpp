// SPDX-License-Identifier: MIT
#include "PeerProcess.h"

#include "StopProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <csignal>
#include <sys/prctl.h>

namespace zrq7::test {

PeerProcess::PeerProcess(QString program, QStringList args)
    : m_program(std::move(program)), m_args(std::move(args))
{
    // stderr (peer logging) stays apart from the ready line.
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    // Should the test itself die, the peer goes with it instead of holding its port.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

PeerProcess::~PeerProcess()
{
    stop();
}

PeerProcess* PeerProcess::libmodbus(QStringList args)
{
    return new PeerProcess(QDir(qEnvironmentVariable("ZRQ7_BIN_DIR")).filePath(QStringLiteral("modbus_peer")),
                           std::move(args));
}

PeerProcess* PeerProcess::pymodbusAscii(const QString& device, int unit)
{
    // Debian's interpreter carries pymodbus; the python3 on PATH may not.
    const QString script = QDir(qEnvironmentVariable("ZRQ7_SOURCE_DIR"))
                               .filePath(QStringLiteral("tests/conformance/peers/ascii_peer.py"));
    return new PeerProcess(
        QStringLiteral("/usr/bin/python3"),
        {script, QStringLiteral("--device"), device, QStringLiteral("--unit"), QString::number(unit)});
}

bool PeerProcess::start(int timeoutMs)
{
    m_process.start(m_program, m_args);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(m_program, m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            if (line.contains(QLatin1String(" ready"))) {
                m_readyLine = line;
                return true;
            }
        }
        if (m_process.state() != QProcess::Running)
            break;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    m_error =
        QStringLiteral("%1 not ready (%2); stderr: %3")
            .arg(m_program,
                 m_process.state() == QProcess::Running ? QStringLiteral("silent") : QStringLiteral("exited"),
                 QString::fromUtf8(m_process.readAllStandardError()));
    return false;
}

void PeerProcess::stop()
{
    stopProcess(m_process);
}

QString PeerProcess::readyField(const QString& key) const
{
    const QString prefix = key + QLatin1Char('=');
    for (const QString& field : m_readyLine.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (field.startsWith(prefix))
            return field.mid(prefix.size());
    }
    return {};
}

} // namespace zrq7::test
