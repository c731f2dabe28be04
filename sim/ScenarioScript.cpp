// SPDX-License-Identifier: MIT
#include "ScenarioScript.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <sstream>

namespace zrq7::sim {

namespace {

constexpr int kFaultBits = 32;

bool parseInteger(const std::string& text, long long low, long long high, long long& out)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    int base = 10;
    bool negative = false;
    if (first != last && (*first == '-' || *first == '+'))
        negative = *first++ == '-';
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        base = 16;
        first += 2;
    }
    unsigned long long magnitude = 0;
    const auto [end, ec] = std::from_chars(first, last, magnitude, base);
    if (ec != std::errc() || end != last || first == last || magnitude > (1ULL << 40))
        return false;
    out = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return out >= low && out <= high;
}

bool parseDecimal(const std::string& text, double low, double high, double& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out) && out >= low &&
           out <= high;
}

bool parseSeconds(const std::string& text, std::chrono::milliseconds& out)
{
    double seconds = 0;
    if (!parseDecimal(text, 0, 1e7, seconds))
        return false;
    out = std::chrono::milliseconds(std::llround(seconds * 1000));
    return true;
}

// Parses one line's words into `event`; returns the problem, or "" when fine.
std::string parseEvent(std::vector<std::string> words, ScenarioEvent& event)
{
    if (words[0] != "at")
        return "expected 'at <seconds>', found '" + words[0] + "'";
    if (words.size() < 3)
        return "expected 'at <seconds> <event>'";
    if (!parseSeconds(words[1], event.at))
        return "'" + words[1] + "' is not a time in seconds";
    if (words[2] == "unit") {
        long long unit = 0;
        if (words.size() < 5 || !parseInteger(words[3], 1, 247, unit))
            return "expected 'unit <1..247> <event>'";
        if (words[4] == "drop-tcp" || words[4] == "unplug")
            return words[4] + " concerns the whole line, not one unit";
        event.unit = std::uint8_t(unit);
        words.erase(words.begin() + 2, words.begin() + 4);
    }
    const std::string& what = words[2];
    const std::size_t args = words.size() - 3;
    long long number = 0;
    if (what == "trip" || what == "clear") {
        if (args < 1 || !parseInteger(words[3], 0, kFaultBits - 1, number))
            return what + " needs a fault bit 0.." + std::to_string(kFaultBits - 1);
        event.kind = what == "trip" ? ScenarioEvent::Kind::Trip : ScenarioEvent::Kind::Clear;
        event.bit = int(number);
        if (what == "clear" || args == 1)
            return args == 1 ? "" : "unexpected '" + words[4] + "' after clear " + words[3];
        if (args != 3 || words[4] != "value")
            return "expected 'trip <bit> [value <number>]'";
        if (!parseInteger(words[5], INT32_MIN, INT32_MAX, number))
            return "'" + words[5] + "' is not a 32-bit value";
        event.value = std::int32_t(number);
        return "";
    }
    if (what == "set") {
        if (args != 2)
            return "expected 'set <register> <value>'";
        if (!parseInteger(words[3], 0, 0xFFFF, number))
            return "'" + words[3] + "' is not a register 0..65535";
        event.reg = std::uint16_t(number);
        if (!parseInteger(words[4], -0x8000, 0xFFFF, number))
            return "'" + words[4] + "' is not a 16-bit value";
        event.regValue = std::uint16_t(number & 0xFFFF);
        event.kind = ScenarioEvent::Kind::Set;
        return "";
    }
    if (what == "silent") {
        if (args != 1 || !parseSeconds(words[3], event.duration))
            return "expected 'silent <seconds>'";
        event.kind = ScenarioEvent::Kind::Silent;
        return "";
    }
    if (what == "unplug") {
        if (args != 1 || !parseSeconds(words[3], event.duration))
            return "expected 'unplug <seconds>'";
        event.kind = ScenarioEvent::Kind::Unplug;
        return "";
    }
    if (what == "drop-tcp") {
        if (args != 0)
            return "unexpected '" + words[3] + "' after drop-tcp";
        event.kind = ScenarioEvent::Kind::DropTcp;
        return "";
    }
    if (what == "release" || what == "fail") {
        if (args != 1 || !parseInteger(words[3], 0, 0xFFFF, number))
            return "expected '" + what + " <register>'";
        event.reg = std::uint16_t(number);
        event.kind = what == "fail" ? ScenarioEvent::Kind::Fail : ScenarioEvent::Kind::Release;
        return "";
    }
    if (what == "load") {
        if (args != 1 || !parseDecimal(words[3], 0, 20, event.load))
            return "expected 'load <multiple of rated current 0..20>'";
        event.kind = ScenarioEvent::Kind::Load;
        return "";
    }
    if (what == "sensor") {
        if (args != 2 || !parseInteger(words[3], 1, 2, number))
            return "expected 'sensor <1|2> <normal|short|break>'";
        event.sensor = int(number);
        if (words[4] == "normal")
            event.sensorState = SensorState::Normal;
        else if (words[4] == "short")
            event.sensorState = SensorState::Short;
        else if (words[4] == "break")
            event.sensorState = SensorState::Break;
        else
            return "'" + words[4] + "' is not normal, short or break";
        event.kind = ScenarioEvent::Kind::Sensor;
        return "";
    }
    return "unknown event '" + what +
           "' (trip, clear, set, release, fail, silent, load, sensor, drop-tcp, unplug)";
}

} // namespace

std::optional<std::vector<ScenarioEvent>> parseScenario(std::istream& in, const std::string& source,
                                                        std::string& error)
{
    std::vector<ScenarioEvent> events;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::vector<std::string> parts;
        for (std::string word; words >> word;)
            parts.push_back(word);
        if (parts.empty())
            continue;
        ScenarioEvent event;
        event.line = number;
        if (const std::string problem = parseEvent(parts, event); !problem.empty()) {
            error = source + ":" + std::to_string(number) + ": " + problem;
            return std::nullopt;
        }
        events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.at < b.at; });
    return events;
}

} // namespace zrq7::sim
