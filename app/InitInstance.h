// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <functional>

class CCPL_ZRQ7App;

// The whole start-up sequence for `app`: `arguments` are those left after Qt
// took its own (arguments[0] is the program); only arguments[1] is examined.
// `runMainWindow` constructs the main window, sets m_pMainWnd and runs it
// modally. Always returns false: the program then ends.
bool InitInstance(CCPL_ZRQ7App& app, const QStringList& arguments,
                  const std::function<void()>& runMainWindow);

// Loads Qt's Polish translation so standard buttons read "Tak", "Nie", "Anuluj".
bool InstallPolishTranslation();
