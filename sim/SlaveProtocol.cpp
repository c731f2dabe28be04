// SPDX-License-Identifier: MIT
#include "SlaveProtocol.h"

namespace zrq7::sim {

namespace {

std::vector<std::uint8_t> exceptionPdu(std::uint8_t function, Exception code)
{
    return {static_cast<std::uint8_t>(function | 0x80), static_cast<std::uint8_t>(code)};
}

std::uint16_t word(const std::vector<std::uint8_t>& pdu, std::size_t at)
{
    return static_cast<std::uint16_t>(pdu[at] << 8 | pdu[at + 1]);
}

} // namespace

std::vector<std::uint8_t> answerPdu(RelayDevice& relay, const std::vector<std::uint8_t>& pdu)
{
    if (pdu.empty())
        return {};
    const std::uint8_t function = pdu[0];
    if (function != kReadHolding && function != kWriteSingle)
        return exceptionPdu(function, Exception::IllegalFunction);
    // Both functions carry exactly two 16-bit fields.
    if (pdu.size() != 5)
        return exceptionPdu(function, Exception::IllegalDataValue);

    const std::uint16_t address = word(pdu, 1);
    const std::uint16_t second = word(pdu, 3);
    if (function == kWriteSingle) {
        const Exception result = relay.writeSingle(address, second);
        if (result != Exception::None)
            return exceptionPdu(function, result);
        return pdu; // the normal answer echoes the request
    }

    const std::uint16_t count = second;
    if (count < 1 || count > kMaxReadCount)
        return exceptionPdu(function, Exception::IllegalDataValue);
    if (address + count > 0x10000)
        return exceptionPdu(function, Exception::IllegalDataAddress);
    std::uint16_t registers[kMaxReadCount];
    const Exception result = relay.readHolding(address, count, registers);
    if (result != Exception::None)
        return exceptionPdu(function, result);
    std::vector<std::uint8_t> response{function, static_cast<std::uint8_t>(2 * count)};
    for (std::uint16_t i = 0; i < count; ++i) {
        response.push_back(static_cast<std::uint8_t>(registers[i] >> 8));
        response.push_back(static_cast<std::uint8_t>(registers[i] & 0xFF));
    }
    return response;
}

std::optional<std::vector<std::uint8_t>> SlaveProtocol::answer(const SlaveRequest& request, bool serialLink)
{
    if (serialLink && request.unit == 0) {
        if (!request.pdu.empty() && request.pdu[0] == kWriteSingle)
            for (const SlaveStation& station : m_stations)
                if (!station.relay->isSilent())
                    answerPdu(*station.relay, request.pdu);
        return std::nullopt;
    }
    for (const SlaveStation& station : m_stations) {
        if (station.unit != request.unit)
            continue;
        if (station.relay->isSilent())
            return std::nullopt;
        std::vector<std::uint8_t> pdu = answerPdu(*station.relay, request.pdu);
        if (pdu.empty())
            return std::nullopt;
        return pdu;
    }
    return std::nullopt;
}

} // namespace zrq7::sim
