// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

// The register blocks of the poll rotation. Each block is one read of holding
// registers (function 03); requests are never merged across blocks.
namespace pollcycle {

enum class PollGroup { Fast, Medium, Slow };

enum class Block { A, B, C, D, E, F, G, H, I, J, K, L, M, N };

struct BlockSpec
{
    Block block;
    PollGroup group;
    uint16_t firstRegister;
    uint16_t count;
};

inline constexpr int maxBlockRegisters = 9;
// Every read goes into a buffer of this size (also the single fault value reads).
inline constexpr uint32_t readBufferBytes = 50;

// In rotation order: fast A-E every cycle, medium F-J every third cycle, slow K-N
// every twelfth; all three groups in the first cycle.
inline constexpr std::array<BlockSpec, 14> pollBlocks{{
    {Block::A, PollGroup::Fast, 30, 6},    // currents: slots 0-5
    {Block::B, PollGroup::Fast, 45, 9},    // voltages: slots 15-23
    {Block::C, PollGroup::Fast, 60, 9},    // powers, cos φ: slots 30-35, derived 41-49
    {Block::D, PollGroup::Fast, 90, 6},    // energies: slots 50-52
    {Block::E, PollGroup::Fast, 80, 6},    // relay clock
    {Block::F, PollGroup::Medium, 36, 9},  // average, peak, start, overload currents, start time: slots 6-14
    {Block::G, PollGroup::Medium, 54, 6},  // motor hours, insulation, frequency, timers: slots 24-29
    {Block::H, PollGroup::Medium, 69, 4},  // temperatures, analog inputs: slots 36-39
    {Block::I, PollGroup::Medium, 73, 2},  // thermal state: slot 40
    {Block::J, PollGroup::Medium, 900, 3}, // status word, fault mask
    {Block::K, PollGroup::Slow, 150, 4},   // transformer rating, rated current, averaging period
    {Block::L, PollGroup::Slow, 177, 4},   // line voltage thresholds
    {Block::M, PollGroup::Slow, 195, 2},   // restart delays
    {Block::N, PollGroup::Slow, 200, 1},   // remote motor control permission
}};

constexpr const BlockSpec& blockSpec(Block block)
{
    return pollBlocks[static_cast<int>(block)];
}

} // namespace pollcycle
