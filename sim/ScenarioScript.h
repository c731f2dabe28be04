// SPDX-License-Identifier: MIT
// Timed scenario events read from a script, one per line:
//   at 2.5 trip 3 value 120   fault bit 3 trips with value 120
//   at 5 clear 3              its cause is gone
//   at 6 set 200 1            register 200 takes 1, no checks
//   at 7 silent 3             the relay stops answering for 3 s
//   at 9 drop-tcp             every TCP connection is closed
//   at 9 unplug 4             the serial device goes away for 4 s (a pty with its link), then
//                             comes back at the same path
//   at 10 release 200         register 200 follows the relay again after "set" or "fail"
//   at 10 fail 1010           reads covering register 1010 answer exception 4
//   at 11 load 1.3            the motor draws 1.3 times its rated current
//   at 12 sensor 1 break      temperature sensor 1 wiring: normal, short or break
//   at 14 unit 5 trip 2 value 80   any relay event for one unit of several on the line
// Times are seconds from start; '#' starts a comment. A relay event without
// "unit N" happens to every relay the simulator plays.
#pragma once

#include "relay/RelayDevice.h"

#include <chrono>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace zrq7::sim {

struct ScenarioEvent
{
    enum class Kind { Trip, Clear, Set, Silent, DropTcp, Unplug, Release, Load, Sensor, Fail };

    std::chrono::milliseconds at{0};
    Kind kind = Kind::Trip;
    int bit = 0;                           // Trip, Clear
    std::int32_t value = 0;                // Trip: value the fault tripped at
    std::uint16_t reg = 0;                 // Set, Release, Fail
    std::uint16_t regValue = 0;            // Set
    std::chrono::milliseconds duration{0}; // Silent, Unplug
    double load = 0;                       // Load: multiple of the rated current
    int sensor = 0;                        // Sensor: 1 or 2
    SensorState sensorState = SensorState::Normal;
    std::uint8_t unit = 0; // relay events: the unit addressed, 0 = every relay
    int line = 0;
};

// The events in time order (events at the same time keep their script order),
// or nothing with `error` set to "<source>:<line>: <what is wrong>".
std::optional<std::vector<ScenarioEvent>> parseScenario(std::istream& in, const std::string& source,
                                                        std::string& error);

} // namespace zrq7::sim
