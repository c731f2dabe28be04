// SPDX-License-Identifier: MIT
#pragma once

#include "DeviceSearchResult.h"
#include "SearchScan.h"

#include <optional>

class QWidget;

// The settings window's "Automat. wyszukiwanie": the search window, run
// modally with the program's colours and retries. The link library holds one
// link: while it is open (the main window is connected) a search would take
// it from under the poll, so the search is refused with a message instead.
// Returns the chosen relay when the operator accepted one, nothing when the
// window was cancelled or the search refused. `range` narrows the ports and
// addresses (tests); the operator's search asks them all.
std::optional<DeviceSearchResult> RunDeviceSearch(QWidget* owner, const DeviceSearchColours& colours,
                                                  devicesearch::ScanRange range = {});
