// SPDX-License-Identifier: MIT
// MODBUS RTU: binary frames closed by a CRC-16 sent low byte first.
#include "ZRQ7DLL.h"
#include "framing.h"
#include "modbus_checks.h"

#include <cstring>

namespace zrq7::link::rtu {

namespace {
constexpr std::uint8_t kExceptionBit = 0x80;
constexpr std::size_t kMinimumResponse = 5; // address, function, byte count or code, CRC
} // namespace

std::size_t buildRequest(const Request& request, std::uint8_t* out)
{
    writeRequestMessage(request, out);
    const std::uint16_t crc = modbus::crc16(out, kRequestMessageSize);
    out[6] = static_cast<std::uint8_t>(crc);
    out[7] = static_cast<std::uint8_t>(crc >> 8);
    return kRequestSize;
}

Completion complete(const std::uint8_t* rx, std::size_t count, const Request& request)
{
    if (count < kMinimumResponse)
        return {};
    // Garbage in front of a frame shows as a wrong address: fail at once rather than wait.
    if (rx[0] != request.unit)
        return {Completion::Failed, 0, LINK_ERR_FRAME};
    std::size_t expected = 0;
    const std::uint8_t function = rx[1];
    if (function & kExceptionBit)
        expected = kMinimumResponse;
    else if (function == static_cast<std::uint8_t>(request.function))
        expected = request.function == Function::ReadHolding ? std::size_t(rx[2]) + 5 : kRequestSize;
    else
        return {Completion::Failed, 0, LINK_ERR_FRAME};
    if (count < expected)
        return {};
    return {Completion::Complete, expected, 0};
}

CheckResult check(const std::uint8_t* rx, std::size_t length, const Request& request, ReadTarget target)
{
    if (length < kMinimumResponse)
        return {LINK_ERR_FRAME, 0};
    const std::uint16_t crc = modbus::crc16(rx, length - 2);
    if (rx[length - 2] != static_cast<std::uint8_t>(crc) ||
        rx[length - 1] != static_cast<std::uint8_t>(crc >> 8))
        return {LINK_ERR_CHECKSUM, 0};
    if (rx[1] & kExceptionBit)
        return {LINK_ERR_DEVICE, rx[2]};
    if (request.function == Function::WriteSingle) {
        if (length < kRequestSize)
            return {LINK_ERR_FRAME, 0};
        const bool echoed = rx[2] == static_cast<std::uint8_t>(request.reg >> 8) &&
                            rx[3] == static_cast<std::uint8_t>(request.reg) &&
                            rx[4] == static_cast<std::uint8_t>(request.countOrValue >> 8) &&
                            rx[5] == static_cast<std::uint8_t>(request.countOrValue);
        return {echoed ? 1 : LINK_ERR_ECHO, 0};
    }
    const std::size_t byteCount = rx[2];
    if (length < byteCount + 5)
        return {LINK_ERR_FRAME, 0};
    // The data must be smaller than the caller's buffer.
    if (byteCount >= target.size)
        return {kTooLong, 0};
    if (byteCount)
        std::memcpy(target.data, rx + 3, byteCount);
    return {static_cast<std::int32_t>(byteCount), 0};
}

} // namespace zrq7::link::rtu
