// SPDX-License-Identifier: MIT
// A relay's fault log in memory behind the link library's read contract: a
// register map, registers whose reads fail, and the reads made.
#pragma once

#include "FaultLogRows.h"

#include <QList>
#include <cstdint>
#include <map>
#include <set>

namespace reporttest {

struct StandInLog
{
    std::map<uint32_t, uint16_t> registers;
    std::set<uint32_t> failing;
    QList<uint32_t> reads; // first register of every read

    // Entry i: code, value, then the BCD bytes minutes, seconds, day, hours, year, month.
    void setEntry(int i, uint16_t code, uint16_t value, uint8_t min = 0, uint8_t sec = 0, uint8_t day = 1,
                  uint8_t hour = 0, uint8_t year = 0x26, uint8_t month = 1)
    {
        const uint32_t first = faultreport::firstEntryRegister + 5 * uint32_t(i);
        registers[first] = code;
        registers[first + 1] = value;
        registers[first + 2] = uint16_t(min << 8 | sec);
        registers[first + 3] = uint16_t(day << 8 | hour);
        registers[first + 4] = uint16_t(year << 8 | month);
    }

    faultreport::RegisterRead reader()
    {
        return [this](uint32_t, uint32_t first, uint32_t count, uint8_t* buffer, uint32_t size,
                      uint32_t) -> int32_t {
            reads << first;
            if (count * 2 >= size)
                return -7;
            for (uint32_t r = first; r < first + count; ++r)
                if (failing.count(r))
                    return -103;
            for (uint32_t i = 0; i < count; ++i) {
                const auto it = registers.find(first + i);
                const uint16_t value = it == registers.end() ? 0xFFFF : it->second; // an erased log
                buffer[2 * i] = uint8_t(value >> 8);
                buffer[2 * i + 1] = uint8_t(value);
            }
            return int32_t(count * 2);
        };
    }
};

} // namespace reporttest
