// SPDX-License-Identifier: MIT
// Modbus TCP on one connection: MBAP header (transaction, protocol 0,
// length, unit) in front of the PDU. Requests may arrive split across
// segments or several in one segment.
#pragma once

#include "SlaveRequest.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zrq7::sim {

class TcpFraming
{
public:
    void feed(const std::uint8_t* data, std::size_t size);
    // The next whole request; nothing while one is incomplete or the stream is broken.
    std::optional<SlaveRequest> next();
    // A header no Modbus TCP peer sends (protocol not 0, impossible length):
    // the stream cannot be resynchronised, the connection should be closed.
    bool broken() const { return m_broken; }

    static std::vector<std::uint8_t> encode(std::uint16_t transaction, std::uint8_t unit,
                                            const std::vector<std::uint8_t>& pdu);

private:
    std::vector<std::uint8_t> m_buffer;
    bool m_broken = false;
};

} // namespace zrq7::sim
