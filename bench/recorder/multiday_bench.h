// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Writes `days` full days into `folder` and times the graph over all of them
// without the window: load and first plot of five channels, pan and zoom
// redraws, resident memory after loading. Prints lines marked "(N days)".
// Returns false when the files cannot be written.
bool runMultiDayBench(const QString& folder, int days);
