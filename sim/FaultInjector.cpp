// SPDX-License-Identifier: MIT
#include "FaultInjector.h"

namespace zrq7::sim {

FaultInjector::FaultInjector(const FaultRates& rates)
    : m_rates(rates), m_state(rates.seed), m_garbageState(rates.seed ^ 0x6A09E667F3BCC909ULL)
{
}

// SplitMix64: fully specified here, so a seed gives the same faults with any
// compiler and standard library.
std::uint64_t FaultInjector::nextRandom(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double FaultInjector::nextUnit(std::uint64_t& state)
{
    return double(nextRandom(state) >> 11) * 0x1.0p-53;
}

FaultDecision FaultInjector::decide(std::size_t frameSize)
{
    const std::lock_guard lock(m_mutex);
    // Always draw the same numbers per answer, so one rate does not shift
    // the sequence of the others.
    const double drop = nextUnit(m_state);
    const double corrupt = nextUnit(m_state);
    const double delay = nextUnit(m_state);
    const std::uint64_t where = nextRandom(m_state);
    const double garbage = nextUnit(m_garbageState);
    const std::uint64_t garbageSeed = nextRandom(m_garbageState);

    FaultDecision decision;
    decision.drop = drop < m_rates.drop;
    decision.corrupt = !decision.drop && frameSize > 0 && corrupt < m_rates.corrupt;
    if (decision.corrupt) {
        decision.corruptIndex = std::size_t(where % frameSize);
        decision.corruptMask = static_cast<std::uint8_t>(1 + (where >> 32) % 255);
    }
    if (!decision.drop && garbage < m_rates.garbage) {
        decision.garbage = true;
        decision.corrupt = false;
        decision.garbageSeed = garbageSeed;
    }
    if (!decision.drop && delay < m_rates.delay)
        decision.delay = m_rates.delayBy;
    ++m_counts.answers;
    m_counts.dropped += decision.drop;
    m_counts.corrupted += decision.corrupt;
    m_counts.delayed += decision.delay.count() > 0;
    return decision;
}

FaultCounts FaultInjector::counts()
{
    const std::lock_guard lock(m_mutex);
    return m_counts;
}

void FaultInjector::corrupt(const FaultDecision& decision, std::vector<std::uint8_t>& frame)
{
    if (decision.garbage) {
        std::uint64_t state = decision.garbageSeed;
        frame.resize(1 + nextRandom(state) % 300);
        for (std::uint8_t& byte : frame)
            byte = static_cast<std::uint8_t>(nextRandom(state));
        return;
    }
    if (decision.corrupt && decision.corruptIndex < frame.size())
        frame[decision.corruptIndex] ^= decision.corruptMask;
}

} // namespace zrq7::sim
