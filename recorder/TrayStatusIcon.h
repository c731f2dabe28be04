// SPDX-License-Identifier: MIT
#pragma once

class QSystemTrayIcon;
class Recorder;

// UpdateTrayStatus: the tray icon's picture and tip follow the recording state,
// once per tick of the main window's one-second timer. `blink` is the
// program's blink flag (see TrayStatusFor). Without a tray icon nothing happens
// but the blink.
void UpdateTrayStatus(QSystemTrayIcon* tray, const Recorder& recorder, bool& blink);
