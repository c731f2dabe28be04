// SPDX-License-Identifier: MIT
#include "tcp_transport.h"

#include <cstring>

namespace zrq7::link {

void ReceiveBuffer::append(const std::uint8_t* data, std::size_t size)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_count + size >= kFrameBufferSize)
            return;
        std::memcpy(m_data + m_count, data, size);
        m_count += size;
    }
    m_changed.notify_all();
}

void ReceiveBuffer::reset()
{
    const std::lock_guard lock(m_mutex);
    m_count = 0;
}

void ReceiveBuffer::markClosed()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
}

} // namespace zrq7::link
