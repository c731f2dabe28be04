// SPDX-License-Identifier: MIT
// Seeded, reproducible faults on answers for reliability tests: an answer is
// dropped, corrupted (one byte flipped), replaced by garbage (random bytes of a
// random length, as from a line full of noise or a device gone mad) or held back
// past the master's time-out. The same seed and the same order of requests give
// the same faults.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zrq7::sim {

struct FaultRates
{
    double drop = 0;    // share of answers never sent
    double corrupt = 0; // share of answers with one byte changed
    double delay = 0;   // share of answers sent `delayBy` late
    std::chrono::milliseconds delayBy{0};
    std::uint64_t seed = 1;
    double garbage = 0; // share of answers replaced by 1..300 random bytes

    bool any() const { return drop > 0 || corrupt > 0 || delay > 0 || garbage > 0; }
};

// How many answers each fault has hit so far.
struct FaultCounts
{
    std::uint64_t answers = 0;
    std::uint64_t dropped = 0;
    std::uint64_t corrupted = 0;
    std::uint64_t delayed = 0;
};

struct FaultDecision
{
    bool drop = false;
    std::chrono::milliseconds delay{0};
    bool corrupt = false;
    std::size_t corruptIndex = 0;  // into the framed answer
    std::uint8_t corruptMask = 0;  // XORed into that byte, never 0
    bool garbage = false;          // the answer replaced by random bytes (then no corruption)
    std::uint64_t garbageSeed = 0; // the bytes' seed
};

class FaultInjector
{
public:
    explicit FaultInjector(const FaultRates& rates);

    // One decision per answer, drawn in call order. Thread-safe.
    FaultDecision decide(std::size_t frameSize);
    // Applies the corruption or garbage of a decision to the framed answer.
    static void corrupt(const FaultDecision& decision, std::vector<std::uint8_t>& frame);
    // The decisions drawn so far. Thread-safe.
    FaultCounts counts();

private:
    static std::uint64_t nextRandom(std::uint64_t& state);
    double nextUnit(std::uint64_t& state);

    FaultRates m_rates;
    std::uint64_t m_state;
    // Garbage draws from a stream of its own, so adding it to a run leaves the
    // drops, corruptions and delays a seed gives as they were.
    std::uint64_t m_garbageState;
    FaultCounts m_counts;
    std::mutex m_mutex;
};

} // namespace zrq7::sim
