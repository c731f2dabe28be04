// SPDX-License-Identifier: MIT
#include "ProfileFile.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace ProfileFile {

std::optional<std::string> readValue(const QString& path, std::string_view section, std::string_view key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxProfileSize)
        return std::nullopt;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return findValue(std::string_view(text.constData(), std::size_t(text.size())), section, key);
}

bool writeAtomically(const QString& path, std::string_view data, unsigned mode, RenameFunction renameFile)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    }

    // A profile stays private (mode `mode`) even if it was not before; a
    // symbolic link to it stays a link.
    return zrq7::fileio::replaceFile(QFile::encodeName(info.absoluteFilePath()).toStdString(), data,
                                     {mode, false, renameFile});
}

bool writeValue(const QString& path, std::string_view section, std::string_view key, std::string_view value,
                RenameFunction renameFile)
{
    QByteArray old;
    QFile file(path);
    if (file.exists()) {
        // An existing profile that cannot be read is not overwritten blindly:
        // its other sections would be lost.
        if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxProfileSize)
            return false;
        old = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return false;
        file.close();
    }
    const std::string text =
        withValue(std::string_view(old.constData(), std::size_t(old.size())), section, key, value);
    return writeAtomically(path, text, 0600, renameFile);
}

} // namespace ProfileFile
