// SPDX-License-Identifier: MIT
#include "WakeEvent.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zrq7::sim {

WakeEvent::WakeEvent() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeEvent::signal()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_fd, &one, sizeof one);
}

void WakeEvent::clear()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(m_fd, &count, sizeof count);
}

} // namespace zrq7::sim
