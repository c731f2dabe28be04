// SPDX-License-Identifier: MIT
// RTU or ASCII exchanges over a serial line: discard queues, send the request, collect the
// response until the framing says it is complete or the attempt's time-out passes, check it.
#pragma once

#include "link_channel.h"
#include "serial_line.h"

#include <memory>

namespace zrq7::link {

enum class SerialFraming { Rtu, Ascii };

class SerialChannel final : public FramedChannel
{
public:
    SerialChannel(std::shared_ptr<SerialLine> line, SerialFraming framing);

    SerialFraming framing() const { return m_framing; }

private:
    std::int32_t exchange(Attempt& attempt) override;
    std::int32_t receiveRtu(Attempt& attempt, Clock::time_point deadline);
    std::int32_t receiveAscii(Attempt& attempt, Clock::time_point deadline);

    std::shared_ptr<SerialLine> m_line;
    SerialFraming m_framing;
    std::uint8_t m_tx[kFrameBufferSize] = {};
    std::uint8_t m_rx[kFrameBufferSize] = {};
};

} // namespace zrq7::link
