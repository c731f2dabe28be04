// SPDX-License-Identifier: MIT
#include "ProgramProcess.h"

#include <QFile>
#include <QTest>

namespace zrq7::e2e {

ProgramProcess::ProgramProcess(const QString& logPath, const QStringList& arguments,
                               const QStringList& environment)
    : m_log(logPath)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZRQ7_MESSAGE_LOG"), logPath);
    env.insert(QStringLiteral("ZRQ7_SPLASH_MS"), QStringLiteral("100"));
    for (const QString& entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start(program(), arguments);
}

ProgramProcess::~ProgramProcess()
{
    kill();
}

QString ProgramProcess::program()
{
    return qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/cpl_zrq7");
}

bool ProgramProcess::started()
{
    return m_process.waitForStarted();
}

void ProgramProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

QString ProgramProcess::messages() const
{
    QFile file(m_log);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool ProgramProcess::reachesMainWindow()
{
    const auto up = [this] { return messages().contains(QLatin1String("window|CCPL_ZRQ7Dlg|")); };
    return QTest::qWaitFor([&] { return up() || !running(); }, 20000) && up();
}

bool writeProfile(const QStringList& arguments)
{
    QProcess profile;
    profile.setProcessChannelMode(QProcess::ForwardedChannels);
    profile.start(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/zrq7_demo_profile"), arguments);
    return profile.waitForFinished(10000) && profile.exitStatus() == QProcess::NormalExit &&
           profile.exitCode() == 0;
}

} // namespace zrq7::e2e
