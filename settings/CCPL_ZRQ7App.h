// SPDX-License-Identifier: MIT
#pragma once

#include "ProgramSettings.h"

#include <cstdint>

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
};

CCPL_ZRQ7App& theApp();
