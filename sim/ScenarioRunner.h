// SPDX-License-Identifier: MIT
// Plays scenario events on the relay at their times from start.
#pragma once

#include "ScenarioScript.h"
#include "relay/RelayDevice.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zrq7::sim {

class ScenarioRunner
{
public:
    // `dropTcp` runs for "drop-tcp" events (may be empty when there is no TCP link).
    ScenarioRunner(std::vector<ScenarioEvent> events, RelayDevice& relay, std::function<void()> dropTcp);
    ~ScenarioRunner();

    // Carries out the events at 0 s at once, the rest on a thread at their times.
    void start();
    void stop();

    // Carries out one event now.
    static void apply(const ScenarioEvent& event, RelayDevice& relay, const std::function<void()>& dropTcp);

private:
    void run();

    std::vector<ScenarioEvent> m_events;
    RelayDevice& m_relay;
    std::function<void()> m_dropTcp;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::chrono::steady_clock::time_point m_start;
    std::thread m_thread;
};

} // namespace zrq7::sim
