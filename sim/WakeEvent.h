// SPDX-License-Identifier: MIT
// An eventfd a worker polls next to its descriptors, so another thread can
// wake it at once (stop, drop connections) instead of it checking a flag.
#pragma once

namespace zrq7::sim {

class WakeEvent
{
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    int fd() const { return m_fd; }
    void signal();
    void clear();

private:
    int m_fd;
};

} // namespace zrq7::sim
