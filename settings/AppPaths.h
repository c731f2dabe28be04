// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Where the program keeps its files (XDG base directories; a variable that is
// unset, empty or not an absolute path falls back to the usual default).

// $XDG_CONFIG_HOME (fallback $HOME/.config): the autostart folder lives here.
QString XdgConfigHome();
// $XDG_CONFIG_HOME/CPL_ZRQ7: the profile CPL_ZRQ7.INI.
QString ConfigFolder();
// $XDG_DATA_HOME/CPL_ZRQ7 (fallback $HOME/.local/share/CPL_ZRQ7): zrq_settings/, zrq_db/.
QString DataFolder();
// $XDG_RUNTIME_DIR, else the config folder: the single-instance lock file.
QString LockFolder();

QString SettingsFolderPath();   // DataFolder()/zrq_settings
QString RecordingsFolderPath(); // DataFolder()/zrq_db

// The running executable's full path (empty if it cannot be told).
QString ExecutablePath();
