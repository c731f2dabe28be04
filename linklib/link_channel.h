// SPDX-License-Identifier: MIT
// The operations every transport of the link provides: one attempt of a register write and
// one attempt of a register read. Retries, gates and the exchange lock live above this.
#pragma once

#include "framing.h"

#include <chrono>
#include <cstdint>

namespace zrq7::link {

using Clock = std::chrono::steady_clock;

// Result codes of opening and setting up a link (register calls use LINK_ERR_*).
inline constexpr std::int32_t kOpenFailed = -1;
inline constexpr std::int32_t kSetupRefused = -2;
inline constexpr std::int32_t kNoSocket = -3;
inline constexpr std::int32_t kConnectFailed = -4;
inline constexpr std::int32_t kNoThread = -8;

// One exchange attempt: what to send, where read data go, and how long to wait for the answer.
struct Attempt
{
    Request request;
    ReadTarget target; // read only
    std::chrono::milliseconds timeout{100};
    std::uint32_t deviceError = 0; // set to the exception code when the result is -103
};

class LinkChannel
{
public:
    virtual ~LinkChannel() = default;
    // Returns 1 when the relay echoed the write, else a negative result code.
    virtual std::int32_t writeRegister(Attempt& attempt) = 0;
    // Returns the number of data bytes copied into attempt.target, else a negative result code.
    virtual std::int32_t readRegisters(Attempt& attempt) = 0;
};

// A channel that runs both operations as one framed request/response exchange.
class FramedChannel : public LinkChannel
{
public:
    std::int32_t writeRegister(Attempt& attempt) final
    {
        attempt.request.function = Function::WriteSingle;
        return exchange(attempt);
    }
    std::int32_t readRegisters(Attempt& attempt) final
    {
        attempt.request.function = Function::ReadHolding;
        return exchange(attempt);
    }

protected:
    virtual std::int32_t exchange(Attempt& attempt) = 0;
};

} // namespace zrq7::link
