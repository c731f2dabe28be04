// SPDX-License-Identifier: MIT
#include "DrivenProgram.h"

#include <QFile>

namespace zrq7::test {

bool runDrivenProgram(QProcess& program, const QString& driver, const QString& messageLog,
                      const QList<std::pair<QString, QString>>& settings, int timeoutMs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZRQ7_MESSAGE_LOG"), messageLog);
    env.insert(QStringLiteral("ZRQ7_SPLASH_MS"), QStringLiteral("50"));
    for (const auto& [name, value] : settings)
        env.insert(name, value);
    env.insert(QStringLiteral("LD_PRELOAD"), driver);
    // A sanitizer runtime would otherwise insist on coming first.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/cpl_zrq7"));
    if (!program.waitForStarted())
        return false;
    if (program.waitForFinished(timeoutMs))
        return true;
    program.kill();
    program.waitForFinished();
    return false;
}

QStringList messageLogLines(const QString& messageLog)
{
    QFile log(messageLog);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace zrq7::test
