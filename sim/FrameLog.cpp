// SPDX-License-Identifier: MIT
#include "FrameLog.h"

#include "modbus_checks.h"

#include <cstdio>

namespace zrq7::sim {

void FrameLog::frame(const std::string& link, const char* direction, const std::vector<std::uint8_t>& bytes,
                     const std::string& note)
{
    if (!m_enabled)
        return;
    std::string line = link + " " + direction;
    for (std::uint8_t b : bytes) {
        char hex[2];
        modbus::hexByte(b, hex);
        line += ' ';
        line.append(hex, 2);
    }
    if (!note.empty())
        line += " (" + note + ")";
    const std::lock_guard lock(m_mutex);
    std::fprintf(stderr, "%s\n", line.c_str());
}

void FrameLog::note(const std::string& link, const std::string& text)
{
    if (!m_enabled)
        return;
    const std::lock_guard lock(m_mutex);
    std::fprintf(stderr, "%s: %s\n", link.c_str(), text.c_str());
}

} // namespace zrq7::sim
