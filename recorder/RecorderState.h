// SPDX-License-Identifier: MIT
// The recording state and what the operator sees of it: the enabling of the
// "Zapis", "Pauza" and "Stop" buttons, the tray icon and tip, the bounds of the
// recording interval. Pure functions, no Qt.
#pragma once

#include <cstdint>
#include <string_view>

// Bits of nRecState.
inline constexpr int REC_ON = 1;     // recording switched on
inline constexpr int REC_PAUSED = 2; // recording paused
inline constexpr int REC_QUIT = 4;   // the recorder thread must end

struct RecordButtonStates
{
    bool record; // "Zapis" (1175)
    bool pause;  // "Pauza" (1004)
    bool stop;   // "Stop" (1007)
    friend bool operator==(const RecordButtonStates&, const RecordButtonStates&) = default;
};

// idle: Zapis only; recording: Pauza and Stop; paused: Zapis (continues) and Pauza.
RecordButtonStates RecordButtonsFor(int nRecState);

enum class TrayIconKind {
    Normal,    // the program's tray icon
    Recording, // the recording blink
    Warning,   // recording impossible, or the pause blink
};

struct TrayStatus
{
    std::string_view tip; // UTF-8
    TrayIconKind icon;
};

// The tray's status for one tick of the one-second timer. `blink` flips after
// every call that finds the recorder thread running (the caller keeps it).
TrayStatus TrayStatusFor(bool recorderRunning, int nRecState, bool& blink);

// The recording interval in seconds as the edit may hold it: 0 becomes 1,
// anything above 86400 (one day) becomes 86400.
inline constexpr std::uint32_t MinRecordInterval = 1;
inline constexpr std::uint32_t MaxRecordInterval = 86400;
std::uint32_t ClampRecordInterval(std::uint64_t seconds);
