// SPDX-License-Identifier: MIT
// zrq7sim: a ZRQ-7/8 relay as a MODBUS slave on TCP and/or a serial line.
#include "CommandLine.h"
#include "FaultInjector.h"
#include "FrameLog.h"
#include "ScenarioRunner.h"
#include "SerialPort.h"
#include "SerialSlave.h"
#include "SlaveProtocol.h"
#include "TcpServer.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <pthread.h>

using namespace zrq7::sim;

namespace {

constexpr int kExitBadArguments = 1;
constexpr int kExitCannotOpen = 2;

int fail(int code, const std::string& message)
{
    std::fprintf(stderr, "zrq7sim: %s\n", message.c_str());
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    SimulatorOptions options;
    std::string error;
    switch (parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case CommandLineResult::Help:
        std::fputs(usageText().c_str(), stdout);
        return 0;
    case CommandLineResult::Error:
        std::fprintf(stderr, "zrq7sim: %s\n\n%s", error.c_str(), usageText().c_str());
        return kExitBadArguments;
    case CommandLineResult::Run:
        break;
    }

    std::vector<ScenarioEvent> events;
    if (!options.scriptPath.empty()) {
        std::ifstream script(options.scriptPath);
        if (!script)
            return fail(kExitCannotOpen, "cannot read script " + options.scriptPath);
        auto parsed = parseScenario(script, options.scriptPath, error);
        if (!parsed)
            return fail(kExitBadArguments, error);
        events = std::move(*parsed);
    }

    // SIGINT and SIGTERM are taken by sigwait below, in this thread only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // One relay per unit on the line; each its own noise, so their measurements differ.
    std::vector<std::unique_ptr<RelayDevice>> relays;
    std::vector<SlaveStation> stations;
    for (std::size_t i = 0; i < options.units.size(); ++i) {
        RelayOptions relayOptions = options.relay;
        relayOptions.seed += std::uint32_t(i);
        relays.push_back(createRelay(relayOptions));
        stations.push_back({options.units[i], relays.back().get()});
    }
    SlaveProtocol protocol(stations);
    FrameLog log(options.verbose);
    std::unique_ptr<FaultInjector> faults;
    if (options.faults.any())
        faults = std::make_unique<FaultInjector>(options.faults);

    std::unique_ptr<TcpServer> tcp;
    if (options.tcp) {
        tcp = std::make_unique<TcpServer>(protocol, faults.get(), log);
        if (!tcp->listen(options.tcpHost, options.tcpPort, error))
            return fail(kExitCannotOpen, error);
    }
    // The serial link, opened again the same way after an "unplug" event.
    const SerialSlave::PortOpener openPort = [&options](std::string& problem) -> std::unique_ptr<SerialPort> {
        if (!options.serialDevice.empty())
            return SerialPort::openDevice(options.serialDevice, options.line, problem);
        return SerialPort::createPty(options.ptyLink, options.line, problem);
    };
    std::unique_ptr<SerialSlave> serial;
    std::string serialReady;
    if (options.serial()) {
        std::unique_ptr<SerialPort> port = openPort(error);
        if (!port)
            return fail(kExitCannotOpen, error);
        serialReady = (options.ptyLink.empty() ? " serial=" : " pty=") + port->path();
        serial = std::make_unique<SerialSlave>(
            std::move(port), openPort, options.serialMode,
            SerialTiming{options.line, options.turnaround, options.matchSpeed}, protocol, faults.get(), log);
    }
    LinkActions links;
    if (tcp)
        links.dropTcp = [&tcp] { tcp->dropConnections(); };
    if (serial)
        links.unplugSerial = [&serial](std::chrono::milliseconds duration) { serial->unplug(duration); };
    ScenarioRunner scenario(std::move(events), stations, std::move(links));
    scenario.start();
    if (tcp)
        tcp->start();
    if (serial)
        serial->start();

    std::string ready = "zrq7sim ready";
    if (tcp)
        ready += " tcp=" + tcp->endpoint();
    ready += serialReady;
    std::printf("%s\n", ready.c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);

    scenario.stop();
    if (serial)
        serial->stop();
    if (tcp)
        tcp->stop();
    if (faults) {
        const FaultCounts counts = faults->counts();
        std::printf("zrq7sim faults answers=%llu dropped=%llu corrupted=%llu delayed=%llu\n",
                    (unsigned long long)counts.answers, (unsigned long long)counts.dropped,
                    (unsigned long long)counts.corrupted, (unsigned long long)counts.delayed);
    }
    return 0;
}
