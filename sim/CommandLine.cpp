// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace zrq7::sim {

namespace {

bool toInteger(const std::string& text, long long low, long long high, long long& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() && out >= low &&
           out <= high;
}

bool toRate(const std::string& text, double& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() && out >= 0 && out <= 1;
}

bool toDouble(const std::string& text, double low, double high, double& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() && out >= low &&
           out <= high;
}

// "REG=VALUE", VALUE signed 16-bit.
bool parseSetting(const std::string& text, std::pair<std::uint16_t, std::int16_t>& out)
{
    const std::size_t equals = text.find('=');
    long long reg = 0;
    long long value = 0;
    if (equals == std::string::npos || !toInteger(text.substr(0, equals), 0, 65535, reg) ||
        !toInteger(text.substr(equals + 1), -32768, 32767, value))
        return false;
    out = {std::uint16_t(reg), std::int16_t(value)};
    return true;
}

// "YYYY-MM-DDTHH:MM:SS" (a space instead of T also works).
bool parseDateTime(const std::string& text, RelayDateTime& out)
{
    int fields[6];
    char separators[5];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d%c%2d%c%2d%c%2d%c%2d%c%2d%c", &fields[0], &separators[0], &fields[1],
                    &separators[1], &fields[2], &separators[2], &fields[3], &separators[3], &fields[4],
                    &separators[4], &fields[5], &tail) != 11)
        return false;
    if (separators[0] != '-' || separators[1] != '-' || (separators[2] != 'T' && separators[2] != ' ') ||
        separators[3] != ':' || separators[4] != ':')
        return false;
    out = {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    return out.year >= 2000 && out.year <= 2099 && out.month >= 1 && out.month <= 12 && out.day >= 1 &&
           out.day <= 31 && out.hour <= 23 && out.minute <= 59 && out.second <= 59 && out.hour >= 0 &&
           out.minute >= 0 && out.second >= 0;
}

// "[HOST:]PORT"; an IPv6 host goes in brackets: [::1]:5020.
bool parseEndpoint(const std::string& text, std::string& host, std::uint16_t& port)
{
    std::string portText = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
        if (host.empty())
            return false;
    }
    long long value = 0;
    if (!toInteger(portText, 0, 65535, value))
        return false;
    port = std::uint16_t(value);
    return true;
}

} // namespace

std::string usageText()
{
    return R"(Usage: zrq7sim [options]
A ZRQ-7/8 relay as a MODBUS slave (functions 03 and 06) for tests and demos.

Links (TCP on 127.0.0.1:5020 when none is given; TCP and one serial link may run together):
  --tcp [HOST:]PORT     Modbus TCP listener; port 0 picks a free port
  --serial DEVICE       serve on a serial device (raw, line settings below)
  --pty PATH            create a pseudo-terminal and a symlink PATH to it
  --rtu | --ascii       serial framing (default RTU)
  --unit N[,N...]       slave addresses 1..247 (default 1): one relay each, with its own
                        registers, motor and fault log, on the same links; other units
                        get no answer
  --baud 9600|19200     line speed (default 9600)
  --data-bits 7|8       (default 8)
  --parity none|even    (default none)
  --stop-bits 1|2       (default 2)
  --turnaround MS       relay's reply delay on serial links (default 5)
  --match-speed         on a pty, ignore requests while the client's line speed is not
                        --baud (on a real line they would arrive garbled)
                        (a pty always moves 8N1 bytes; there the line settings set the
                        emulated timing: answers wait as long as the real line would take)

Relay:
  --id N                identifier in register 0 (default 11)
  --firmware N          firmware version in register 1 (default 12)
  --seed N              seed of the measurement noise (default 1)
  --rated-current A     rated motor current in register 151 (default 42; 0 as from the factory)
  --remote-control 0|1  remote control allowed, register 200 (default 1; 0 as from the factory)
  --load X              motor load as a multiple of the rated current (default 0.85)
  --setting REG=VALUE   a setting over the factory values, unchecked (repeatable)
  --start-time YYYY-MM-DDTHH:MM:SS   relay clock at power-on (default: the PC's local time)
  --clock-ahead S       seconds written to the clock (register 80) land S seconds ahead (0..59)

Scenario and faults:
  --script FILE         timed events, e.g. "at 2.5 trip 3 value 120", "at 5 clear 3",
                        "at 6 set 200 1", "at 7 silent 3", "at 9 drop-tcp", "at 10 release 200",
                        "at 10 fail 1010" (reads covering 1010 answer exception 4 until released),
                        "at 11 load 1.3", "at 12 sensor 1 break", "at 13 unplug 4" (the serial
                        device goes away for 4 s, then comes back at its path); '#' comments
  --drop-rate R         share 0..1 of answers not sent
  --corrupt-rate R      share 0..1 of answers with one byte flipped
  --garbage-rate R      share 0..1 of answers replaced by 1..300 random bytes
  --delay-rate R        share 0..1 of answers sent late by --delay-ms D
  --delay-ms D          (default 1000)
  --fault-seed N        seed of the fault choice (default 1)
  --fail-register REG[xN]  reads and writes of REG answer exception 4 (device failure),
                        the first N requests or always (repeatable)

  --verbose             log every frame to stderr
  --help                this text

Prints "zrq7sim ready tcp=HOST:PORT pty=PATH" once all links are up.
With faults, prints "zrq7sim faults answers=N dropped=N corrupted=N delayed=N" at the end.
Exit codes: 0 after SIGINT/SIGTERM, 1 bad arguments or script, 2 a link or file cannot be opened.
)";
}

CommandLineResult parseCommandLine(const std::vector<std::string>& args, SimulatorOptions& options,
                                   std::string& error)
{
    bool delayGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = option + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        const auto integer = [&](long long low, long long high, long long& out) {
            std::string text;
            if (!value(text))
                return false;
            if (!toInteger(text, low, high, out)) {
                error = option + ": '" + text + "' is not a whole number " + std::to_string(low) + ".." +
                        std::to_string(high);
                return false;
            }
            return true;
        };
        const auto rate = [&](double& out) {
            std::string text;
            if (!value(text))
                return false;
            if (!toRate(text, out)) {
                error = option + ": '" + text + "' is not a rate between 0 and 1";
                return false;
            }
            return true;
        };
        const auto choice = [&](std::initializer_list<const char*> allowed, std::string& out) {
            if (!value(out))
                return false;
            for (const char* word : allowed)
                if (out == word)
                    return true;
            error = option + ": '" + out + "' is not one of";
            for (const char* word : allowed)
                error += std::string(" ") + word;
            return false;
        };

        long long number = 0;
        std::string text;
        if (option == "--help" || option == "-h") {
            return CommandLineResult::Help;
        } else if (option == "--tcp") {
            if (!value(text))
                return CommandLineResult::Error;
            if (!parseEndpoint(text, options.tcpHost, options.tcpPort)) {
                error = "--tcp: '" + text + "' is not [HOST:]PORT";
                return CommandLineResult::Error;
            }
            options.tcp = true;
        } else if (option == "--serial" || option == "--pty") {
            if (!value(text))
                return CommandLineResult::Error;
            (option == "--serial" ? options.serialDevice : options.ptyLink) = text;
            if (!options.serialDevice.empty() && !options.ptyLink.empty()) {
                error = "--serial and --pty: only one serial link";
                return CommandLineResult::Error;
            }
        } else if (option == "--match-speed") {
            options.matchSpeed = true;
        } else if (option == "--rtu" || option == "--ascii") {
            options.serialMode = option == "--rtu" ? SerialMode::Rtu : SerialMode::Ascii;
        } else if (option == "--unit") {
            if (!value(text))
                return CommandLineResult::Error;
            options.units.clear();
            std::istringstream list(text);
            for (std::string item; std::getline(list, item, ',');) {
                if (!toInteger(item, 1, 247, number)) {
                    error = "--unit: '" + item + "' is not a whole number 1..247";
                    return CommandLineResult::Error;
                }
                if (std::find(options.units.begin(), options.units.end(), number) != options.units.end()) {
                    error = "--unit: " + item + " is given twice";
                    return CommandLineResult::Error;
                }
                options.units.push_back(std::uint8_t(number));
            }
            if (options.units.empty() || text.back() == ',') {
                error = "--unit: '" + text + "' is not a list of whole numbers 1..247";
                return CommandLineResult::Error;
            }
        } else if (option == "--baud") {
            if (!choice({"9600", "19200"}, text))
                return CommandLineResult::Error;
            options.line.baud = std::stoi(text);
        } else if (option == "--data-bits") {
            if (!choice({"7", "8"}, text))
                return CommandLineResult::Error;
            options.line.dataBits = std::stoi(text);
        } else if (option == "--parity") {
            if (!choice({"none", "even"}, text))
                return CommandLineResult::Error;
            options.line.parity = text == "even" ? Parity::Even : Parity::None;
        } else if (option == "--stop-bits") {
            if (!choice({"1", "2"}, text))
                return CommandLineResult::Error;
            options.line.stopBits = std::stoi(text);
        } else if (option == "--turnaround") {
            if (!integer(0, 60000, number))
                return CommandLineResult::Error;
            options.turnaround = std::chrono::milliseconds(number);
        } else if (option == "--id" || option == "--firmware") {
            if (!integer(0, 65535, number))
                return CommandLineResult::Error;
            (option == "--id" ? options.relay.identifier : options.relay.firmware) = std::uint16_t(number);
        } else if (option == "--seed") {
            if (!integer(0, UINT32_MAX, number))
                return CommandLineResult::Error;
            options.relay.seed = std::uint32_t(number);
        } else if (option == "--rated-current") {
            if (!integer(0, 65535, number))
                return CommandLineResult::Error;
            options.relay.ratedCurrent = std::uint16_t(number);
        } else if (option == "--remote-control") {
            if (!integer(0, 1, number))
                return CommandLineResult::Error;
            options.relay.remoteControl = std::uint16_t(number);
        } else if (option == "--load") {
            if (!value(text))
                return CommandLineResult::Error;
            if (!toDouble(text, 0, 20, options.relay.load)) {
                error = "--load: '" + text + "' is not a multiple of the rated current 0..20";
                return CommandLineResult::Error;
            }
        } else if (option == "--setting") {
            std::pair<std::uint16_t, std::int16_t> setting;
            if (!value(text))
                return CommandLineResult::Error;
            if (!parseSetting(text, setting)) {
                error = "--setting: '" + text + "' is not REGISTER=VALUE (value -32768..32767)";
                return CommandLineResult::Error;
            }
            options.relay.settings.push_back(setting);
        } else if (option == "--start-time") {
            RelayDateTime start;
            if (!value(text))
                return CommandLineResult::Error;
            if (!parseDateTime(text, start)) {
                error = "--start-time: '" + text + "' is not YYYY-MM-DDTHH:MM:SS";
                return CommandLineResult::Error;
            }
            options.relay.startTime = start;
        } else if (option == "--clock-ahead") {
            if (!integer(0, 59, number))
                return CommandLineResult::Error;
            options.relay.clockAheadSeconds = int(number);
        } else if (option == "--fail-register") {
            if (!value(text))
                return CommandLineResult::Error;
            const std::size_t times = text.find('x');
            long long reg = 0;
            long long count = -1;
            if (!toInteger(text.substr(0, times), 0, 65535, reg) ||
                (times != std::string::npos && !toInteger(text.substr(times + 1), 1, 1000000, count))) {
                error = "--fail-register: '" + text + "' is not REGISTER or REGISTERxTIMES";
                return CommandLineResult::Error;
            }
            options.relay.failingRegisters[std::uint16_t(reg)] = int(count);
        } else if (option == "--script") {
            if (!value(options.scriptPath))
                return CommandLineResult::Error;
        } else if (option == "--drop-rate") {
            if (!rate(options.faults.drop))
                return CommandLineResult::Error;
        } else if (option == "--corrupt-rate") {
            if (!rate(options.faults.corrupt))
                return CommandLineResult::Error;
        } else if (option == "--garbage-rate") {
            if (!rate(options.faults.garbage))
                return CommandLineResult::Error;
        } else if (option == "--delay-rate") {
            if (!rate(options.faults.delay))
                return CommandLineResult::Error;
        } else if (option == "--delay-ms") {
            if (!integer(0, 600000, number))
                return CommandLineResult::Error;
            options.faults.delayBy = std::chrono::milliseconds(number);
            delayGiven = true;
        } else if (option == "--fault-seed") {
            if (!integer(0, INT64_MAX, number))
                return CommandLineResult::Error;
            options.faults.seed = std::uint64_t(number);
        } else if (option == "--verbose" || option == "-v") {
            options.verbose = true;
        } else {
            error = "unknown option '" + option + "'";
            return CommandLineResult::Error;
        }
    }
    if (!delayGiven)
        options.faults.delayBy = std::chrono::milliseconds(1000);
    if (!options.serial())
        options.tcp = true;
    return CommandLineResult::Run;
}

} // namespace zrq7::sim
