// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <mutex>

// Whether a worker may still call the link. Its owner marks it in use before
// starting the worker; the worker marks it done after its last call. A
// disconnect waits for that on its own thread before it closes the link,
// without joining the worker (the join stays with the owner, on its thread).
// Shared through a std::shared_ptr, so a waiter may outlive the owner.
class LinkUse
{
public:
    void begin()
    {
        const std::lock_guard lock(m_mutex);
        m_inUse = true;
    }
    void end()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_inUse = false;
        }
        m_ended.notify_all();
    }
    // Any thread.
    void waitUntilEnded()
    {
        std::unique_lock lock(m_mutex);
        m_ended.wait(lock, [this] { return !m_inUse; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_inUse = false;
};
