// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The operator's guide: a short Polish HTML guide installed with the program.
// Looked for beside the executable (help/index.html, as in the build tree), then
// in the installed data folder (../share/CPL_ZRQ7/help/index.html).
QString HelpFilePath();
// Opens the guide in the desktop's browser. Failures are not reported.
void OpenHelpFile();
