// SPDX-License-Identifier: MIT
// zrq7rec: records the relays of one line unattended, into the panel's day files,
// and publishes them to an MQTT broker. No display, no Qt event loop: the main
// thread waits for SIGTERM/SIGINT and once a second looks after the units and
// tells systemd how they are doing.
#include "PanelProfile.h"
#include "ServiceLog.h"
#include "ServiceOptions.h"
#include "SharedLine.h"
#include "ShutdownSignals.h"
#include "SystemdNotify.h"
#include "UnitChannel.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace zrq7rec;
using namespace std::chrono_literals;

namespace {

// A stop must be over within 2 s of the signal.
constexpr auto stopDeadline = 1900ms;

std::string unitList(const std::vector<int>& units)
{
    std::string text;
    for (const int unit : units)
        text += (text.empty() ? "" : ",") + std::to_string(unit);
    return text;
}

// The stop, in an order that keeps the data: the records in flight are finished
// and the files closed (the last record still shows the units as they were),
// nothing new is read from the line, every unit says "offline" (together, each
// takes up to about a second), then the units' threads end. Those wait for the register read on the line,
// which a silent relay can hold for retries x time-out: when that would miss the deadline, the program ends
// without it; the files are closed by then.
void stopUnits(SharedLine& line, std::vector<std::unique_ptr<UnitChannel>>& units, ServiceLog& log)
{
    const auto deadline = std::chrono::steady_clock::now() + stopDeadline;
    for (auto& unit : units)
        unit->stopRecording();
    line.shut();
    for (auto& unit : units)
        unit->requestStop();
    {
        std::vector<std::thread> stops;
        for (auto& unit : units)
            stops.emplace_back([&unit] { unit->stopPublishing(); });
        for (auto& stop : stops)
            stop.join();
    }
    auto joined = std::async(std::launch::async, [&units] {
        for (auto& unit : units)
            unit->join();
    });
    if (joined.wait_until(deadline) != std::future_status::ready) {
        log.event("zrq7rec: koniec bez czekania na odpowiedź przekaźnika (pliki zamknięte)");
        std::_Exit(0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const OptionsResult parsed = parseServiceOptions(args);
    if (const int code = reportOptionsOutcome(parsed); code >= 0)
        return code;
    ServiceOptions options = parsed.options;
    std::optional<PanelLink> profile;
    if (options.link.kind == LinkKind::Profile)
        profile = readPanelLink(panelProfilePath());
    if (const std::string error = completeFromProfile(options, profile); !error.empty()) {
        std::fprintf(stderr, "zrq7rec: %s\n%s\n", error.c_str(), usageLine().c_str());
        return usageExitCode;
    }
    std::optional<MqttSettings> mqtt;
    if (!options.mqtt.url.empty()) {
        MqttSettings settings;
        std::string error;
        if (!mqttSettingsFrom(options.mqtt, settings, error)) {
            std::fprintf(stderr, "zrq7rec: %s\n%s\n", error.c_str(), usageLine().c_str());
            return usageExitCode;
        }
        mqtt = settings;
    }
    const std::string dbDir = options.dbDir.empty() ? defaultDbDir() : options.dbDir;

    ShutdownSignals shutdownSignals;
    if (!shutdownSignals.install()) {
        std::perror("zrq7rec: signalfd");
        return 1;
    }
    ServiceLog log(options.verbose);
    SharedLine line(options.link, *options.timeoutMs, log);
    log.event("zrq7rec: łącze " + line.text() + ", przekaźniki " + unitList(options.units) + ", pliki w " +
              dbDir + ", interwał " + std::to_string(options.intervalSeconds) + " s" +
              (mqtt ? ", MQTT " + options.mqtt.url + " (" + mqtt->topicPrefix + ")" : ""));

    std::vector<std::unique_ptr<UnitChannel>> units;
    for (const int unit : options.units) {
        UnitSetup setup;
        setup.unit = unit;
        setup.retries = *options.retries;
        setup.intervalSeconds = uint32_t(options.intervalSeconds);
        setup.folder = unitDbDir(dbDir, unit, options.units.size());
        setup.mqtt = mqtt;
        setup.clock = Recorder::programClock();
        units.push_back(std::make_unique<UnitChannel>(std::move(setup), line, log));
    }
    for (auto& unit : units) {
        std::string error;
        if (!unit->start(error)) {
            log.event("zrq7rec: " + error);
            stopUnits(line, units, log);
            return 1;
        }
    }

    // A unit shows it lives within the time its reads may take while they queue
    // for the line behind the other units' (retries and time-outs included).
    const auto readBound = std::chrono::milliseconds(uint64_t(*options.timeoutMs) * (*options.retries + 1)) *
                               std::max<std::size_t>(options.units.size(), 1) +
                           10s;
    const bool watchdog = systemd::watchdogInterval().has_value();
    bool ready = false;
    int signal = 0;
    while ((signal = shutdownSignals.wait(1000)) == 0) {
        if (!ready &&
            std::all_of(units.begin(), units.end(), [](auto& unit) { return unit->firstAttemptDone(); })) {
            ready = true;
            systemd::notifyReady();
            log.event("zrq7rec: gotowy");
        }
        for (auto& unit : units)
            unit->maintain();
        if (watchdog &&
            std::all_of(units.begin(), units.end(), [&](auto& unit) { return unit->aliveWithin(readBound); }))
            systemd::notifyWatchdog();
    }
    systemd::notifyStopping();
    log.event(std::string("zrq7rec: zatrzymanie (") + (signal == SIGINT ? "SIGINT" : "SIGTERM") + ")");
    stopUnits(line, units, log);
    log.event("zrq7rec: zakończono");
    return 0;
}
