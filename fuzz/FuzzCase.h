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

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace zrq7::fuzz {

inline constexpr std::size_t kTrailerSize = 12;
inline constexpr std::uint32_t kLargestTarget = 1100;

struct FuzzCase {
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
// written past it.
struct Target {
    explicit Target(std::uint32_t size) : bytes(new std::uint8_t[size]), size(size) {}
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint32_t size;
    link::ReadTarget view() const { return {bytes.get(), size}; }
};

// The result of the attempt under test, reported with any broken promise.
inline std::int32_t lastResult = 0;

// A broken promise of the framing is a finding like a crash: report it and stop.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken (result %d): %s\n", __FILE__, __LINE__,             \
                         int(zrq7::fuzz::lastResult), #condition);                                 \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

} // namespace zrq7::fuzz
