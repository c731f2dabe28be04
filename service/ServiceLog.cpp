// SPDX-License-Identifier: MIT
#include "ServiceLog.h"

#include <cstdio>

namespace zrq7rec {

void ServiceLog::event(const std::string& line)
{
    const std::string text = line + '\n';
    std::lock_guard lock(m_lock);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void ServiceLog::detail(const std::string& line)
{
    if (m_verbose)
        event(line);
}

} // namespace zrq7rec
