// SPDX-License-Identifier: MIT
#include "TcpFraming.h"

#include <algorithm>

namespace zrq7::sim {

namespace {

constexpr std::size_t kHeader = 6;      // transaction, protocol, length
constexpr std::size_t kMaxLength = 254; // unit + PDU of at most 253 bytes

} // namespace

void TcpFraming::feed(const std::uint8_t* data, std::size_t size)
{
    m_buffer.insert(m_buffer.end(), data, data + size);
}

std::optional<SlaveRequest> TcpFraming::next()
{
    if (m_broken || m_buffer.size() < kHeader)
        return std::nullopt;
    const std::size_t protocol = std::size_t(m_buffer[2]) << 8 | m_buffer[3];
    const std::size_t length = std::size_t(m_buffer[4]) << 8 | m_buffer[5];
    if (protocol != 0 || length < 2 || length > kMaxLength) {
        m_broken = true;
        return std::nullopt;
    }
    if (m_buffer.size() < kHeader + length)
        return std::nullopt;
    SlaveRequest request;
    request.transaction = static_cast<std::uint16_t>(m_buffer[0] << 8 | m_buffer[1]);
    request.unit = m_buffer[6];
    request.pdu.assign(m_buffer.begin() + kHeader + 1, m_buffer.begin() + long(kHeader + length));
    request.wireCharacters = kHeader + length;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + long(kHeader + length));
    return request;
}

std::vector<std::uint8_t> TcpFraming::encode(std::uint16_t transaction, std::uint8_t unit,
                                             const std::vector<std::uint8_t>& pdu)
{
    const std::size_t length = pdu.size() + 1;
    std::vector<std::uint8_t> frame(kHeader + length);
    frame[0] = static_cast<std::uint8_t>(transaction >> 8);
    frame[1] = static_cast<std::uint8_t>(transaction & 0xFF);
    frame[4] = static_cast<std::uint8_t>(length >> 8);
    frame[5] = static_cast<std::uint8_t>(length & 0xFF);
    frame[6] = unit;
    std::copy(pdu.begin(), pdu.end(), frame.begin() + kHeader + 1);
    return frame;
}

} // namespace zrq7::sim
