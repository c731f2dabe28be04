// SPDX-License-Identifier: MIT
// Modbus TCP: MBAP header (transaction id, protocol id, length, unit) + PDU, no check sum.
#include "ZRQ7DLL.h"
#include "framing.h"

#include <cstring>

namespace zrq7::link::tcp {

namespace {
constexpr std::size_t kHeaderSize = 6; // transaction id, protocol id, length
constexpr std::size_t kUnitOffset = 6;
constexpr std::size_t kFunctionOffset = 7;

std::size_t lengthField(const std::uint8_t* frame)
{
    return std::size_t(frame[4]) << 8 | frame[5];
}
} // namespace

std::size_t buildRequest(const Request& request, std::uint16_t transactionId, std::uint8_t* out)
{
    out[0] = static_cast<std::uint8_t>(transactionId >> 8);
    out[1] = static_cast<std::uint8_t>(transactionId);
    out[2] = 0;
    out[3] = 0;
    out[4] = 0;
    out[5] = 6;
    writeRequestMessage(request, out + kHeaderSize);
    return kRequestSize;
}

Scan scan(const std::uint8_t* rx, std::size_t count, std::uint16_t transactionId, std::uint8_t unit)
{
    std::size_t offset = 0;
    for (;;) {
        if (count < offset + kHeaderSize + 1)
            return {Scan::Incomplete, offset, 0};
        const std::uint8_t* frame = rx + offset;
        const std::size_t frameSize = kHeaderSize + lengthField(frame);
        // Late answers to earlier attempts carry an older transaction id: step over them.
        if (frame[0] != static_cast<std::uint8_t>(transactionId >> 8) ||
            frame[1] != static_cast<std::uint8_t>(transactionId) || frame[2] != 0 || frame[3] != 0) {
            offset += frameSize;
            continue;
        }
        if (frame[kUnitOffset] != unit)
            return {Scan::Failed, offset, LINK_ERR_FRAME};
        if (count < offset + frameSize)
            return {Scan::Incomplete, offset, 0};
        return {Scan::Complete, offset, 0};
    }
}

CheckResult check(const std::uint8_t* rx, std::size_t count, std::size_t offset, const Request& request,
                  ReadTarget target)
{
    if (offset > count || count - offset < kHeaderSize + 1)
        return {LINK_ERR_FRAME, 0};
    const std::uint8_t* frame = rx + offset;
    const std::size_t frameSize = kHeaderSize + lengthField(frame);
    if (count - offset < frameSize)
        return {LINK_ERR_FRAME, 0};
    // Every field read below must lie inside this frame, not in whatever follows it.
    auto fits = [&](std::size_t end) { return end <= frameSize; };

    if (!fits(kFunctionOffset + 1))
        return {LINK_ERR_FRAME, 0};
    const std::uint8_t function = frame[kFunctionOffset];
    if (function & 0x80) {
        if (!fits(kFunctionOffset + 2))
            return {LINK_ERR_FRAME, 0};
        return {LINK_ERR_DEVICE, frame[kFunctionOffset + 1]};
    }
    if (request.function == Function::WriteSingle) {
        if (!fits(kFunctionOffset + 5))
            return {LINK_ERR_FRAME, 0};
        // Function, register and value must come back as sent.
        std::uint8_t sent[kRequestMessageSize];
        writeRequestMessage(request, sent);
        return {std::memcmp(frame + kFunctionOffset, sent + 1, 5) == 0 ? 1 : LINK_ERR_ECHO, 0};
    }
    if (!fits(kFunctionOffset + 2))
        return {LINK_ERR_FRAME, 0};
    const std::size_t byteCount = frame[kFunctionOffset + 1];
    // On TCP the data may fill the caller's buffer exactly.
    if (byteCount > target.size)
        return {kTooLong, 0};
    if (!fits(kFunctionOffset + 2 + byteCount))
        return {LINK_ERR_FRAME, 0};
    if (byteCount)
        std::memcpy(target.data, frame + kFunctionOffset + 2, byteCount);
    return {static_cast<std::int32_t>(byteCount), 0};
}

} // namespace zrq7::link::tcp
