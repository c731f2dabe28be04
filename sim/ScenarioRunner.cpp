// SPDX-License-Identifier: MIT
#include "ScenarioRunner.h"

namespace zrq7::sim {

ScenarioRunner::ScenarioRunner(std::vector<ScenarioEvent> events, std::vector<SlaveStation> relays,
                               LinkActions links)
    : m_events(std::move(events)), m_relays(std::move(relays)), m_links(std::move(links))
{
}

ScenarioRunner::~ScenarioRunner()
{
    stop();
}

void ScenarioRunner::start()
{
    m_start = std::chrono::steady_clock::now();
    // Events at 0 s set the starting state: in place before any link is served.
    std::size_t first = 0;
    for (; first < m_events.size() && m_events[first].at.count() == 0; ++first)
        play(m_events[first]);
    m_events.erase(m_events.begin(), m_events.begin() + long(first));
    m_thread = std::thread([this] { run(); });
}

void ScenarioRunner::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ScenarioRunner::apply(const ScenarioEvent& event, RelayDevice& relay, const LinkActions& links)
{
    switch (event.kind) {
    case ScenarioEvent::Kind::Trip:
        relay.tripFault(event.bit, event.value);
        break;
    case ScenarioEvent::Kind::Clear:
        relay.clearFault(event.bit);
        break;
    case ScenarioEvent::Kind::Set:
        relay.forceRegister(event.reg, event.regValue);
        break;
    case ScenarioEvent::Kind::Silent:
        relay.goSilent(event.duration);
        break;
    case ScenarioEvent::Kind::Release:
        relay.releaseRegister(event.reg);
        break;
    case ScenarioEvent::Kind::Fail:
        relay.failRegister(event.reg);
        break;
    case ScenarioEvent::Kind::Load:
        relay.setLoad(event.load);
        break;
    case ScenarioEvent::Kind::Sensor:
        relay.setSensor(event.sensor, event.sensorState);
        break;
    case ScenarioEvent::Kind::DropTcp:
        if (links.dropTcp)
            links.dropTcp();
        break;
    case ScenarioEvent::Kind::Unplug:
        if (links.unplugSerial)
            links.unplugSerial(event.duration);
        break;
    }
}

void ScenarioRunner::run()
{
    std::unique_lock lock(m_mutex);
    for (const ScenarioEvent& event : m_events) {
        if (m_wake.wait_until(lock, m_start + event.at, [this] { return m_stop; }))
            return;
        play(event);
    }
}

void ScenarioRunner::play(const ScenarioEvent& event)
{
    // Link events concern the line once, whichever relay carries them.
    const bool lineEvent =
        event.kind == ScenarioEvent::Kind::DropTcp || event.kind == ScenarioEvent::Kind::Unplug;
    for (const SlaveStation& station : m_relays) {
        if (lineEvent || event.unit == 0 || event.unit == station.unit)
            apply(event, *station.relay, m_links);
        if (lineEvent)
            return;
    }
}

} // namespace zrq7::sim
