// SPDX-License-Identifier: MIT
#include "SettingsBank.h"

#include "DeviceParameterTable.h"

namespace zrq7::sim {

SettingsBank::SettingsBank(int firmwareVersion)
{
    for (const params::DeviceParameter& row : params::ParameterRows(firmwareVersion)) {
        if (row.address < kFirst || row.address > kLast)
            continue;
        Slot& slot = m_slots[index(row.address)];
        slot.present = true;
        slot.factory = static_cast<std::int16_t>(params::FactoryRegisterValue(row));
        slot.minimum = row.minimum;
        slot.maximum = row.maximum;
    }
    restoreFactory();
}

bool SettingsBank::has(std::uint16_t reg) const
{
    return reg >= kFirst && reg <= kLast && m_slots[index(reg)].present;
}

std::int16_t SettingsBank::value(std::uint16_t reg) const
{
    return has(reg) ? m_slots[index(reg)].value : 0;
}

bool SettingsBank::inBounds(std::uint16_t reg, std::int16_t value) const
{
    if (!has(reg))
        return false;
    const Slot& slot = m_slots[index(reg)];
    return value >= slot.minimum && value <= slot.maximum;
}

void SettingsBank::set(std::uint16_t reg, std::int16_t value)
{
    if (has(reg))
        m_slots[index(reg)].value = value;
}

void SettingsBank::restoreFactory()
{
    for (Slot& slot : m_slots)
        slot.value = slot.factory;
}

} // namespace zrq7::sim
