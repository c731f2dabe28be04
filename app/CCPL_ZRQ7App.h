// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include <QStringList>

#include "ProgramSettings.h"

class QWidget;

// The application object: one instance for the life of the process (theApp()).
// It holds the live settings record, which every window reads and writes in
// place on the UI thread; workers only read single 32-bit fields of it.
class CCPL_ZRQ7App
{
public:
    int32_t bDebugMode = 0;            // set by "-debug"; nothing reads it
    ProgramSettings settings{};        // the live record (ResetSettings at construction)
    QWidget* m_pMainWnd = nullptr;     // the main window while it runs

    CCPL_ZRQ7App();

    // The record operations on `settings` with the program's profile.
    void ResetSettings();
    bool LoadSettings();
    bool SaveSettings();

    // The whole start-up sequence with the arguments left after Qt took its
    // own; runs the main window until it closes. Always returns false (the
    // program then ends). Defined by the executable (it needs the main window).
    bool InitInstance(const QStringList& arguments);
};

CCPL_ZRQ7App& theApp();
