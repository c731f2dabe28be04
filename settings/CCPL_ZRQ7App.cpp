// SPDX-License-Identifier: MIT
#include "CCPL_ZRQ7App.h"

CCPL_ZRQ7App::CCPL_ZRQ7App()
{
    ::ResetSettings(settings);
}

void CCPL_ZRQ7App::ResetSettings()
{
    ::ResetSettings(settings);
}

bool CCPL_ZRQ7App::LoadSettings()
{
    return ::LoadSettings(settings);
}

bool CCPL_ZRQ7App::SaveSettings()
{
    return ::SaveSettings(settings);
}

CCPL_ZRQ7App& theApp()
{
    static CCPL_ZRQ7App app;
    return app;
}
