// SPDX-License-Identifier: MIT
#include "SimulatorProcess.h"

#include "StopProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>

namespace zrq7::test {

SimulatorProcess::SimulatorProcess(QStringList args) : m_args(std::move(args))
{
    // stderr separately: the ready line is on stdout, frames and errors on stderr.
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

QString SimulatorProcess::program()
{
    return QDir(qEnvironmentVariable("ZRQ7_BIN_DIR")).filePath(QStringLiteral("zrq7sim"));
}

bool SimulatorProcess::start(int timeoutMs)
{
    m_process.start(program(), m_args);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program(), m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("zrq7sim ready"))) {
                parseReadyLine(line);
                return true;
            }
        }
        if (m_process.state() != QProcess::Running)
            break;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    m_error = m_process.state() == QProcess::Running
                  ? QStringLiteral("no ready line within %1 ms").arg(timeoutMs)
                  : QStringLiteral("zrq7sim exited with code %1").arg(m_process.exitCode());
    m_error += QStringLiteral("; stderr: ") + standardError();
    return false;
}

void SimulatorProcess::parseReadyLine(const QString& line)
{
    m_readyLine = line;
    const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& field : fields) {
        if (field.startsWith(QLatin1String("tcp="))) {
            const QString endpoint = field.mid(4);
            const qsizetype colon = endpoint.lastIndexOf(QLatin1Char(':'));
            m_tcpHost = endpoint.left(colon);
            m_tcpPort = quint16(endpoint.mid(colon + 1).toUInt());
        } else if (field.startsWith(QLatin1String("pty="))) {
            m_ptyPath = field.mid(4);
        } else if (field.startsWith(QLatin1String("serial="))) {
            m_serialPath = field.mid(7);
        }
    }
}

QString SimulatorProcess::standardError()
{
    m_stderr += m_process.readAllStandardError();
    return QString::fromUtf8(m_stderr);
}

// --verbose logs each request as "tcp#N <- <MBAP, 7 bytes> 06 RH RL VH VL".
QList<int> SimulatorProcess::registerWrites(quint16 reg)
{
    const QRegularExpression write(
        QStringLiteral("<- (?:[0-9A-F]{2} ){7}06 %1 %2 ([0-9A-F]{2}) ([0-9A-F]{2})")
            .arg(reg >> 8, 2, 16, QLatin1Char('0'))
            .arg(reg & 0xFF, 2, 16, QLatin1Char('0'))
            .toUpper());
    QList<int> values;
    for (const QRegularExpressionMatch& m : write.globalMatch(standardError()))
        values << (m.captured(1).toInt(nullptr, 16) << 8 | m.captured(2).toInt(nullptr, 16));
    return values;
}

int SimulatorProcess::stop(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    stopProcess(m_process, timeoutMs);
    standardError();
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

} // namespace zrq7::test
