// SPDX-License-Identifier: MIT
#include "SocatPair.h"

#include "StopProcess.h"

#include <QDeadlineTimer>
#include <QFileInfo>

namespace zrq7::test {

SocatPair::SocatPair()
    : m_linkA(m_dir.filePath(QStringLiteral("a"))), m_linkB(m_dir.filePath(QStringLiteral("b")))
{
}

SocatPair::SocatPair(QString linkA, QString linkB) : m_linkA(std::move(linkA)), m_linkB(std::move(linkB)) {}

SocatPair::~SocatPair()
{
    stop();
}

bool SocatPair::start(int timeoutMs)
{
    const auto end = [](const QString& link) { return QStringLiteral("pty,raw,echo=0,link=") + link; };
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("socat"),
                    {QStringLiteral("-d"), QStringLiteral("-d"), end(m_linkA), end(m_linkB)});
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start socat: ") + m_process.errorString();
        return false;
    }
    // socat -d -d reports "starting data transfer loop" once both ptys and links are made.
    QByteArray log;
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        log += m_process.readAll();
        if (log.contains("starting data transfer loop") && QFileInfo::exists(m_linkA) &&
            QFileInfo::exists(m_linkB))
            return true;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    log += m_process.readAll();
    m_error = QStringLiteral("socat pair not ready: ") + QString::fromUtf8(log);
    return false;
}

void SocatPair::stop()
{
    stopProcess(m_process);
}

} // namespace zrq7::test
