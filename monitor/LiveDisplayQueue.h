// SPDX-License-Identifier: MIT
#pragma once

#include "PollDisplay.h"

#include <QObject>
#include <functional>
#include <mutex>
#include <optional>

// The values of the poll's display steps waiting for the user-interface thread.
// Only the latest values of each block are kept: many blocks read close together
// make one pass over the controls, not one per block.
struct PendingDisplay
{
    std::optional<pollcycle::CurrentSettingsUpdate> currentSettings;     // K
    std::optional<pollcycle::LineVoltageLimitsUpdate> lineVoltageLimits; // L
    std::optional<pollcycle::MotorControlUpdate> motorControl;           // N
    std::optional<pollcycle::CurrentsUpdate> currents;                   // A
    std::optional<pollcycle::VoltagesUpdate> voltages;                   // B
    std::optional<pollcycle::PowersUpdate> powers;                       // C
    std::optional<pollcycle::EnergiesUpdate> energies;                   // D
    std::optional<pollcycle::ClockUpdate> clock;                         // E
    std::optional<pollcycle::AverageCurrentsUpdate> averageCurrents;     // F
    std::optional<pollcycle::MotorTimesUpdate> motorTimes;               // G
    std::optional<pollcycle::SensorsUpdate> sensors;                     // H
    std::optional<pollcycle::HeatingUpdate> heating;                     // I
    // J: the poll waits until the ticket is applied or dropped, so there is at
    // most one; it is never merged with a later one.
    std::optional<pollcycle::StatusUpdate> status;
    pollcycle::UiTicket statusTicket;

    // Any value besides the status.
    bool hasValues() const;
};

// The main window's end of the poll: the display steps arrive on the poll thread
// and are only stored here; the window takes the latest of them at most once per
// refresh period (`show` runs on the thread of `context`, the user-interface
// thread), so a fast link costs no more repaints than a slow one. The status step
// goes at once, since the poll waits for it before it reads the values of new
// faults; the settings blocks (K, L, N) read before it go along, the
// measurements wait for the refresh. Nothing is accepted while closed, and
// closing drops what is still waiting, so values of a stopped poll never reach
// the window after a disconnect. A dropped status ticket releases the poll at
// once.
class LiveDisplayQueue final : public pollcycle::PollDisplay
{
public:
    using Show = std::function<void(PendingDisplay&)>;
    LiveDisplayQueue(QObject* context, Show show);

    // User-interface thread: accept values from now on (connected) or drop them.
    void open();
    void close();
    bool isOpen() const;

    void showCurrents(const pollcycle::CurrentsUpdate& u) override;
    void showVoltages(const pollcycle::VoltagesUpdate& u) override;
    void showPowers(const pollcycle::PowersUpdate& u) override;
    void showEnergies(const pollcycle::EnergiesUpdate& u) override;
    void showRelayClock(const pollcycle::ClockUpdate& u) override;
    void showAverageCurrents(const pollcycle::AverageCurrentsUpdate& u) override;
    void showMotorTimes(const pollcycle::MotorTimesUpdate& u) override;
    void showSensors(const pollcycle::SensorsUpdate& u) override;
    void showHeating(const pollcycle::HeatingUpdate& u) override;
    void showStatus(const pollcycle::StatusUpdate& u, pollcycle::UiTicket ticket) override;
    void showCurrentSettings(const pollcycle::CurrentSettingsUpdate& u) override;
    void showLineVoltageLimits(const pollcycle::LineVoltageLimitsUpdate& u) override;
    void showRestartDelays(const pollcycle::RestartDelaysUpdate& u) override;
    void showMotorControl(const pollcycle::MotorControlUpdate& u) override;

private:
    enum class Delivery { Refresh, Now };
    // Five refreshes a second: live to the eye, while each refresh stays a small
    // load. The status step does not wait for it.
    static constexpr int kRefreshMs = 200;
    // Stores under the lock and arms the refresh unless it is armed (for Now,
    // the status goes to the window at once instead).
    void store(const std::function<void(PendingDisplay&)>& put, Delivery delivery = Delivery::Refresh);
    // User-interface thread.
    void startRefreshTimer();
    void refresh();
    void showStatusNow();

    QObject* m_context; // outlives every poll that may call in (the window stops its poll first)
    Show m_show;
    mutable std::mutex m_mutex; // guards the three below
    bool m_open = false;
    PendingDisplay m_pending;
    bool m_refreshArmed = false; // a refresh timer runs or is being started
};
