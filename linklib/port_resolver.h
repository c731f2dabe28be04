// SPDX-License-Identifier: MIT
// Port names: the program stores serial ports as "COMn"; this turns one into the device path
// to open. A port-map folder lets the user point any COMn at any device (a symlink named COMn).
#pragma once

#include <cstdint>
#include <string>

namespace zrq7::link {

// The port-map folder: $ZRQ7_PORTS, else $XDG_CONFIG_HOME/CPL_ZRQ7/ports, else
// $HOME/.config/CPL_ZRQ7/ports; empty when none of them is set.
std::string portMapFolder();

// Resolves "COMn" (n 1..255, upper-case, no leading zero) or an absolute device path.
// Returns 0 and the path, or -1 when there is no name or the name maps to nothing.
std::int32_t resolvePortPath(const char16_t* portName, std::string& path);

} // namespace zrq7::link
