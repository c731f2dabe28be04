// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

// The serial ports present on this machine, as the names the settings keep:
// "COM1" ... "COM255" in ascending order. A name counts as present when its
// device (resolved through the link library's port map) opens for reading and
// writing, or exists but is held by another program or forbidden to us.
// Opens are non-blocking and each port is closed again at once, so the scan
// neither waits for a modem line nor keeps a port from its owner.
QStringList ScanSerialPorts();

// One name of the scan above ("COMn" or a device path).
bool IsSerialPortPresent(const QString& portName);
