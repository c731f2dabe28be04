// SPDX-License-Identifier: MIT
#pragma once

// The panel's link settings, read from its profile CPL_ZRQ7.INI without Qt:
// section "settings", key "system", the 1204-byte settings record as letters
// (SettingsLetters.h). Only the link fields are taken; their byte offsets are
// those of the panel's ProgramSettings record.

#include "ServiceOptions.h"

#include <optional>
#include <string>
#include <string_view>

namespace zrq7rec {

struct PanelLink
{
    LinkOptions link; // kind Tcp or Serial
    int deviceAddress = 1;
    uint32_t timeoutMs = 500;
    uint32_t retries = 3;
};

// $XDG_CONFIG_HOME/CPL_ZRQ7/CPL_ZRQ7.INI (fallback ~/.config/...).
std::string panelProfilePath();

// The link settings of a profile's text; nothing when the record is missing or damaged.
std::optional<PanelLink> decodePanelLink(std::string_view profileText);
// The same from a file; nothing when it cannot be read.
std::optional<PanelLink> readPanelLink(const std::string& path);

// Completes parsed options. When neither the command line nor the config file named
// a link, the link, and the unit, time-out and retries left open, come from the
// profile (no profile: an error, returned). With a named link the values left open
// get the panel's factory settings (unit 1, 500 ms, 3 retries). "" when all is set.
std::string completeFromProfile(ServiceOptions& options, const std::optional<PanelLink>& profile);

} // namespace zrq7rec
