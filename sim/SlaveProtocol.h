// SPDX-License-Identifier: MIT
// The application layer of the slave: functions 03 and 06 answered from the
// relay model, every other function refused. Shared by all framings.
#pragma once

#include "SlaveRequest.h"
#include "relay/RelayDevice.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zrq7::sim {

inline constexpr std::uint8_t kReadHolding = 0x03;
inline constexpr std::uint8_t kWriteSingle = 0x06;
inline constexpr std::uint16_t kMaxReadCount = 125;   // a read response must fit 256 bytes

// The response PDU for one request PDU (normal or exception response).
std::vector<std::uint8_t> answerPdu(RelayDevice& relay, const std::vector<std::uint8_t>& pdu);

// Unit filtering around answerPdu: nothing for other units or while the relay
// is silent; on serial links a broadcast (unit 0) write is carried out unanswered.
class SlaveProtocol
{
public:
    SlaveProtocol(RelayDevice& relay, std::uint8_t unit) : m_relay(relay), m_unit(unit) {}

    std::optional<std::vector<std::uint8_t>> answer(const SlaveRequest& request, bool serialLink);
    std::uint8_t unit() const { return m_unit; }

private:
    RelayDevice& m_relay;
    std::uint8_t m_unit;
};

} // namespace zrq7::sim
