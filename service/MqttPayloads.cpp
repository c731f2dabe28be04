// SPDX-License-Identifier: MIT
#include "MqttPayloads.h"

#include "ZRQ7DLL.h"
#include "wide_text.h"

#include <charconv>
#include <cstdlib>

namespace zrq7rec {
namespace {

std::string utf8(const char16_t* text)
{
    std::string out;
    zrq7::link::toUtf8(text, out);
    return out;
}

// The number of decimals of a power-of-ten divisor; -1 for any other divisor.
int decimalsOf(uint32_t divisor)
{
    int decimals = 0;
    for (; divisor > 1 && divisor % 10 == 0; divisor /= 10)
        ++decimals;
    return divisor <= 1 ? decimals : -1;
}

std::string twoDigits(int value)
{
    return std::string{char('0' + value / 10 % 10), char('0' + value % 10)};
}

} // namespace

std::string jsonString(std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string decimalText(int32_t raw, uint32_t divisor)
{
    const int decimals = decimalsOf(divisor);
    if (decimals <= 0) {
        if (decimals == 0)
            return std::to_string(raw);
        // No catalogue entry has such a divisor; the shortest exact form (to_chars
        // knows no locale).
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, double(raw) / double(divisor)).ptr;
        return std::string(text, end);
    }
    const int64_t value = raw;
    const uint64_t magnitude = uint64_t(value < 0 ? -value : value);
    uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    std::string fraction = std::to_string(magnitude % scale);
    fraction.insert(0, std::size_t(decimals) - fraction.size(), '0');
    return (value < 0 ? "-" : "") + std::to_string(magnitude / scale) + "." + fraction;
}

std::string isoLocalTime(std::time_t time)
{
    std::tm local{};
    ::localtime_r(&time, &local);
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long absolute = std::labs(offsetMinutes);
    return std::to_string(local.tm_year + 1900) + "-" + twoDigits(local.tm_mon + 1) + "-" +
           twoDigits(local.tm_mday) + "T" + twoDigits(local.tm_hour) + ":" + twoDigits(local.tm_min) + ":" +
           twoDigits(local.tm_sec) + (offsetMinutes < 0 ? "-" : "+") + twoDigits(int(absolute / 60)) + ":" +
           twoDigits(int(absolute % 60));
}

std::string identityJson(const UnitIdentity& identity)
{
    return "{\"id\":" + std::to_string(identity.id) + ",\"firmware\":" + std::to_string(identity.firmware) +
           ",\"unit\":" + std::to_string(identity.unit) + ",\"link\":" + jsonString(identity.link) + "}";
}

std::string measurementsJson(const UnitReading& reading)
{
    std::string values;
    if (reading.linkState != 0) {
        for (int k = 0; k < measurementCount; ++k) {
            const _tagSTRUCT_MEASURE_INFO& entry = dll_nMeasureInfo[k];
            const std::string name = utf8(entry.szName);
            if (name.empty())
                continue; // the heating and the per-phase powers have no short name
            if (!values.empty())
                values += ',';
            values += jsonString(name) + ":" + decimalText(reading.values[std::size_t(k)], entry.nDivisor);
        }
    }
    return "{\"time\":" + jsonString(isoLocalTime(reading.time)) +
           ",\"link\":" + std::to_string(reading.linkState) + ",\"values\":{" + values + "}}";
}

std::string faultsJson(const std::vector<ActiveFault>& faults)
{
    std::string list;
    for (const ActiveFault& fault : faults) {
        if (fault.code < 0 || fault.code >= faultCount)
            continue;
        const _tagSTRUCT_ERR_INFO& entry = dll_nErrInfo[fault.code];
        if (!list.empty())
            list += ',';
        list += "{\"code\":" + std::to_string(fault.code) + ",\"name\":" + jsonString(utf8(entry.szName)) +
                ",\"text\":" + jsonString(utf8(entry.szDescription)) +
                ",\"value\":" + jsonString(fault.value) + "}";
    }
    return "[" + list + "]";
}

} // namespace zrq7rec
