// SPDX-License-Identifier: MIT
#pragma once

#include "CSettDevDlg.h"
#include "LinkWatchdog.h"
#include "LiveDisplay.h"
#include "LiveDisplayQueue.h"
#include "MainWindowLayout.h"
#include "MainWindowView.h"
#include "MeasurementSnapshot.h"
#include "PollWorker.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <vector>

class CDataDlg;
class CFirmwareDlg;
class ConnectionManager;
class FaultReportCommand;
class MotorCommandWriter;
class QMenu;
class QScrollArea;
class QSystemTrayIcon;

// The main window: the relay's live values, its state and faults, the link
// status, the motor commands and the program's commands. It is the program's
// only top-level window while it runs; Enter and Esc never close it, F1 opens
// the About box. The poll thread hands its values to liveDisplayQueue(); they
// are shown on the user-interface thread.
class CCPL_ZRQ7Dlg : public QDialog, public MainWindowView
{
    Q_OBJECT
public:
    explicit CCPL_ZRQ7Dlg(QWidget* parent = nullptr);
    ~CCPL_ZRQ7Dlg() override;

    void accept() override {}
    void reject() override {}

    // ---- Commands (buttons and tray menu) ----
    // "Ustawienia": brings an open settings window to the front, or passes the
    // settings password gate and runs the settings window.
    void OnSettings();
    void OnConnect();          // 1084, tray, automatic connection
    void OnDeviceParameters(); // 1003, tray "Ustawienia ZRQ-7/8"
    CSettDevDlg* parametersWindow() const { return m_parameters; }
    void OnDatabase();   // 1155
    void OnFaultLog();   // 1201
    void OnAbout();      // 1082, F1
    void OnStart();      // 1139
    void OnStop();       // 1198
    void OnFaultReset(); // 1214
    void OnHelp();       // tray "Pomoc"

    // ---- Live display ----
    void SetupStatusPanel();
    LiveDisplay& liveDisplay() { return m_live; }
    // Every control of the window's content, as the layout made them.
    const MainWindowControls& controls() const { return m_controls; }
    // The one-second duties: PC clock, connection time, throughput, link watchdog,
    // link activity picture.
    void OnSecondTick();

    // The tray icon's menu (also when the desktop has no tray).
    QMenu* trayMenu() const { return m_trayMenu; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }

    // ---- MainWindowView ----
    MeasurementSnapshot& snapshot() override { return m_snapshot; }
    pollcycle::PollFlags& pollFlags() override { return m_pollFlags; }
    pollcycle::PollDisplay& pollDisplay() override { return m_queue; }
    void setConnectedState(bool connected) override;
    bool isConnected() const override { return m_bConnected != 0; }
    // A connect is waiting for the link and the relay's identification, or a
    // disconnect for the calls in progress and its pause (busy cursor shown).
    bool isConnecting() const { return m_connecting; }
    void setConnecting(bool connecting) override;
    void linkCommandEnded() override;
    void endLinkCommands() override;
    void waitForLinkCommands() override;
    void setLinkButtons(bool connected) override;
    void hideMotorCommands() override;
    void ResetGraph() override;
    void RunGraph(bool run) override;
    void ResetLiveDisplay() override;
    void showLinkIdle() override;
    int programVersionMajor() const override;
    int programVersionMinor() const override;
    void setTitle(const QString& title) override;
    void showError(const QString& text, MessageIcon icon = MessageIcon::Error) override;
    void requestClose() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyAlwaysOnTop();
    void applyColors();
    void createTray();
    void fillPowerLists();
    void onPowerSelection(int list);
    FaultReportCommand* faultReport() const; // the one report command, once made
    void sendMotorCommand(int32_t value);
    void onMotorCommandFinished(int32_t value, int32_t result);
    void closeSequence();
    void finishClose();
    void openParametersWindow(ParametersWindowContext context);
    // The close sequence's first part: every question, nothing stopped. False
    // when the operator keeps the program open.
    bool confirmClose();

    MeasurementSnapshot m_snapshot; // the recorder window clears it; it outlives that window
    pollcycle::PollFlags m_pollFlags;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content; // the read-outs and buttons; children of the window, not of its dialogs
    MainWindowControls m_controls;
    LiveDisplay m_live;
    LiveDisplayQueue m_queue;
    LinkWatchdog m_watchdog;
    LiveDisplay::Colors m_colors;
    int32_t m_bConnected = 0;
    bool m_connecting = false; // a connect or disconnect waits (busy cursor shown)
    // A close asked for while a connect or disconnect was under way: it goes on
    // when that has ended.
    bool m_closeWaiting = false;
    bool m_closeDisconnecting = false;  // the close's own disconnect runs
    int m_motorFailuresToTell = 0;      // failed motor commands whose message is still to come
    bool m_tellingMotorFailure = false; // one such message is open
    int64_t m_connectSeconds = 0;       // tConnectTime as seconds since 00 : 00 : 00
    QTimer m_secondTimer;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    QPoint m_lastGraphPointer{-1, -1};
    MotorCommandWriter* m_motorWriter = nullptr;
    // What a disconnect waits for before it closes the link: set by
    // endLinkCommands(), taken by waitForLinkCommands() on the disconnect's
    // thread (which starts after the one and is joined before the next).
    std::vector<std::shared_ptr<LinkUse>> m_linkUses;
    std::unique_ptr<ConnectionManager> m_connection;
    CDataDlg* m_dataDlg = nullptr;           // Recorder hook: the recorder window, a child of this window
    bool m_trayBlink = false;                // Recorder hook: the tray's blink flag
    QPointer<CSettDevDlg> m_parameters;      // the one parameters window, while it is open
    QPointer<CFirmwareDlg> m_firmwareChoice; // its firmware-version choice, while that is up
};
