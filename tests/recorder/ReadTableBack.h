// SPDX-License-Identifier: MIT
#pragma once

// An exported table read back by an independent reader (read_table.py:
// openpyxl for workbooks, Python's csv module for CSV), as its JSON.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QtDebug>

inline QJsonObject readTableBack(const QString& path, const QStringList& options = {})
{
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"),
        QStringList{QString::fromLocal8Bit(qgetenv("ZRQ7_SOURCE_DIR")) + "/tests/recorder/read_table.py",
                    path} +
            options);
    if (!python.waitForFinished(240000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}
