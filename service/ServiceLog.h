// SPDX-License-Identifier: MIT
#pragma once

// zrq7rec's log: one line per event on stderr, which systemd hands to the
// journal (it stamps the time itself). Lines from several threads never mix.

#include <mutex>
#include <string>

namespace zrq7rec {

class ServiceLog
{
public:
    explicit ServiceLog(bool verbose = false) : m_verbose(verbose) {}

    // Link lost and restored, file opened and closed, broker connected and lost, errors.
    void event(const std::string& line);
    // What --verbose adds (each failed identification, each reconnect attempt).
    void detail(const std::string& line);
    bool verbose() const { return m_verbose; }

private:
    const bool m_verbose;
    std::mutex m_lock;
};

} // namespace zrq7rec
