// SPDX-License-Identifier: MIT
#pragma once

// One user-chosen password protects five actions. A protected action calls
// PasswordGate(flag) first and silently abandons itself when it returns false.

#include <cstdint>

class QWidget;
struct ProgramSettings;

// Bits of ProgramSettings::nPasswordFlags (bit value 1 is never used).
inline constexpr int32_t PWD_AT_START = 2;      // program start
inline constexpr int32_t PWD_SETTINGS = 4;      // settings window
inline constexpr int32_t PWD_DEVICE_PARAMS = 8; // device parameters window
inline constexpr int32_t PWD_CONNECT = 16;      // connecting to the relay
inline constexpr int32_t PWD_DATABASE = 32;     // database (recorder) window

// True when the action may go on: protection off or flag not chosen, or the
// operator entered exactly the stored password (case-sensitive) and pressed
// "Zapisz". Cancel or a different text: false, without any message.
// The one-argument form uses the live record of the application object.
bool PasswordGate(int32_t flag);
bool PasswordGate(int32_t flag, const ProgramSettings& settings);

// The settings window's "Zmień" (change password): runs the password window in
// its new-password mode owned by `owner`; on "Zapisz" stores the new password
// in settings.szPassword at once (memory only; the next save writes it).
// Returns true when the password was changed.
bool ChangePassword(QWidget* owner, ProgramSettings& settings);
