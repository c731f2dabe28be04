// SPDX-License-Identifier: MIT
#include "HelpFile.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString HelpFilePath()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {QStringLiteral("help/index.html"), QStringLiteral("../share/CPL_ZRQ7/help/index.html")}) {
        const QString path = programDir.absoluteFilePath(candidate);
        if (QFileInfo::exists(path))
            return QDir::cleanPath(path);
    }
    return programDir.absoluteFilePath(QStringLiteral("help/index.html"));
}

void OpenHelpFile()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFilePath()));
}
