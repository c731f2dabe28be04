// SPDX-License-Identifier: MIT
#include "RecorderState.h"

RecordButtonStates RecordButtonsFor(int nRecState)
{
    if (nRecState & REC_PAUSED)
        return {true, true, false};
    if (nRecState & REC_ON)
        return {false, true, true};
    return {true, false, false};
}

TrayStatus TrayStatusFor(bool recorderRunning, int nRecState, bool& blink)
{
    if (!recorderRunning)
        return {"Zapisywanie bazy danych niemożliwe", TrayIconKind::Warning};
    TrayStatus status;
    if (nRecState & REC_PAUSED)
        status = {"Zapisywanie bazy danych wstrzymane", blink ? TrayIconKind::Warning : TrayIconKind::Normal};
    else if (nRecState & REC_ON)
        status = {"Zapisywanie bazy danych włączone", blink ? TrayIconKind::Recording : TrayIconKind::Normal};
    else
        status = {"Zapisywanie bazy danych wyłączone", TrayIconKind::Normal};
    blink = !blink;
    return status;
}

std::uint32_t ClampRecordInterval(std::uint64_t seconds)
{
    if (seconds < MinRecordInterval)
        return MinRecordInterval;
    if (seconds > MaxRecordInterval)
        return MaxRecordInterval;
    return static_cast<std::uint32_t>(seconds);
}
