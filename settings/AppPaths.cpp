// SPDX-License-Identifier: MIT
#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString absoluteEnv(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

QString homeFolder()
{
    const QString home = absoluteEnv("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

QString xdgDataHome()
{
    const QString data = absoluteEnv("XDG_DATA_HOME");
    return data.isEmpty() ? homeFolder() + QStringLiteral("/.local/share") : data;
}

} // namespace

QString XdgConfigHome()
{
    const QString config = absoluteEnv("XDG_CONFIG_HOME");
    return config.isEmpty() ? homeFolder() + QStringLiteral("/.config") : config;
}

QString ConfigFolder()
{
    return XdgConfigHome() + QStringLiteral("/CPL_ZRQ7");
}

QString DataFolder()
{
    return xdgDataHome() + QStringLiteral("/CPL_ZRQ7");
}

QString LockFolder()
{
    const QString runtime = absoluteEnv("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? ConfigFolder() : runtime;
}

QString SettingsFolderPath()
{
    return DataFolder() + QStringLiteral("/zrq_settings");
}

QString RecordingsFolderPath()
{
    return DataFolder() + QStringLiteral("/zrq_db");
}

QString ExecutablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}
