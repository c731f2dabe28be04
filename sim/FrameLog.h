// SPDX-License-Identifier: MIT
// --verbose: one stderr line per frame in and out, in hex; silent otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace zrq7::sim {

class FrameLog
{
public:
    explicit FrameLog(bool enabled) : m_enabled(enabled) {}

    bool enabled() const { return m_enabled; }
    // e.g. frame("pty", "<-", bytes) or frame("tcp#3", "->", bytes, "delayed 1000 ms")
    void frame(const std::string& link, const char* direction, const std::vector<std::uint8_t>& bytes,
               const std::string& note = {});
    void note(const std::string& link, const std::string& text);

private:
    bool m_enabled;
    std::mutex m_mutex;
};

} // namespace zrq7::sim
