// SPDX-License-Identifier: MIT
#pragma once

#include "PollWorker.h"

#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

class MainWindowView;
struct ProgramSettings;

// The link library calls the connection manager makes, in one table so that a
// test can stand in for the relay. library() is the real link library.
struct LinkCalls
{
    std::function<void(uint32_t)> setUserFlag;   // DLL_SetUserFlag
    std::function<void(uint32_t)> setIOTimeout;  // DLL_SetIOTimeout
    std::function<void(uint32_t)> setIOProtocol; // DLL_SetIOProtocol
    std::function<int32_t(const char16_t*)> comOpen;
    std::function<uint32_t()> comOpenFailure; // COM_GetOpenFailure
    std::function<int32_t(uint32_t, uint32_t, uint32_t, uint32_t)> comSetup;
    std::function<int32_t()> comClose;
    std::function<int32_t(const char16_t*, uint32_t)> tcpOpen;
    std::function<int32_t()> tcpClose;
    pollcycle::RegisterReader read03;      // MODBUS_Read03 (identification and the poll)
    std::function<uint32_t()> deviceError; // MODBUS_GetDeviceError
    // 10 ms between identification reads (the connect's own thread), and 1000 ms
    // before a poll of an earlier connection is started over.
    std::function<void(std::chrono::milliseconds)> pause;
    // The 1000 ms pause after a disconnect: runs `then` on the user-interface
    // thread once the time is over, unless `context` is gone; never blocks.
    std::function<void(std::chrono::milliseconds, QObject* context, std::function<void()> then)> pauseThen;

    static LinkCalls library();
};

// What the poll takes from the program settings.
pollcycle::PollSettings pollSettingsFrom(const ProgramSettings& settings);

// Connecting the main window to the relay and disconnecting it (button 1084,
// the tray, bAutoConnect, the close sequence): opens the serial port or the
// Modbus TCP connection with the stored link settings, identifies the relay,
// starts and stops the poll thread, and puts the window into its connected or
// disconnected state. Every failure is told to the operator and ends in
// Disconnect(), so the link is closed and the window disconnected afterwards.
//
// Runs on the user-interface thread, except what waits for the relay: opening
// the link and identifying the relay (up to 5 x (nRetries + 1) x
// nResponseTimeout against a silent relay), and on a disconnect waiting for the
// poll's and the motor command's register calls in progress (each up to
// (nRetries + 1) x nResponseTimeout) and closing the link. A connect or a
// disconnect hands those to a thread of its own and continues when it reports
// back through the event queue; the 1000 ms pause after a disconnect is a
// timer. The window keeps painting meanwhile. While either runs, the window's
// commands are disabled (MainWindowView::setConnecting), the busy cursor shows,
// and a second ToggleConnection() or Disconnect() is ignored; when it has ended
// entirely, MainWindowView::linkCommandEnded() says so.
//
// Stopping the poll: Disconnect() first ends the window's link commands (queued
// motor commands are dropped, a parameters transfer stops), drops the values
// still queued for the window, then stops the poll thread and joins it (the
// register call in progress ends first, its retries included), waits for the
// motor command on the line, and only then closes the link, so no call of the
// poll or of a motor command ever meets a closed link.
class ConnectionManager
{
public:
    explicit ConnectionManager(MainWindowView& view, LinkCalls calls = LinkCalls::library());
    ~ConnectionManager();
    ConnectionManager(const ConnectionManager&) = delete;
    ConnectionManager& operator=(const ConnectionManager&) = delete;

    // Connects when disconnected (behind the PWD_CONNECT password gate),
    // disconnects when connected. A connect returns once the link is being
    // opened; it ends (connected, or a message and Disconnect()) on the
    // user-interface thread when isConnecting() turns false.
    void ToggleConnection();
    bool isConnecting() const { return m_opening.joinable(); }
    // Stops the poll, closes the link, disconnected state, 1000 ms pause. Returns
    // at once; it has ended when isDisconnecting() turns false.
    void Disconnect();
    bool isDisconnecting() const { return m_disconnecting; }
    // A connect or a disconnect is under way.
    bool isBusy() const { return isConnecting() || m_disconnecting; }
    // Reads registers 0 and 1 up to five times: 0 compatible relay, -1 a relay
    // answered but is not compatible, -2 no valid answer, or the last read's
    // library result when it is -100 or less. With the address and retry count
    // of `settings`; any thread (the connect runs it on its own).
    int32_t IdentifyDevice(const ProgramSettings& settings);
    // The main window's caption, with the relay's address and firmware version
    // while connected.
    void UpdateTitle(bool withDevice);
    // The settings window changed the program settings: a running poll uses the
    // new device address and retry count from its next request.
    void settingsChanged();

    // Registers 0 and 1 of the last identification (0 before; version 0 when it
    // failed). Any thread may read them.
    uint32_t identifiedDeviceId() const { return m_identifiedDeviceId.load(); }
    uint32_t identifiedVersion() const { return m_identifiedVersion.load(); }

private:
    enum class Link { Serial, Tcp };
    // How far the connect's own thread came: the failed step, or the
    // identification's result (with the relay's exception code for -103).
    struct Opening
    {
        enum class Failure { None, PortOpen, PortSetup, TcpConnect } failure = Failure::None;
        uint32_t openFailure = 0; // COM_GetOpenFailure() after a failed port open
        uint32_t dwIpAddress = 0; // for the TCP message
        int32_t identified = 0;
        uint32_t deviceError = 0;
    };

    static Link linkKindOf(const ProgramSettings& settings);
    // The connect's own thread: opens the link the settings name, identifies the relay.
    Opening openAndIdentify(const ProgramSettings& settings);
    // Back on the user-interface thread: messages, then connected or Disconnect().
    void finishConnect(const Opening& opening);
    // The disconnect's own thread: the poll and the motor command end, the link closes.
    void endLinkWork();
    // Back on the user-interface thread: the disconnected window, then the pause.
    void finishDisconnect();
    void closeLink();
    void showIdentificationFailure(int32_t result, uint32_t deviceError);
    bool startPoll();

    MainWindowView& m_view;
    LinkCalls m_calls;
    pollcycle::PollWorker m_poll;
    // The transport the last connect opened (or tried): the one closed again,
    // even if the settings name another one meanwhile.
    std::optional<Link> m_link;
    std::atomic<uint32_t> m_identifiedDeviceId{0};
    std::atomic<uint32_t> m_identifiedVersion{0};
    // The connect's thread, from ToggleConnection() until finishConnect() joins it.
    std::thread m_opening;
    // The disconnect's thread, from Disconnect() until finishDisconnect() joins it.
    std::thread m_closing;
    // From Disconnect() until its pause is over.
    bool m_disconnecting = false;
    // Receives the connect thread's report on the user-interface thread; a report
    // still queued when the manager goes is dropped with it.
    QObject m_reports;
};
