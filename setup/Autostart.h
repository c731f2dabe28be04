// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Keeps the autostart entry $XDG_CONFIG_HOME/autostart/CPL_ZRQ7.desktop in step
// with ProgramSettings::bStartWithWindows: written with this executable's path
// when on, removed when off. Failures are reported to the operator in a
// message box ("Błąd", warning icon); start-up or saving goes on regardless.
void ApplyAutostart(bool on);

// Where the entry lives.
QString AutostartEntryPath();
