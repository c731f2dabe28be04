// SPDX-License-Identifier: MIT
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ProfileFile {
namespace {

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

// Makes a rename durable: the folder entry itself is flushed.
void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

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

    QByteArray tmpName = QFile::encodeName(info.absoluteFilePath()) + ".XXXXXX";
    const int fd = ::mkostemp(tmpName.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    if (ok)
        ok = (renameFile ? renameFile : &::rename)(tmpName.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(tmpName.constData());
        return false;
    }
    syncFolder(QFile::encodeName(folder));
    return true;
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
