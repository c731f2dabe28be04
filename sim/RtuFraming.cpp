// SPDX-License-Identifier: MIT
#include "RtuFraming.h"

#include "modbus_checks.h"

namespace zrq7::sim {

namespace {

constexpr std::size_t kMinFrame = 4; // unit, function, CRC
constexpr std::size_t kMaxFrame = 256;

bool crcMatches(const std::uint8_t* frame, std::size_t length)
{
    const std::uint16_t crc = modbus::crc16(frame, length - 2);
    return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

} // namespace

void RtuFraming::feed(const std::uint8_t* data, std::size_t size)
{
    m_buffer.insert(m_buffer.end(), data, data + size);
}

long RtuFraming::expectedRequestLength(const std::uint8_t* frame, std::size_t size)
{
    if (size < 2)
        return 0;
    switch (frame[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x08:
        return 8; // unit, function, two 16-bit fields, CRC
    case 0x07:
    case 0x0B:
    case 0x0C:
    case 0x11:
        return 4; // unit, function, CRC
    case 0x0F:
    case 0x10: // write multiple: byte count at 6
        return size < 7 ? 0 : 9 + long(frame[6]);
    case 0x17: // read/write multiple: byte count at 10
        return size < 11 ? 0 : 13 + long(frame[10]);
    default:
        return -1;
    }
}

std::optional<SlaveRequest> RtuFraming::take(std::size_t offset, std::size_t length)
{
    SlaveRequest request;
    const auto frame = m_buffer.begin() + long(offset);
    request.unit = frame[0];
    request.pdu.assign(frame + 1, frame + long(length) - 2);
    request.wireCharacters = length;
    m_buffer.erase(m_buffer.begin(), frame + long(length));
    return request;
}

std::optional<SlaveRequest> RtuFraming::next()
{
    // Normally a request starts at offset 0. After noise or a frame with a
    // bad CRC, the next request may start anywhere: take the first place
    // where a request of known length is complete and its CRC matches.
    for (std::size_t offset = 0; offset + kMinFrame <= m_buffer.size(); ++offset) {
        const std::size_t rest = m_buffer.size() - offset;
        const long length = expectedRequestLength(m_buffer.data() + offset, rest);
        if (length > 0 && std::size_t(length) <= rest &&
            crcMatches(m_buffer.data() + offset, std::size_t(length)))
            return take(offset, std::size_t(length));
    }
    if (m_buffer.size() > kMaxFrame) // noise without end: keep only what may still become a frame
        m_buffer.erase(m_buffer.begin(), m_buffer.end() - long(kMaxFrame));
    return std::nullopt;
}

std::optional<SlaveRequest> RtuFraming::lineIdle()
{
    std::optional<SlaveRequest> request;
    // Whatever the silence closes is one frame: valid only as a whole.
    if (m_buffer.size() >= kMinFrame && m_buffer.size() <= kMaxFrame &&
        crcMatches(m_buffer.data(), m_buffer.size()))
        return take(0, m_buffer.size());
    // Except the start of a request whose length is known: USB serial adapters
    // deliver bytes in bursts with pauses longer than the gap, so the rest
    // may still come. A repeated request behind it is found by next() anyway.
    const long length = expectedRequestLength(m_buffer.data(), m_buffer.size());
    if (length > 0 && std::size_t(length) > m_buffer.size())
        return std::nullopt;
    m_buffer.clear();
    return std::nullopt;
}

std::vector<std::uint8_t> RtuFraming::encode(std::uint8_t unit, const std::vector<std::uint8_t>& pdu) const
{
    std::vector<std::uint8_t> frame;
    frame.reserve(pdu.size() + 3);
    frame.push_back(unit);
    frame.insert(frame.end(), pdu.begin(), pdu.end());
    const std::uint16_t crc = modbus::crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

} // namespace zrq7::sim
