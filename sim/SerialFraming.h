// SPDX-License-Identifier: MIT
// Slave side of a serial framing: bytes from the line in, whole requests out,
// and responses framed for the line. A request with a bad check sum is
// dropped without an answer, as on a real bus.
#pragma once

#include "SlaveRequest.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace zrq7::sim {

enum class SerialMode { Rtu, Ascii };

class SerialFraming
{
public:
    virtual ~SerialFraming() = default;

    // Bytes as read from the line, in any chunks.
    virtual void feed(const std::uint8_t* data, std::size_t size) = 0;
    // The next complete, valid request, if any; call until it gives nothing.
    virtual std::optional<SlaveRequest> next() = 0;
    // The line has been silent for the frame gap: ends what was buffered
    // (call once per silence; a framing may keep the start of a request).
    virtual std::optional<SlaveRequest> lineIdle() = 0;
    // True while part of a frame is buffered.
    virtual bool pending() const = 0;

    virtual std::vector<std::uint8_t> encode(std::uint8_t unit,
                                             const std::vector<std::uint8_t>& pdu) const = 0;
    // Silent characters that close a frame (RTU: 3.5; ASCII ends with CR LF: 0).
    virtual double frameGapCharacters() const = 0;
};

std::unique_ptr<SerialFraming> makeSerialFraming(SerialMode mode);

} // namespace zrq7::sim
