// SPDX-License-Identifier: MIT
#pragma once

#include "ColorRef.h"
#include "FaultList.h"
#include "LiveDisplayQueue.h"
#include "MainWindowLayout.h"

#include <QString>

class MeasurementSnapshot;

// The main window's read-outs: value labels and bars, indicators, the fault list,
// the relay clock and the pictures, through the controls the layout made.
// Everything here runs on the user-interface thread.
class LiveDisplay
{
public:
    // The window's effective colours: labels, values and the background.
    struct Colors
    {
        QColor background;
        QColor labelText;
        QColor valueText;
    };

    // `controls` outlives the display.
    LiveDisplay(const MainWindowControls& controls, MeasurementSnapshot& snapshot);

    // Once when the window opens: list columns, colours, icons, fonts, bar ranges.
    void setupStatusPanel(const Colors& colors, int32_t baudRateIndex);
    // Every read-out back to its initial text, level, range and mark.
    void resetLiveDisplay();
    // A batch of poll values (see LiveDisplayQueue).
    void show(PendingDisplay& batch);

    // The link-lost fault (catalogue entry 38): its row at the top, marked, with
    // the fault indicator blinking.
    void showLinkLost();
    bool linkLostListed() const;

    // Pictures that change by name; each shows one icon of the program.
    enum class LinkActivity { Idle, Working, Failing };
    void setLinkActivity(LinkActivity activity);
    void setFunctionRelayMode(int mode);

    // Motor command controls: START and STOP or the motor picture, lamp 1186.
    void setRemoteControl(bool allowed);
    void hideMotorCommands();
    void setFaultResetVisible(bool visible);

private:
    void showCurrents(const pollcycle::CurrentsUpdate& u);
    void showVoltages(const pollcycle::VoltagesUpdate& u);
    void showPowerReadouts(bool energies, const std::function<int32_t(int slot)>& value);
    void showAverageCurrents(const pollcycle::AverageCurrentsUpdate& u);
    void showMotorTimes(const pollcycle::MotorTimesUpdate& u);
    void showSensors(const pollcycle::SensorsUpdate& u);
    void showHeating(const pollcycle::HeatingUpdate& u);
    void showStatus(const pollcycle::StatusUpdate& u);
    void showCurrentSettings(const pollcycle::CurrentSettingsUpdate& u);
    void showLineVoltageLimits(const pollcycle::LineVoltageLimitsUpdate& u);
    static void setPicture(CXLed* picture, const QString& icon, QSize size);

    const MainWindowControls& m_c;
    MeasurementSnapshot& m_snapshot;
};
