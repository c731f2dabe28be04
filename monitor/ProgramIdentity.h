// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The program's name in its window titles, its maker's web address and its own
// version (the project version, major and minor).
namespace programidentity {

// Title text of the main window ("Panel sterowania 7/8").
QString titleText();
// The maker's web site, at the end of the main window's title and in the About box.
QString makerWebAddress();
int versionMajor();
int versionMinor();

} // namespace programidentity
