// SPDX-License-Identifier: MIT
#pragma once

// The program's one settings record. Its byte layout is its storage format:
// 1204 bytes of little-endian 32-bit fields and two UTF-16 text buffers, kept
// in the profile CPL_ZRQ7.INI, section "settings", key "system", as letters.
// Colours are 0x00BBGGRR (red in the low byte). Flags (b...) hold 0 or 1.
//
// Worker threads read single 32-bit fields while the UI thread may write them;
// every field is a naturally aligned 32-bit value for that reason.

#include <QString>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct ProgramSettings
{
    uint32_t crBackground;     // window background (style 1)
    uint32_t crText;           // label text (style 1)
    uint32_t crParameter;      // values and parameters (style 1)
    int32_t nDeviceAddress;    // MODBUS slave address of the relay
    uint32_t nTcpPort;         // Modbus TCP port
    uint32_t dwIpAddress;      // IPv4, first octet in the most significant byte
    char16_t szPortName[260];  // "COM3" ... or "Modbus TCP", zero-terminated
    int32_t nBaudRateIndex;    // 0 = 9600, 1 = 19200 bit/s
    int32_t nDataBitsIndex;    // 0 = 7, 1 = 8
    int32_t nParityIndex;      // 0 = none, 1 = even
    int32_t nStopBitsIndex;    // 0 = 1, 1 = 2
    int32_t nProtocolIndex;    // 0 = RTU, 1 = ASCII
    uint32_t nResponseTimeout; // ms
    uint32_t nRetries;         // repeated requests per register call
    int32_t bAlwaysOnTop;
    int32_t bStartWithWindows; // autostart entry present
    int32_t nInterfaceStyle;   // 0 = system colours, 1 = own colours
    int32_t bPasswordProtection;
    char16_t szPassword[260]; // plain text, at most 255 characters, rest zero
    int32_t bAutoConnect;
    int32_t nPasswordFlags;     // PWD_... bits (PasswordGate.h)
    int32_t nPowerSelection[3]; // main window's three power read-out lists
    int32_t nGraphQuantity[5];  // recorder graph channels 1-5: quantity list index
    int32_t bGraphVisible[5];   // recorder graph channels 1-5: shown
    int32_t nLineThickness;     // recorder graph line thickness
    int32_t bAutoRecord;        // recording starts automatically
    int32_t nRecordInterval;    // s, 1 to 86400
    int32_t nReadInterval;      // s, at most 300
    uint32_t crGraphLine[5];    // recorder graph channels 1-5: line colour
};

static_assert(std::endian::native == std::endian::little, "the record is stored in its in-memory layout");
static_assert(sizeof(char16_t) == 2);
static_assert(sizeof(ProgramSettings) == 1204);
static_assert(offsetof(ProgramSettings, crBackground) == 0);
static_assert(offsetof(ProgramSettings, crText) == 4);
static_assert(offsetof(ProgramSettings, crParameter) == 8);
static_assert(offsetof(ProgramSettings, nDeviceAddress) == 12);
static_assert(offsetof(ProgramSettings, nTcpPort) == 16);
static_assert(offsetof(ProgramSettings, dwIpAddress) == 20);
static_assert(offsetof(ProgramSettings, szPortName) == 24);
static_assert(offsetof(ProgramSettings, nBaudRateIndex) == 544);
static_assert(offsetof(ProgramSettings, nDataBitsIndex) == 548);
static_assert(offsetof(ProgramSettings, nParityIndex) == 552);
static_assert(offsetof(ProgramSettings, nStopBitsIndex) == 556);
static_assert(offsetof(ProgramSettings, nProtocolIndex) == 560);
static_assert(offsetof(ProgramSettings, nResponseTimeout) == 564);
static_assert(offsetof(ProgramSettings, nRetries) == 568);
static_assert(offsetof(ProgramSettings, bAlwaysOnTop) == 572);
static_assert(offsetof(ProgramSettings, bStartWithWindows) == 576);
static_assert(offsetof(ProgramSettings, nInterfaceStyle) == 580);
static_assert(offsetof(ProgramSettings, bPasswordProtection) == 584);
static_assert(offsetof(ProgramSettings, szPassword) == 588);
static_assert(offsetof(ProgramSettings, bAutoConnect) == 1108);
static_assert(offsetof(ProgramSettings, nPasswordFlags) == 1112);
static_assert(offsetof(ProgramSettings, nPowerSelection) == 1116);
static_assert(offsetof(ProgramSettings, nGraphQuantity) == 1128);
static_assert(offsetof(ProgramSettings, bGraphVisible) == 1148);
static_assert(offsetof(ProgramSettings, nLineThickness) == 1168);
static_assert(offsetof(ProgramSettings, bAutoRecord) == 1172);
static_assert(offsetof(ProgramSettings, nRecordInterval) == 1176);
static_assert(offsetof(ProgramSettings, nReadInterval) == 1180);
static_assert(offsetof(ProgramSettings, crGraphLine) == 1184);

// Size of the stored value; a stored value of any other size is ignored.
inline constexpr std::size_t kProgramSettingsSize = sizeof(ProgramSettings);

// Overwrites every field with its factory default (memory only, nothing is written).
void ResetSettings(ProgramSettings& settings);

// Makes `live` a copy of `next` while workers may read its fields: every 32-bit
// field is replaced by one atomic store (text buffers, which only the
// user-interface thread reads, are copied plainly), so a worker reading a field
// sees its old or its new value, never a zeroed or half-written one. Build the
// new record apart, then store it here; never reset or edit the live record in
// steps that pass through values nobody chose.
void StoreSettings(ProgramSettings& live, const ProgramSettings& next);

// Reads the record from the profile. False, with the record untouched, when the
// profile is missing or unreadable or its value is not exactly 1204 bytes.
bool LoadSettings(ProgramSettings& settings);
bool LoadSettings(ProgramSettings& settings, const QString& profilePath);

// Writes the whole record to the profile, replacing the file atomically (mode
// 0600: it holds the password); other sections and keys of the file are kept.
// False when the write failed; the old profile is then intact.
bool SaveSettings(const ProgramSettings& settings);
bool SaveSettings(const ProgramSettings& settings, const QString& profilePath);

// $XDG_CONFIG_HOME/CPL_ZRQ7/CPL_ZRQ7.INI (fallback $HOME/.config/...).
QString SettingsProfilePath();

// The profile's letter encoding: per byte 'A' + low four bits, then 'A' + high
// four bits (byte 0x86 is "GI"). Decoding accepts exactly 2408 letters 'A'-'P'.
std::string EncodeSettings(const ProgramSettings& settings);
std::optional<ProgramSettings> DecodeSettings(std::string_view letters);

// Helpers for the two UTF-16 text buffers: read up to the first zero, and store
// zero-filled (false, buffer unchanged, when the text needs more than 259 units).
QString SettingsText(const char16_t (&buffer)[260]);
bool SetSettingsText(char16_t (&buffer)[260], const QString& text);
