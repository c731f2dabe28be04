// SPDX-License-Identifier: MIT
// MODBUS ASCII: ':' + upper-case hex text + LRC + CR LF.
#include "ZRQ7DLL.h"
#include "framing.h"
#include "modbus_checks.h"

namespace zrq7::link {

namespace ascii {

namespace {
constexpr std::uint8_t kColon = ':';
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::size_t kMinimumFrame = 5;
constexpr std::size_t kWriteFrame = 14;    // address function register value LRC
constexpr std::size_t kExceptionFrame = 8; // address function code LRC

std::uint8_t byteAt(const std::uint8_t* chars, std::size_t pos)
{
    return static_cast<std::uint8_t>(decodeHexNibble(chars[pos]) << 4 | decodeHexNibble(chars[pos + 1]));
}
} // namespace

std::size_t buildRequest(const Request& request, std::uint8_t* out)
{
    std::uint8_t message[kRequestMessageSize];
    writeRequestMessage(request, message);
    out[0] = kColon;
    std::size_t pos = 1;
    for (std::uint8_t b : message) {
        modbus::hexByte(b, reinterpret_cast<char*>(out + pos));
        pos += 2;
    }
    modbus::hexByte(modbus::lrc(message, sizeof message), reinterpret_cast<char*>(out + pos));
    pos += 2;
    out[pos++] = kCr;
    out[pos++] = kLf;
    return pos;
}

Completion Scanner::feed(const std::uint8_t* chunk, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t c = chunk[i];
        if (c == kColon) {
            m_state = InFrame;
            m_count = 0;
        } else if (c == kCr) {
            if (m_state == InFrame) {
                m_state = GotCr;
            } else {
                m_state = Idle;
                m_count = 0;
            }
        } else if (c == kLf) {
            if (m_state == GotCr) {
                m_state = Done;
                // A frame too short to check is dropped and scanning goes on with the
                // rest of the chunk, so a good frame behind it is still found.
                if (m_count >= kMinimumFrame)
                    return {Completion::Complete, m_count, 0};
            } else {
                m_state = Idle;
                m_count = 0;
            }
        } else if (m_state == InFrame) {
            if (m_count < kFrameBufferSize)
                m_kept[m_count++] = c;
        } else {
            m_state = Idle;
            m_count = 0;
        }
    }
    return {};
}

CheckResult check(const std::uint8_t* chars, std::size_t count, const Request& request, ReadTarget target)
{
    if (count < kMinimumFrame || byteAt(chars, 0) != request.unit)
        return {LINK_ERR_FRAME, 0};
    const std::uint8_t function = byteAt(chars, 2);
    std::size_t required = 0;
    if (function & 0x80)
        required = kExceptionFrame;
    else if (function != static_cast<std::uint8_t>(request.function))
        return {LINK_ERR_FRAME, 0};
    else if (request.function == Function::WriteSingle)
        required = kWriteFrame;
    else if (count >= 6)
        required = 2 * std::size_t(byteAt(chars, 4)) + 8;
    if (count != required)
        return {LINK_ERR_FRAME, 0};

    const std::size_t messageBytes = (count - 2) / 2;
    std::uint8_t message[kFrameBufferSize / 2];
    for (std::size_t i = 0; i < messageBytes; ++i)
        message[i] = byteAt(chars, 2 * i);
    if (modbus::lrc(message, messageBytes) != byteAt(chars, count - 2))
        return {LINK_ERR_CHECKSUM, 0};

    if (function & 0x80)
        return {LINK_ERR_DEVICE, message[2]};
    if (request.function == Function::WriteSingle) {
        const std::uint16_t reg = static_cast<std::uint16_t>(message[2] << 8 | message[3]);
        const std::uint16_t value = static_cast<std::uint16_t>(message[4] << 8 | message[5]);
        return {reg == request.reg && value == request.countOrValue ? 1 : LINK_ERR_ECHO, 0};
    }
    const std::size_t byteCount = message[2];
    if (byteCount >= target.size)
        return {kTooLong, 0};
    for (std::size_t i = 0; i < byteCount; ++i)
        target.data[i] = message[3 + i];
    return {static_cast<std::int32_t>(byteCount), 0};
}

} // namespace ascii
} // namespace zrq7::link
