// SPDX-License-Identifier: MIT
// The simulator's command line.
#pragma once

#include "FaultInjector.h"
#include "LineTiming.h"
#include "SerialFraming.h"
#include "relay/RelayDevice.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace zrq7::sim {

struct SimulatorOptions
{
    bool tcp = false; // also on when no serial link is asked for
    std::string tcpHost = "127.0.0.1";
    std::uint16_t tcpPort = 5020; // 0: any free port, reported in the ready line
    std::string serialDevice;     // --serial: an existing serial device
    std::string ptyLink;          // --pty: symlink to a pseudo-terminal we create
    SerialMode serialMode = SerialMode::Rtu;
    LineSettings line;
    std::chrono::milliseconds turnaround{5};
    bool matchSpeed = false;            // --match-speed: on a pty, hear only a client at our speed
    std::vector<std::uint8_t> units{1}; // one relay each, on the same links
    RelayOptions relay;
    std::string scriptPath;
    FaultRates faults;
    bool verbose = false;

    bool serial() const { return !serialDevice.empty() || !ptyLink.empty(); }
};

enum class CommandLineResult { Run, Help, Error };

// Fills `options` from the arguments (without the program name).
CommandLineResult parseCommandLine(const std::vector<std::string>& args, SimulatorOptions& options,
                                   std::string& error);

std::string usageText();

} // namespace zrq7::sim
