// SPDX-License-Identifier: MIT
#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zrq7::fileio {
namespace {

// As the kernel allows when it follows links itself (MAXSYMLINKS).
constexpr int kMaxLinkHops = 40;

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> readLink(const std::string& path)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return std::nullopt;
        if (std::size_t(length) < buffer.size())
            return std::string(buffer.data(), std::size_t(length));
        buffer.resize(buffer.size() * 2); // may have been cut: read again with more room
    }
}

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

// Makes a rename durable: the folder entry itself is flushed. Some file
// systems refuse fsync on a folder; the new file is in place either way.
void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::optional<std::string> saveTarget(const std::string& path)
{
    std::string target = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info = {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target; // a plain file, or nothing yet: saved right here
        const auto link = readLink(target);
        if (!link)
            return std::nullopt;
        target = !link->empty() && link->front() == '/' ? *link : folderOf(target) + "/" + *link;
    }
    errno = ELOOP;
    return std::nullopt;
}

bool replaceFile(const std::string& path, std::string_view contents, const ReplaceOptions& options)
{
    // A link stays a link: the file it points at is replaced, in its own folder
    // (the rename cannot cross file systems).
    const auto target = saveTarget(path);
    if (!target)
        return false;
    std::string temporary = *target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat old = {};
    const bool keep = options.keepExistingMode && ::stat(target->c_str(), &old) == 0 && S_ISREG(old.st_mode);
    bool ok = ::fchmod(fd, keep ? (old.st_mode & 07777) : options.newFileMode) == 0;
    ok = ok && writeAll(fd, contents) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && (options.rename ? options.rename : &std::rename)(temporary.c_str(), target->c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    syncFolder(folderOf(*target));
    return true;
}

} // namespace zrq7::fileio
