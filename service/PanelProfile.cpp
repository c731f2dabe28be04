// SPDX-License-Identifier: MIT
#include "PanelProfile.h"

#include "ProfileText.h"
#include "SettingsLetters.h"
#include "wide_text.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <unistd.h>

namespace zrq7rec {
namespace {

constexpr std::size_t recordSize = 1204;
// Offsets of the link fields in ProgramSettings (little-endian 32-bit words).
constexpr std::size_t deviceAddressAt = 12;
constexpr std::size_t tcpPortAt = 16;
constexpr std::size_t ipAddressAt = 20; // first octet in the most significant byte
constexpr std::size_t portNameAt = 24;  // 260 UTF-16 units, zero-terminated
constexpr std::size_t portNameUnits = 260;
constexpr std::size_t baudRateIndexAt = 544;   // 0 = 9600, 1 = 19200
constexpr std::size_t dataBitsIndexAt = 548;   // 0 = 7, 1 = 8
constexpr std::size_t parityIndexAt = 552;     // 0 = none, 1 = even
constexpr std::size_t stopBitsIndexAt = 556;   // 0 = 1, 1 = 2
constexpr std::size_t protocolIndexAt = 560;   // 0 = RTU, 1 = ASCII
constexpr std::size_t responseTimeoutAt = 564; // ms
constexpr std::size_t retriesAt = 568;
constexpr std::size_t profileSizeLimit = 1 << 20; // as the panel: a larger profile is damaged

uint32_t wordAt(const std::array<unsigned char, recordSize>& record, std::size_t offset)
{
    return uint32_t(record[offset]) | uint32_t(record[offset + 1]) << 8 | uint32_t(record[offset + 2]) << 16 |
           uint32_t(record[offset + 3]) << 24;
}

std::string configHome()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return config;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config";
    const passwd* user = ::getpwuid(::getuid());
    return std::string(user && user->pw_dir ? user->pw_dir : "") + "/.config";
}

} // namespace

std::string panelProfilePath()
{
    return configHome() + "/CPL_ZRQ7/CPL_ZRQ7.INI";
}

std::optional<PanelLink> decodePanelLink(std::string_view profileText)
{
    const auto letters = ProfileFile::findValue(profileText, "settings", "system");
    std::array<unsigned char, recordSize> record{};
    if (!letters || !DecodeLetters(*letters, record.data(), record.size()))
        return std::nullopt;

    char16_t portName[portNameUnits + 1] = {};
    std::memcpy(portName, record.data() + portNameAt, portNameUnits * sizeof(char16_t));
    std::string port;
    if (!zrq7::link::toUtf8(portName, port))
        return std::nullopt;

    PanelLink panel;
    panel.deviceAddress = int(wordAt(record, deviceAddressAt));
    panel.timeoutMs = wordAt(record, responseTimeoutAt);
    panel.retries = wordAt(record, retriesAt);
    LinkOptions& link = panel.link;
    if (port == "Modbus TCP") {
        const uint32_t ip = wordAt(record, ipAddressAt);
        link.kind = LinkKind::Tcp;
        link.tcpHost = std::to_string(ip >> 24) + "." + std::to_string(ip >> 16 & 0xFF) + "." +
                       std::to_string(ip >> 8 & 0xFF) + "." + std::to_string(ip & 0xFF);
        link.tcpPort = uint16_t(wordAt(record, tcpPortAt));
    } else {
        // The same reading of the indexes as the link library's COM_Setup.
        link.kind = LinkKind::Serial;
        link.portName = port;
        link.baudRate = wordAt(record, baudRateIndexAt) == 1 ? 19200 : 9600;
        link.dataBits = wordAt(record, dataBitsIndexAt) == 0 ? 7 : 8;
        link.parity = wordAt(record, parityIndexAt) == 1 ? Parity::Even : Parity::None;
        link.stopBits = wordAt(record, stopBitsIndexAt) == 0 ? 1 : 2;
        link.framing = wordAt(record, protocolIndexAt) == 1 ? Framing::Ascii : Framing::Rtu;
    }
    return panel;
}

std::optional<PanelLink> readPanelLink(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string text;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        text.append(chunk, std::size_t(file.gcount()));
        if (text.size() > profileSizeLimit)
            return std::nullopt;
    }
    if (file.bad())
        return std::nullopt;
    return decodePanelLink(text);
}

std::string completeFromProfile(ServiceOptions& options, const std::optional<PanelLink>& profile)
{
    PanelLink settings; // the panel's factory settings for a link named by the options
    if (options.link.kind == LinkKind::Profile) {
        if (!profile)
            return "brak ustawień łącza: podaj --tcp lub --serial (profil panelu " + panelProfilePath() +
                   " nie istnieje lub jest uszkodzony)";
        settings = *profile;
        options.link = profile->link;
        if (options.units.empty() && profile->deviceAddress >= 1 && profile->deviceAddress <= 247)
            options.units = {profile->deviceAddress};
    }
    if (options.units.empty())
        options.units = {1};
    if (!options.timeoutMs)
        options.timeoutMs = settings.timeoutMs;
    if (!options.retries)
        options.retries = settings.retries;
    return {};
}

} // namespace zrq7rec
