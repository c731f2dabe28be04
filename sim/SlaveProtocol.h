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
inline constexpr std::uint16_t kMaxReadCount = 125; // a read response must fit 256 bytes

// The response PDU for one request PDU (normal or exception response).
std::vector<std::uint8_t> answerPdu(RelayDevice& relay, const std::vector<std::uint8_t>& pdu);

// One relay on the line and the slave address it answers to.
struct SlaveStation
{
    std::uint8_t unit = 1;
    RelayDevice* relay = nullptr;
};

// Unit filtering around answerPdu: each request goes to the relay with its
// address; nothing for other units or while that relay is silent; on serial
// links a broadcast (unit 0) write is carried out by every relay, unanswered.
class SlaveProtocol
{
public:
    SlaveProtocol(RelayDevice& relay, std::uint8_t unit) : m_stations{{unit, &relay}} {}
    explicit SlaveProtocol(std::vector<SlaveStation> stations) : m_stations(std::move(stations)) {}

    std::optional<std::vector<std::uint8_t>> answer(const SlaveRequest& request, bool serialLink);

private:
    std::vector<SlaveStation> m_stations;
};

} // namespace zrq7::sim
