// SPDX-License-Identifier: MIT
// How a fuzz input becomes one exchange attempt. The input is the slave's response bytes
// followed by a 12-byte trailer that picks the request the master sent:
//
//   trailer[0]      flags: bit 0 = write (function 06, else read 03),
//                          bit 1 = repair the response's CRC/LRC before it is delivered
//   trailer[1]      unit address
//   trailer[2..3]   register (high byte first)
//   trailer[4..5]   register count (read) or value (write), high byte first
//   trailer[6..7]   size of the caller's buffer in bytes (high byte first, at most 1100)
//   trailer[8]      the line delivers the response in chunks of this many bytes (0 = at once)
//   trailer[9..10]  TCP transaction counter before the request (the request carries it + 1)
//   trailer[11]     unused
//
// Putting the trailer at the end keeps the seed files readable: a frame as it goes on the
// wire, then the few bytes that say what was asked.
#pragma once

#include "framing.h"
#include "link_channel.h"

#include <ZRQ7DLL.h>
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

namespace zrq7::fuzz {

inline constexpr std::size_t kTrailerSize = 12;
inline constexpr std::uint32_t kLargestTarget = 1100;

struct FuzzCase
{
    link::Request request;
    bool write = false;
    bool repairChecksum = false;
    std::uint32_t targetSize = 0;
    std::size_t chunkSize = 0;
    std::uint16_t transactionCounter = 0;
    std::vector<std::uint8_t> response;
};

inline bool parseCase(const std::uint8_t* data, std::size_t size, FuzzCase& out)
{
    if (size < kTrailerSize)
        return false;
    const std::uint8_t* t = data + size - kTrailerSize;
    const auto word = [](const std::uint8_t* p) { return std::uint16_t(p[0] << 8 | p[1]); };
    out.write = t[0] & 1;
    out.repairChecksum = t[0] & 2;
    out.request.function = out.write ? link::Function::WriteSingle : link::Function::ReadHolding;
    out.request.unit = t[1];
    out.request.reg = word(t + 2);
    out.request.countOrValue = word(t + 4);
    out.targetSize = word(t + 6) % (kLargestTarget + 1);
    out.chunkSize = t[8];
    out.transactionCounter = word(t + 9);
    out.response.assign(data, t);
    return true;
}

// The caller's buffer, allocated at exactly its size so the address sanitizer sees any byte
// written past it, and filled with a pattern that shows whether anything was written at all.
struct Target
{
    static constexpr std::uint8_t kPattern = 0xA5;
    explicit Target(std::uint32_t size) : bytes(new std::uint8_t[size]), size(size)
    {
        std::memset(bytes.get(), kPattern, size);
    }
    bool untouched() const
    {
        return std::all_of(bytes.get(), bytes.get() + size, [](std::uint8_t b) { return b == kPattern; });
    }
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint32_t size;
};

// The result of the attempt under test, reported with any broken promise.
inline std::int32_t lastResult = 0;

// One attempt of the case's request on a channel, into target.
inline std::int32_t runAttempt(link::LinkChannel& channel, const FuzzCase& c, Target& target,
                               std::chrono::milliseconds timeout, std::uint32_t& deviceError)
{
    link::Attempt attempt;
    attempt.request = c.request;
    attempt.target = {target.bytes.get(), target.size};
    attempt.timeout = timeout;
    const std::int32_t result = c.write ? channel.writeRegister(attempt) : channel.readRegisters(attempt);
    deviceError = attempt.deviceError;
    lastResult = result;
    return result;
}

inline bool isOneOf(std::int32_t result, std::initializer_list<std::int32_t> codes)
{
    return std::find(codes.begin(), codes.end(), result) != codes.end();
}

// What one serial attempt (RTU or ASCII) may return. A read response without data bytes is
// taken as it stands: 0 bytes copied.
inline bool isSerialWriteResult(std::int32_t result)
{
    return isOneOf(result, {1, LINK_ERR_TIMEOUT, LINK_ERR_DEVICE, LINK_ERR_CHECKSUM, LINK_ERR_FRAME,
                            LINK_ERR_ECHO, LINK_ERR_OVERFLOW});
}
inline bool isSerialReadResult(std::int32_t result)
{
    return result >= 0 || isOneOf(result, {-7, LINK_ERR_TIMEOUT, LINK_ERR_DEVICE, LINK_ERR_CHECKSUM,
                                           LINK_ERR_FRAME, LINK_ERR_OVERFLOW});
}

// A broken promise of the framing is a finding like a crash: report it and stop.
#define FUZZ_REQUIRE(condition)                                                                              \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: broken (result %d): %s\n", __FILE__, __LINE__,                      \
                         int(zrq7::fuzz::lastResult), #condition);                                           \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

} // namespace zrq7::fuzz
