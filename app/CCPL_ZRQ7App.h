// SPDX-License-Identifier: MIT
#pragma once

#include "ProgramSettings.h"

#include <QStringList>
#include <cstdint>
#include <functional>

class QWidget;

// The application object: one instance for the life of the process (theApp()).
// It holds the live settings record, which every window reads and writes in
// place on the UI thread; workers only read single 32-bit fields of it.
class CCPL_ZRQ7App
{
public:
    int32_t bDebugMode = 0;        // set by "-debug"; nothing reads it
    ProgramSettings settings{};    // the live record (ResetSettings at construction)
    QWidget* m_pMainWnd = nullptr; // the main window while it runs

    CCPL_ZRQ7App();

    // The record operations on `settings` with the program's profile.
    void ResetSettings();
    bool LoadSettings();
    bool SaveSettings();

    // The whole start-up sequence: `arguments` are those left after Qt took its
    // own (arguments[0] is the program); only arguments[1] is examined.
    // `runMainWindow` constructs the main window, sets m_pMainWnd and runs it
    // modally. Always returns false: the program then ends.
    bool InitInstance(const QStringList& arguments, const std::function<void()>& runMainWindow);
};

CCPL_ZRQ7App& theApp();

// Loads Qt's Polish translation so standard buttons read "Tak", "Nie", "Anuluj".
bool InstallPolishTranslation();
