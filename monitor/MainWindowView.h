// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class MeasurementSnapshot;

namespace pollcycle {
struct PollFlags;
class PollDisplay;
} // namespace pollcycle

// What the connection manager may do to the main window. The window implements
// it and owns everything handed out here; all calls but waitForLinkCommands()
// are made on the user-interface thread, in the order the connect and
// disconnect procedures need them.
//
// The window creates the manager as `ConnectionManager(MainWindowView& view)`
// and calls, on the user-interface thread:
//   ToggleConnection()  button 1084 "Połącz"/"Odłącz", the tray menu, bAutoConnect;
//   Disconnect()        the close sequence, after the operator agreed (it
//                       goes on once linkCommandEnded() is called);
//   UpdateTitle(false)  once, when the window opens.
// The settings record is theApp().settings; password gates are the manager's.
class MainWindowView
{
public:
    virtual ~MainWindowView() = default;

    // ---- Shared state, owned by the window, alive as long as the manager ----

    // The measurement values and fault marks (ClearMeasurements on both
    // directions of ToggleConnection).
    virtual MeasurementSnapshot& snapshot() = 0;
    // bPollRunning, bLinkOk and fParamsPerSecond: the poll writes them, the
    // window's one-second timer reads them, identification zeroes the rate.
    virtual pollcycle::PollFlags& pollFlags() = 0;
    // The live display the poll worker is to be constructed with.
    virtual pollcycle::PollDisplay& pollDisplay() = 0;

    // ---- Connected and disconnected states ----

    // bConnected. true: 1084 reads "Odłącz", status 1112 "Podłączony", the link
    // watchdog is set to 5 and the connection time restarts at 00 : 00 : 00.
    // false: 1084 reads "Podłącz", status 1112 "Wyłączone", the connection time
    // and the watchdog stop. Live values still queued from a poll are dropped
    // from here on, so call it before stopping the poll when disconnecting.
    virtual void setConnectedState(bool connected) = 0;
    virtual bool isConnected() const = 0;

    // While a connect waits for the link and the relay's identification, or a
    // disconnect for the calls in progress and its pause: true disables the
    // window's commands (buttons, lists, tray menu) and shows the busy cursor;
    // false gives them back. The window keeps painting throughout.
    virtual void setConnecting(bool connecting) = 0;
    // A connect or a disconnect has ended entirely (connected, or disconnected
    // with its pause over): what waited for it (a close) may go on.
    virtual void linkCommandEnded() = 0;

    // First step of a disconnect: the window takes no more link commands. Motor
    // commands not yet on the line are dropped, a parameters transfer is asked
    // to stop, a fault report being read is cancelled (it is not written), and
    // what the commands still report is not shown (the link is closed on
    // purpose). Returns at once.
    virtual void endLinkCommands() = 0;
    // Waits for the register calls of those commands still in progress (the
    // motor command on the line, the transfer's and the report's exchange).
    // Called on the disconnect's own thread (the one call of this interface
    // that is), after endLinkCommands().
    virtual void waitForLinkCommands() = 0;

    // The link-dependent buttons: connected disables "Ustawienia" (1000) and
    // enables "Dziennik awarii ZRQ" (1201); disconnected the reverse.
    virtual void setLinkButtons(bool connected) = 0;

    // Disconnect: hides START (1139), STOP (1198) and "Anulowanie awarii"
    // (1214) and shows the motor picture 1200 in their place.
    virtual void hideMotorCommands() = 0;

    // The load graph (1134): empty the next columns / start or stop scrolling.
    virtual void ResetGraph() = 0;
    virtual void RunGraph(bool run) = 0;

    // Every label, bar, indicator and the fault list back to their initial
    // texts and ranges; also clears the snapshot's values and marks.
    virtual void ResetLiveDisplay() = 0;

    // The common end of every connect and disconnect: link activity picture
    // 1113 to its idle icon, keyboard focus back to the main window.
    virtual void showLinkIdle() = 0;

    // ---- Title and messages ----

    // The program's own version for the title (major, minor).
    virtual int programVersionMajor() const = 0;
    virtual int programVersionMinor() const = 0;
    virtual void setTitle(const QString& title) = 0;

    // Modal message box owned by the main window, kept on top; caption "Błąd".
    // Link errors use the error icon, the fatal poll start message the warning icon.
    enum class MessageIcon { Error, Warning };
    virtual void showError(const QString& text, MessageIcon icon = MessageIcon::Error) = 0;

    // The poll thread could not be started: close the main window without the
    // question and without a disconnect (call setConnectedState(false) first).
    // Queued, so it never runs inside the caller.
    virtual void requestClose() = 0;
};
