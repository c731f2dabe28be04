// SPDX-License-Identifier: MIT
// Plays scenario events on the relays at their times from start.
#pragma once

#include "ScenarioScript.h"
#include "SlaveProtocol.h"
#include "relay/RelayDevice.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zrq7::sim {

// What the links do for the events that concern them; empty when there is no such link.
struct LinkActions
{
    std::function<void()> dropTcp;                               // "drop-tcp"
    std::function<void(std::chrono::milliseconds)> unplugSerial; // "unplug"
};

class ScenarioRunner
{
public:
    ScenarioRunner(std::vector<ScenarioEvent> events, std::vector<SlaveStation> relays, LinkActions links);
    ~ScenarioRunner();

    // Carries out the events at 0 s at once, the rest on a thread at their times.
    void start();
    void stop();

    // Carries out one event now.
    static void apply(const ScenarioEvent& event, RelayDevice& relay, const LinkActions& links);

private:
    void run();
    void play(const ScenarioEvent& event);

    std::vector<ScenarioEvent> m_events;
    std::vector<SlaveStation> m_relays;
    LinkActions m_links;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::chrono::steady_clock::time_point m_start;
    std::thread m_thread;
};

} // namespace zrq7::sim
