// SPDX-License-Identifier: MIT
#include "ConnectionManager.h"

#include "CCPL_ZRQ7App.h"
#include "LinkMessages.h"
#include "MainWindowView.h"
#include "MeasurementSnapshot.h"
#include "PasswordGate.h"
#include "ProgramIdentity.h"
#include "SettingsFields.h"
#include "ZRQ7DLL.h"

#include <QTimer>
#include <array>
#include <system_error>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr int identificationAttempts = 5;
constexpr auto pauseAfterDisconnect = 1000ms;
constexpr auto pauseBetweenIdentifications = 10ms;

bool isTcpPortName(const ProgramSettings& s)
{
    return SettingsText(s.szPortName) == QStringLiteral("Modbus TCP");
}

} // namespace

pollcycle::PollSettings pollSettingsFrom(const ProgramSettings& settings)
{
    return {settings.nDeviceAddress, settings.nRetries};
}

LinkCalls LinkCalls::library()
{
    LinkCalls calls;
    calls.setUserFlag = &DLL_SetUserFlag;
    calls.setIOTimeout = &DLL_SetIOTimeout;
    calls.setIOProtocol = &DLL_SetIOProtocol;
    calls.comOpen = &COM_Open;
    calls.comOpenFailure = &COM_GetOpenFailure;
    calls.comSetup = &COM_Setup;
    calls.comClose = &COM_Close;
    calls.tcpOpen = &TCP_Open;
    calls.tcpClose = &TCP_Close;
    calls.read03 = &MODBUS_Read03;
    calls.deviceError = &MODBUS_GetDeviceError;
    calls.pause = [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); };
    calls.pauseThen = [](std::chrono::milliseconds duration, QObject* context, std::function<void()> then) {
        QTimer::singleShot(duration, context, std::move(then));
    };
    return calls;
}

ConnectionManager::ConnectionManager(MainWindowView& view, LinkCalls calls)
    : m_view(view), m_calls(std::move(calls)),
      m_poll(view.snapshot(), view.pollFlags(), view.pollDisplay(), m_calls.read03)
{
}

ConnectionManager::~ConnectionManager()
{
    // A connect or disconnect still under way ends first (its report is dropped
    // with m_reports).
    if (m_opening.joinable())
        m_opening.join();
    if (m_closing.joinable())
        m_closing.join();
    // The window goes (also after a failed poll start, which leaves the link
    // open): the poll ends before the link it uses is released.
    m_poll.stop();
    if (m_link)
        closeLink();
}

ConnectionManager::Link ConnectionManager::linkKindOf(const ProgramSettings& settings)
{
    return isTcpPortName(settings) ? Link::Tcp : Link::Serial;
}

void ConnectionManager::ToggleConnection()
{
    // One command at a time: the window cannot start another while connecting
    // or disconnecting, and this catches any way round that.
    if (isBusy())
        return;
    m_calls.setUserFlag(0);
    m_view.snapshot().ClearMeasurements();
    if (m_view.isConnected()) {
        Disconnect();
        return;
    }
    // The gate protects connecting only; a disconnect never asks.
    if (!PasswordGate(PWD_CONNECT))
        return;

    const ProgramSettings settings = theApp().settings;
    m_calls.setIOTimeout(settings.nResponseTimeout);
    m_calls.setIOProtocol(static_cast<uint32_t>(settings.nProtocolIndex));
    m_link = linkKindOf(settings);
    // Opening and identifying wait for the relay; the window keeps working
    // meanwhile and continues in finishConnect().
    m_view.setConnecting(true);
    try {
        m_opening = std::thread([this, settings] {
            const Opening opening = openAndIdentify(settings);
            QMetaObject::invokeMethod(
                &m_reports, [this, opening] { finishConnect(opening); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        finishConnect(openAndIdentify(settings)); // no thread to spare: wait here
    }
}

ConnectionManager::Opening ConnectionManager::openAndIdentify(const ProgramSettings& s)
{
    Opening opening;
    using Failure = Opening::Failure;
    if (linkKindOf(s) == Link::Serial) {
        if (m_calls.comOpen(s.szPortName) != 0) {
            opening.failure = Failure::PortOpen;
            opening.openFailure = m_calls.comOpenFailure();
        } else if (m_calls.comSetup(
                       static_cast<uint32_t>(s.nBaudRateIndex), static_cast<uint32_t>(s.nDataBitsIndex),
                       static_cast<uint32_t>(s.nParityIndex), static_cast<uint32_t>(s.nStopBitsIndex)) != 0) {
            opening.failure = Failure::PortSetup;
        }
    } else {
        const QString host = Ipv4Text(s.dwIpAddress);
        opening.dwIpAddress = s.dwIpAddress;
        if (m_calls.tcpOpen(reinterpret_cast<const char16_t*>(host.utf16()), s.nTcpPort) != 0)
            opening.failure = Failure::TcpConnect;
    }
    if (opening.failure != Failure::None)
        return opening;
    opening.identified = IdentifyDevice(s);
    if (opening.identified <= LINK_ERR_IO)
        opening.deviceError = m_calls.deviceError();
    return opening;
}

void ConnectionManager::finishConnect(const Opening& opening)
{
    if (m_opening.joinable())
        m_opening.join(); // it has reported: nothing is left but its end
    m_view.setConnecting(false);
    using Failure = Opening::Failure;
    if (opening.failure != Failure::None || opening.identified != 0) {
        if (opening.failure == Failure::PortOpen)
            m_view.showError(linkmessages::portOpenFailed(opening.openFailure));
        else if (opening.failure == Failure::PortSetup)
            m_view.showError(linkmessages::portSetupFailed());
        else if (opening.failure == Failure::TcpConnect)
            m_view.showError(linkmessages::tcpConnectFailed(opening.dwIpAddress));
        else
            showIdentificationFailure(opening.identified, opening.deviceError);
        Disconnect();
        return;
    }

    m_view.setConnectedState(true); // bConnected, "Odłącz", "Podłączony", watchdog 5, time 00 : 00 : 00
    // The live display is reset before the poll starts rather than after it, so
    // that the first values the poll stores are not wiped again.
    m_view.ResetGraph();
    m_view.setLinkButtons(true);
    m_view.ResetLiveDisplay();
    if (!startPoll()) {
        m_view.showError(linkmessages::pollStartFailed(), MainWindowView::MessageIcon::Warning);
        m_view.setConnectedState(false);
        m_view.requestClose(); // the link is released when the window goes
        return;
    }
    m_view.RunGraph(true);
    UpdateTitle(true);
    m_view.showLinkIdle();
    m_view.linkCommandEnded();
}

void ConnectionManager::closeLink()
{
    // m_link is settled on the window's thread before (the disconnect may run
    // this on its own thread, which reads no settings).
    if (m_link == Link::Tcp)
        m_calls.tcpClose();
    else
        m_calls.comClose();
    m_link.reset();
}

bool ConnectionManager::startPoll()
{
    pollcycle::PollFlags& flags = m_view.pollFlags();
    // A poll of an earlier connection that has not ended yet is stopped first.
    // Disconnect() joins the poll, so this only happens if it was bypassed; the
    // join also collects a poll thread that ended on its own.
    const bool earlierPollRunning = flags.bPollRunning.load() == 1;
    m_poll.stop();
    if (earlierPollRunning)
        m_calls.pause(pauseAfterDisconnect);
    // start() reports at once whether the thread exists (bPollRunning is set
    // before it), so there is nothing to wait for; a second try as before.
    const pollcycle::PollSettings settings = pollSettingsFrom(theApp().settings);
    if (m_poll.start(settings))
        return true;
    m_poll.stop();
    return m_poll.start(settings);
}

void ConnectionManager::settingsChanged()
{
    m_poll.setSettings(pollSettingsFrom(theApp().settings));
}

void ConnectionManager::Disconnect()
{
    if (m_disconnecting)
        return;
    m_disconnecting = true;
    m_view.setConnecting(true);
    // The transport to close is settled here: the thread reads no settings.
    if (!m_link)
        m_link = linkKindOf(theApp().settings);
    // No command goes on the line from here on: queued motor commands are
    // dropped before the window says "Wyłączone".
    m_view.endLinkCommands();
    // Values the poll still queued for the window are dropped from here on.
    m_view.setConnectedState(false);
    // bPollRunning = 0 at once; the waits for the calls in progress (and the
    // close after them) are the disconnect thread's.
    m_view.pollFlags().bPollRunning.store(0);
    try {
        m_closing = std::thread([this] {
            endLinkWork();
            QMetaObject::invokeMethod(
                &m_reports, [this] { finishDisconnect(); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        endLinkWork(); // no thread to spare: wait here
        finishDisconnect();
    }
}

void ConnectionManager::endLinkWork()
{
    // The link is closed only when nothing uses it any more.
    m_poll.stop();
    m_view.waitForLinkCommands();
    closeLink();
}

void ConnectionManager::finishDisconnect()
{
    if (m_closing.joinable())
        m_closing.join(); // it has reported: nothing is left but its end
    m_view.hideMotorCommands();
    m_view.setLinkButtons(false);
    m_view.RunGraph(false);
    m_view.ResetLiveDisplay();
    UpdateTitle(false);
    m_calls.pauseThen(pauseAfterDisconnect, &m_reports, [this] {
        m_disconnecting = false;
        m_view.showLinkIdle();
        m_view.setConnecting(false);
        m_view.linkCommandEnded();
    });
}

int32_t ConnectionManager::IdentifyDevice(const ProgramSettings& s)
{
    m_identifiedDeviceId.store(0);
    m_identifiedVersion.store(0);
    m_view.pollFlags().fParamsPerSecond.store(0.0f);
    int32_t result = 0;
    for (int attempt = 0; attempt < identificationAttempts; ++attempt) {
        std::array<uint8_t, 10> buffer{};
        result = m_calls.read03(static_cast<uint32_t>(s.nDeviceAddress), 0, 2, buffer.data(),
                                static_cast<uint32_t>(buffer.size()), s.nRetries);
        if (result > 0) {
            const uint32_t id = buffer[0] * 256u + buffer[1];
            const uint32_t version = buffer[2] * 256u + buffer[3];
            m_identifiedDeviceId.store(id);
            m_identifiedVersion.store(version);
            const bool compatible = id == dll_nID && version >= dll_nVerMinor && version <= dll_nVerMajor;
            return compatible ? 0 : -1;
        }
        m_identifiedVersion.store(0);
        m_calls.pause(pauseBetweenIdentifications);
    }
    return result <= LINK_ERR_IO ? result : -2;
}

void ConnectionManager::showIdentificationFailure(int32_t result, uint32_t deviceError)
{
    if (result == -1)
        m_view.showError(linkmessages::incompatibleDevice());
    else if (result == -2)
        m_view.showError(linkmessages::noCommunication());
    else
        m_view.showError(linkmessages::linkErrorMessage(result, deviceError));
}

void ConnectionManager::UpdateTitle(bool withDevice)
{
    const QString program = QStringLiteral("%1 (%2.%3) - ")
                                .arg(programidentity::titleText())
                                .arg(m_view.programVersionMajor())
                                .arg(m_view.programVersionMinor());
    const QString device = withDevice ? QStringLiteral("Adres [%1] - Wersja mikroprogramu [%2] - ")
                                            .arg(theApp().settings.nDeviceAddress)
                                            .arg(m_identifiedVersion.load())
                                      : QString();
    m_view.setTitle(program + device + programidentity::makerWebAddress());
}
