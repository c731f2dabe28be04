// SPDX-License-Identifier: MIT
#include "AsciiFraming.h"

#include "modbus_checks.h"

namespace zrq7::sim {

namespace {

constexpr std::size_t kMaxText = 2 * 256;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

void AsciiFraming::feed(const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i] & 0x7F); // 7-bit lines may carry parity in bit 7
        if (c == ':') {
            m_state = State::Text;
            m_text.clear();
        } else if (m_state == State::Text && c == '\r') {
            m_state = State::Cr;
        } else if (m_state == State::Cr && c == '\n') {
            finishFrame();
            m_state = State::Idle;
        } else if (m_state == State::Text && m_text.size() < kMaxText) {
            m_text.push_back(c);
        } else {
            m_state = State::Idle; // stray or overlong: wait for the next ':'
        }
    }
}

void AsciiFraming::finishFrame()
{
    // Unit, function and LRC at least, two characters each.
    if (m_text.size() < 6 || m_text.size() % 2 != 0)
        return;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < m_text.size(); i += 2) {
        const int high = hexValue(m_text[i]);
        const int low = hexValue(m_text[i + 1]);
        if (high < 0 || low < 0)
            return;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    if (modbus::lrc(bytes.data(), bytes.size() - 1) != bytes.back())
        return;
    SlaveRequest request;
    request.unit = bytes[0];
    request.pdu.assign(bytes.begin() + 1, bytes.end() - 1);
    request.wireCharacters = m_text.size() + 3; // ':' and CR LF
    m_ready.push_back(std::move(request));
}

std::optional<SlaveRequest> AsciiFraming::next()
{
    if (m_ready.empty())
        return std::nullopt;
    SlaveRequest request = std::move(m_ready.front());
    m_ready.erase(m_ready.begin());
    return request;
}

std::vector<std::uint8_t> AsciiFraming::encode(std::uint8_t unit, const std::vector<std::uint8_t>& pdu) const
{
    std::vector<std::uint8_t> message{unit};
    message.insert(message.end(), pdu.begin(), pdu.end());
    message.push_back(modbus::lrc(message.data(), message.size()));
    std::vector<std::uint8_t> frame{':'};
    for (std::uint8_t b : message) {
        char hex[2];
        modbus::hexByte(b, hex);
        frame.push_back(static_cast<std::uint8_t>(hex[0]));
        frame.push_back(static_cast<std::uint8_t>(hex[1]));
    }
    frame.push_back('\r');
    frame.push_back('\n');
    return frame;
}

} // namespace zrq7::sim
