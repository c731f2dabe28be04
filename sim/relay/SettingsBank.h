// SPDX-License-Identifier: MIT
// The relay's settings, registers 150-244, held in memory with the bounds of the
// settings table for the relay's firmware version. A register the version does not
// have (243 and 244 outside version 11) is not there at all.
#pragma once

#include <array>
#include <cstdint>

namespace zrq7::sim {

class SettingsBank
{
public:
    static constexpr std::uint16_t kFirst = 150;
    static constexpr std::uint16_t kLast = 244;

    explicit SettingsBank(int firmwareVersion);

    bool has(std::uint16_t reg) const;
    std::int16_t value(std::uint16_t reg) const; // 0 for a register that is not there
    bool inBounds(std::uint16_t reg, std::int16_t value) const;
    void set(std::uint16_t reg, std::int16_t value); // unchecked; ignored when not there
    void restoreFactory();

private:
    struct Slot
    {
        bool present = false;
        std::int16_t value = 0;
        std::int16_t factory = 0;
        std::int32_t minimum = 0;
        std::int32_t maximum = 0;
    };
    static std::size_t index(std::uint16_t reg) { return reg - kFirst; }

    std::array<Slot, kLast - kFirst + 1> m_slots{};
};

} // namespace zrq7::sim
