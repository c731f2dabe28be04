// SPDX-License-Identifier: MIT
#include "ShutdownSignals.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace zrq7rec {

bool ShutdownSignals::install()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
        return false;
    // A broker or relay that closes its end must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    m_fd = ::signalfd(-1, &set, SFD_CLOEXEC);
    return m_fd >= 0;
}

ShutdownSignals::~ShutdownSignals()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int ShutdownSignals::wait(int timeoutMs)
{
    pollfd descriptor{m_fd, POLLIN, 0};
    const int ready = ::poll(&descriptor, 1, timeoutMs);
    if (ready <= 0)
        return 0;
    signalfd_siginfo info{};
    if (::read(m_fd, &info, sizeof info) != ssize_t(sizeof info))
        return 0;
    return int(info.ssi_signo);
}

} // namespace zrq7rec
