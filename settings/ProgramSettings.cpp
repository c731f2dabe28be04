// SPDX-License-Identifier: MIT
#include "ProgramSettings.h"

#include "AppPaths.h"
#include "ProfileFile.h"
#include "SettingsLetters.h"

#include <cstring>

namespace {

constexpr std::string_view kSection = "settings";
constexpr std::string_view kKey = "system";

} // namespace

void ResetSettings(ProgramSettings& s)
{
    std::memset(&s, 0, sizeof s); // also empties both text buffers
    s.crBackground = 0xA89486;    // RGB(134,148,168)
    s.crText = 0x000000;
    s.crParameter = 0xFF0000; // RGB(0,0,255)
    s.nDeviceAddress = 1;
    s.nTcpPort = 502;
    s.dwIpAddress = 0x7F000001; // 127.0.0.1
    s.nBaudRateIndex = 0;       // 9600 bit/s
    s.nDataBitsIndex = 1;       // 8 data bits
    s.nParityIndex = 0;         // none
    s.nStopBitsIndex = 1;       // 2 stop bits
    s.nProtocolIndex = 0;       // RTU
    s.nResponseTimeout = 500;
    s.nRetries = 3;
    s.bAlwaysOnTop = 0;
    s.bStartWithWindows = 0;
    s.nInterfaceStyle = 1;
    s.bPasswordProtection = 0;
    s.bAutoConnect = 0;
    s.nPasswordFlags = 0;
    s.nPowerSelection[0] = 0; // the three energies
    s.nPowerSelection[1] = 1;
    s.nPowerSelection[2] = 2;
    s.nLineThickness = 1;
    s.bAutoRecord = 0;
    s.nRecordInterval = 1;
    s.nReadInterval = 10;
    s.crGraphLine[0] = 0x43B251; // RGB(81,178,67)
    s.crGraphLine[1] = 0x3034DC; // RGB(220,52,48)
    s.crGraphLine[2] = 0x30AFE3; // RGB(227,175,48)
    s.crGraphLine[3] = 0xEBE743; // RGB(67,231,235)
    s.crGraphLine[4] = 0x393A6F; // RGB(111,58,57)
}

namespace {

// The 32-bit fields from byte `first` up to `last` (both field boundaries):
// each compared and, if it changed, stored as one relaxed atomic word.
void storeWords(ProgramSettings& live, const ProgramSettings& next, std::size_t first, std::size_t last)
{
    for (std::size_t offset = first; offset < last; offset += sizeof(uint32_t)) {
        auto* to = reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(&live) + offset);
        const auto* from =
            reinterpret_cast<const uint32_t*>(reinterpret_cast<const unsigned char*>(&next) + offset);
        if (*to != *from)
            __atomic_store_n(to, *from, __ATOMIC_RELAXED);
    }
}

} // namespace

void StoreSettings(ProgramSettings& live, const ProgramSettings& next)
{
    if (&live == &next)
        return;
    storeWords(live, next, 0, offsetof(ProgramSettings, szPortName));
    std::memcpy(live.szPortName, next.szPortName, sizeof live.szPortName);
    storeWords(live, next, offsetof(ProgramSettings, nBaudRateIndex), offsetof(ProgramSettings, szPassword));
    std::memcpy(live.szPassword, next.szPassword, sizeof live.szPassword);
    storeWords(live, next, offsetof(ProgramSettings, bAutoConnect), sizeof(ProgramSettings));
}

std::string EncodeSettings(const ProgramSettings& settings)
{
    unsigned char bytes[kProgramSettingsSize];
    std::memcpy(bytes, &settings, sizeof bytes);
    return EncodeLetters(bytes, sizeof bytes);
}

std::optional<ProgramSettings> DecodeSettings(std::string_view letters)
{
    // Only a complete value counts; a letter outside 'A'-'P' or an odd letter
    // out means the text was damaged, and a damaged record is not half-used.
    unsigned char bytes[kProgramSettingsSize];
    if (!DecodeLetters(letters, bytes, sizeof bytes))
        return std::nullopt;
    ProgramSettings settings;
    std::memcpy(&settings, bytes, sizeof bytes);
    return settings;
}

QString SettingsProfilePath()
{
    return ConfigFolder() + QStringLiteral("/CPL_ZRQ7.INI");
}

bool LoadSettings(ProgramSettings& settings, const QString& profilePath)
{
    const std::optional<std::string> letters = ProfileFile::readValue(profilePath, kSection, kKey);
    if (!letters)
        return false;
    const std::optional<ProgramSettings> loaded = DecodeSettings(*letters);
    if (!loaded)
        return false;
    settings = *loaded;
    return true;
}

bool LoadSettings(ProgramSettings& settings)
{
    return LoadSettings(settings, SettingsProfilePath());
}

bool SaveSettings(const ProgramSettings& settings, const QString& profilePath)
{
    return ProfileFile::writeValue(profilePath, kSection, kKey, EncodeSettings(settings));
}

bool SaveSettings(const ProgramSettings& settings)
{
    return SaveSettings(settings, SettingsProfilePath());
}

QString SettingsText(const char16_t (&buffer)[260])
{
    std::size_t n = 0;
    while (n < 260 && buffer[n] != 0)
        ++n;
    return QString::fromUtf16(buffer, qsizetype(n));
}

bool SetSettingsText(char16_t (&buffer)[260], const QString& text)
{
    if (text.size() > 259)
        return false;
    std::memset(buffer, 0, sizeof buffer);
    std::memcpy(buffer, text.utf16(), std::size_t(text.size()) * sizeof(char16_t));
    return true;
}
