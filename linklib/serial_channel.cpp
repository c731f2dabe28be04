// SPDX-License-Identifier: MIT
#include "serial_channel.h"

#include "ZRQ7DLL.h"

namespace zrq7::link {

SerialChannel::SerialChannel(std::shared_ptr<SerialLine> line, SerialFraming framing)
    : m_line(std::move(line)), m_framing(framing)
{
}

std::int32_t SerialChannel::exchange(Attempt& attempt)
{
    const auto lock = m_line->lockForAttempt();
    if (!m_line->isOpen())
        return LINK_ERR_PORT;
    attempt.deviceError = 0;
    const std::size_t size = m_framing == SerialFraming::Rtu ? rtu::buildRequest(attempt.request, m_tx)
                                                             : ascii::buildRequest(attempt.request, m_tx);
    // A late answer to an earlier attempt must not be taken for this one's.
    m_line->discardQueues();
    if (!m_line->writeAll(m_tx, size))
        return LINK_ERR_IO;
    const Clock::time_point deadline = Clock::now() + attempt.timeout;
    return m_framing == SerialFraming::Rtu ? receiveRtu(attempt, deadline) : receiveAscii(attempt, deadline);
}

namespace {
// Waits for the next chunk and reads it into `into`, which has room for what an
// answer holding `held` bytes so far may still take. Returns the chunk's size,
// or a result code (< 0) that ends the attempt. The read takes whatever has
// arrived, up to the room: one call instead of asking the driver for the count
// first, on every answer of the poll. A chunk that fills the room means the
// answer would not fit: overflow.
long readNextChunk(SerialLine& line, Clock::time_point deadline, std::uint8_t* into, std::size_t held)
{
    const long waiting = line.waitForInput(deadline);
    if (waiting == SerialLine::kTimedOut)
        return LINK_ERR_TIMEOUT;
    if (waiting == SerialLine::kClosed)
        return LINK_ERR_PORT;
    if (waiting < 0)
        return LINK_ERR_IO;
    const std::size_t room = kFrameBufferSize - held;
    const long got = line.read(into, room);
    if (got < 0)
        return LINK_ERR_IO;
    if (static_cast<std::size_t>(got) >= room)
        return LINK_ERR_OVERFLOW;
    return got;
}
} // namespace

std::int32_t SerialChannel::receiveRtu(Attempt& attempt, Clock::time_point deadline)
{
    std::size_t count = 0;
    for (;;) {
        const long got = readNextChunk(*m_line, deadline, m_rx + count, count);
        if (got < 0)
            return static_cast<std::int32_t>(got);
        count += static_cast<std::size_t>(got);
        const Completion done = rtu::complete(m_rx, count, attempt.request);
        if (done.status == Completion::Failed)
            return done.code;
        if (done.status == Completion::Complete) {
            const CheckResult result = rtu::check(m_rx, done.length, attempt.request, attempt.target);
            attempt.deviceError = result.deviceError;
            return result.code;
        }
        if (Clock::now() >= deadline)
            return LINK_ERR_TIMEOUT;
    }
}

std::int32_t SerialChannel::receiveAscii(Attempt& attempt, Clock::time_point deadline)
{
    ascii::Scanner scanner;
    for (;;) {
        // The scanner keeps the characters; the buffer only carries each chunk to it.
        const long got = readNextChunk(*m_line, deadline, m_rx, scanner.count());
        if (got < 0)
            return static_cast<std::int32_t>(got);
        const Completion done = scanner.feed(m_rx, static_cast<std::size_t>(got));
        if (done.status == Completion::Complete) {
            const CheckResult result =
                ascii::check(scanner.characters(), scanner.count(), attempt.request, attempt.target);
            attempt.deviceError = result.deviceError;
            return result.code;
        }
        if (Clock::now() >= deadline)
            return LINK_ERR_TIMEOUT;
    }
}

} // namespace zrq7::link
