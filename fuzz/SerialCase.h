// SPDX-License-Identifier: MIT
// One fuzz case on the real serial channel: the scripted line answers the request with the
// case's response, in the case's chunks.
#pragma once

#include "FuzzCase.h"
#include "scripted_transports.h"
#include "serial_channel.h"

#include <memory>

namespace zrq7::fuzz {

struct SerialRun
{
    std::shared_ptr<link::ScriptedSerialLine> line = std::make_shared<link::ScriptedSerialLine>();
    Target target;
    std::int32_t result = 0;
    std::uint32_t deviceError = 0;

    SerialRun(const FuzzCase& c, link::SerialFraming framing) : target(c.targetSize)
    {
        line->queueResponse(c.response.data(), c.response.size(), c.chunkSize);
        link::SerialChannel channel(line, framing);
        result = runAttempt(channel, c, target, std::chrono::milliseconds(50), deviceError);
    }
    // The one request the master wrote (an attempt writes exactly one).
    const std::vector<std::uint8_t>& request() const { return line->requests().front(); }
};

} // namespace zrq7::fuzz
