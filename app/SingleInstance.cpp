// SPDX-License-Identifier: MIT
#include "SingleInstance.h"

#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int flockRetrying(int fd, int operation)
{
    int rc;
    do
        rc = ::flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

// Start-up checks of two copies must not interleave: converting the exclusive
// lock into a shared one is not atomic. A record lock on the same file (a lock
// kind independent of flock) serialises the check among starting copies.
bool lockStartGate(int fd, short type)
{
    struct flock gate = {};
    gate.l_type = type;
    gate.l_whence = SEEK_SET;
    gate.l_start = 0;
    gate.l_len = 1;
    int rc;
    do
        rc = ::fcntl(fd, F_OFD_SETLKW, &gate);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

} // namespace

QString SingleInstance::lockFilePath()
{
    return LockFolder() + QStringLiteral("/__CPL_ZRQ7_INITIAL_OWNER__");
}

bool SingleInstance::acquire()
{
    release();
    const QString path = lockFilePath();
    QDir().mkpath(LockFolder());
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return false; // no lock file to be had: nothing tells of another copy

    const bool gated = lockStartGate(m_fd, F_WRLCK);
    // Alone when the exclusive lock is free; either way every copy then holds
    // a shared lock, so copies started with "-copy" count as running too.
    const bool othersRunning = flockRetrying(m_fd, LOCK_EX | LOCK_NB) != 0;
    flockRetrying(m_fd, LOCK_SH);
    if (gated)
        lockStartGate(m_fd, F_UNLCK);
    return othersRunning;
}

void SingleInstance::release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
