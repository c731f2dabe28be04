// SPDX-License-Identifier: MIT
#include "scripted_transports.h"

#include <algorithm>
#include <cstring>

namespace zrq7::link {

void ScriptedSerialLine::queueChunk(std::vector<std::uint8_t> chunk)
{
    if (!chunk.empty())
        m_chunks.push_back(std::move(chunk));
}

void ScriptedSerialLine::queueResponse(const std::uint8_t* data, std::size_t size, std::size_t chunkSize)
{
    if (chunkSize == 0)
        chunkSize = size;
    for (std::size_t pos = 0; pos < size; pos += chunkSize) {
        const std::size_t n = std::min(chunkSize, size - pos);
        queueChunk(std::vector<std::uint8_t>(data + pos, data + pos + n));
    }
}

std::unique_lock<std::mutex> ScriptedSerialLine::lockForAttempt()
{
    return std::unique_lock(m_mutex);
}

bool ScriptedSerialLine::writeAll(const std::uint8_t* data, std::size_t size)
{
    if (m_writeFails)
        return false;
    m_requests.emplace_back(data, data + size);
    return true;
}

long ScriptedSerialLine::waitForInput(Clock::time_point)
{
    return m_chunks.empty() ? kTimedOut : static_cast<long>(m_chunks.front().size());
}

long ScriptedSerialLine::read(std::uint8_t* data, std::size_t size)
{
    if (m_chunks.empty())
        return 0;
    std::vector<std::uint8_t>& chunk = m_chunks.front();
    const std::size_t n = std::min(size, chunk.size());
    std::memcpy(data, chunk.data(), n);
    chunk.erase(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    if (chunk.empty())
        m_chunks.pop_front();
    return static_cast<long>(n);
}

void ScriptedTcpTransport::queueResponse(std::vector<std::uint8_t> bytes)
{
    m_responses.push_back(std::move(bytes));
}

bool ScriptedTcpTransport::send(const std::uint8_t* data, std::size_t size)
{
    if (m_sendFails)
        return false;
    m_requests.emplace_back(data, data + size);
    if (!m_responses.empty()) {
        const std::vector<std::uint8_t> bytes = std::move(m_responses.front());
        m_responses.pop_front();
        // The receive thread delivers in chunks of at most 100 bytes.
        for (std::size_t pos = 0; pos < bytes.size(); pos += 100)
            m_received.append(bytes.data() + pos, std::min<std::size_t>(100, bytes.size() - pos));
    }
    return true;
}

} // namespace zrq7::link
