// SPDX-License-Identifier: MIT
#pragma once

#include "SerialFraming.h"

namespace zrq7::sim {

// RTU: binary frames with CRC-16. A real line ends a frame with 3.5 silent
// characters; a pseudo-terminal has no gaps, so a request also ends where its
// function code says its length is, once the CRC matches.
class RtuFraming final : public SerialFraming
{
public:
    void feed(const std::uint8_t* data, std::size_t size) override;
    std::optional<SlaveRequest> next() override;
    std::optional<SlaveRequest> lineIdle() override;
    bool pending() const override { return !m_buffer.empty(); }
    std::vector<std::uint8_t> encode(std::uint8_t unit, const std::vector<std::uint8_t>& pdu) const override;
    double frameGapCharacters() const override { return 3.5; }

    // Length of the request starting at frame[0] of the `size` bytes there:
    // 0 while too few bytes tell, -1 when only the silence after it can.
    static long expectedRequestLength(const std::uint8_t* frame, std::size_t size);

private:
    std::optional<SlaveRequest> take(std::size_t offset, std::size_t length);

    std::vector<std::uint8_t> m_buffer;
};

} // namespace zrq7::sim
