// SPDX-License-Identifier: MIT
#include "CCPL_ZRQ7Dlg.h"

#include "CAboutDlg.h"
#include "CCPL_ZRQ7App.h"
#include "CDataDlg.h"
#include "CFirmwareDlg.h"
#include "CGraph.h"
#include "CIconButton.h"
#include "CSettDevDlg.h"
#include "CSettingsDlg.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "ConnectionManager.h"
#include "FaultReportCommand.h"
#include "HelpFile.h"
#include "LayoutScrollArea.h"
#include "LiveTexts.h"
#include "MainWindowLayout.h"
#include "MessageBox.h"
#include "MotorCommands.h"
#include "PasswordGate.h"
#include "ProgramIdentity.h"
#include "Recorder.h"
#include "RecorderBrowser.h"
#include "TrayStatusIcon.h"
#include "ZRQ7DLL.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDateTime>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>
#include <utility>

namespace {

// A window that opens another first looks for it: an open one is restored and
// brought to the front instead.
bool bringToFront(QWidget* window)
{
    if (!window || !window->isVisible())
        return false;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
    return true;
}

// The open top-level dialog with that exact title.
bool bringToFront(const QString& title)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QDialog*>(window) && window->isVisible() && window->windowTitle() == title)
            return bringToFront(window);
    return false;
}

constexpr int trayHelp = 32776, trayProgramSettings = 32777, trayDeviceSettings = 32778, trayDatabase = 32779,
              trayAbout = 32780;

} // namespace

CCPL_ZRQ7Dlg::CCPL_ZRQ7Dlg(QWidget* parent)
    : QDialog(parent), m_content(new QWidget), m_controls(buildMainWindowContent(m_content)),
      m_live(m_controls, m_snapshot), m_queue(this, [this](PendingDisplay& batch) { m_live.show(batch); })
{
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/icons/cpl_zrq7.svg")));
    setWindowTitle(QStringLiteral("Panel sterowania ZRQ-7/8"));

    m_content->setObjectName(QStringLiteral("content"));
    auto* scroll = new LayoutScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setContent(m_content);
    m_scroll = scroll;
    // The content's minimum size hint is the size the window needs without
    // scrolling (the scroll area keeps the content at least that large).
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    m_motorWriter = new MotorCommandWriter(this);
    connect(m_motorWriter, &MotorCommandWriter::finished, this, &CCPL_ZRQ7Dlg::onMotorCommandFinished);
    m_connection = std::make_unique<ConnectionManager>(*this);

    const MainWindowControls& c = m_controls;
    connect(c.settings, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnSettings);
    connect(c.exit, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::closeSequence);
    connect(c.connect, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnConnect);
    connect(c.deviceParameters, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnDeviceParameters);
    connect(c.database, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnDatabase);
    connect(c.faultLog, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnFaultLog);
    connect(c.about, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnAbout);
    connect(c.start, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnStart);
    connect(c.stop, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnStop);
    connect(c.faultReset, &QAbstractButton::clicked, this, &CCPL_ZRQ7Dlg::OnFaultReset);

    // Initialisation, in the order the window has always opened.
    m_connection->UpdateTitle(false);
    applyAlwaysOnTop();
    CXLed* power = c.protection;
    power->SetIcons(QStringLiteral("protection_on"), 24, 24, QString(), 0, 0);
    power->SetState(CXLed::On);
    m_live.setLinkActivity(LiveDisplay::LinkActivity::Idle);
    SetupStatusPanel();
    c.loadGraph->installEventFilter(this);
    c.pcClock->SetText(livetexts::pcClockText(QDateTime::currentDateTime()));
    m_live.hideMotorCommands();
    setLinkButtons(false);
    if (theApp().settings.bAutoConnect == 1)
        QTimer::singleShot(0, this, &CCPL_ZRQ7Dlg::OnConnect);
    // Recorder hook: the recorder window, created hidden, holds the recorder thread.
    m_dataDlg = new CDataDlg(m_snapshot, this);
    connect(m_dataDlg, &CDataDlg::databaseUnavailable, this,
            [database = c.database] { database->setEnabled(false); });
    createTray();
    fillPowerLists();
    connect(&m_secondTimer, &QTimer::timeout, this, &CCPL_ZRQ7Dlg::OnSecondTick);
    m_secondTimer.start(1000);
    // Recorder hook: recording may begin at once (automatic recording).
    if (!m_dataDlg->StartRecorder())
        c.database->setEnabled(false);

    // Opens at the comfortable size of its read-outs (fonts and texts are final
    // now), as far as the screen allows.
    QSize size = settledSizeHint(m_content);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize());
    resize(size);
}

CCPL_ZRQ7Dlg::~CCPL_ZRQ7Dlg()
{
    // The recorder thread reads m_snapshot, which goes before the child windows.
    m_dataDlg->StopRecorder();
    if (m_parameters)
        m_parameters->stopTransfer();
    m_queue.close();
    m_connection.reset();
    setConnecting(false); // a connect that was still under way: the cursor goes back
}

// ---------------------------------------------------------------- set-up

void CCPL_ZRQ7Dlg::SetupStatusPanel()
{
    applyColors();
    m_live.setupStatusPanel(m_colors, theApp().settings.nBaudRateIndex);
}

void CCPL_ZRQ7Dlg::applyColors()
{
    const ProgramSettings& s = theApp().settings;
    const QPalette system = QApplication::palette();
    if (s.nInterfaceStyle == 1) {
        m_colors = {colorFromRef(s.crBackground), colorFromRef(s.crText), colorFromRef(s.crParameter)};
    } else {
        const QColor text = system.color(QPalette::WindowText);
        m_colors = {system.color(QPalette::Button), text, text};
    }
    QPalette p = m_content->palette();
    p.setColor(QPalette::Window, m_colors.background);
    p.setColor(QPalette::WindowText, m_colors.labelText);
    m_content->setPalette(p);
    m_content->setAutoFillBackground(true);
    for (QComboBox* list : m_controls.powerChoice) {
        QPalette lp = list->palette();
        lp.setColor(QPalette::Text, m_colors.valueText);
        lp.setColor(QPalette::ButtonText, m_colors.valueText);
        list->setPalette(lp);
    }
}

void CCPL_ZRQ7Dlg::applyAlwaysOnTop()
{
    const bool onTop = theApp().settings.bAlwaysOnTop != 0;
    const Qt::WindowFlags flags =
        onTop ? windowFlags() | Qt::WindowStaysOnTopHint : windowFlags() & ~Qt::WindowStaysOnTopHint;
    if (flags == windowFlags())
        return;
    QWindow* window = windowHandle();
    if (!window) {
        setWindowFlags(flags); // nothing native yet: nothing to hide
        return;
    }
    // setWindowFlags() would re-create the native window and hide this one on
    // the way, and hiding ends the exec() that runs the whole program. The
    // native window takes the flag in place instead, without moving or sizing.
    overrideWindowFlags(flags);
    window->setFlags(flags);
}

void CCPL_ZRQ7Dlg::createTray()
{
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("id198"));
    const auto add = [this](int id, const QString& text, void (CCPL_ZRQ7Dlg::*handler)()) {
        QAction* action = m_trayMenu->addAction(text);
        action->setObjectName(QStringLiteral("id%1").arg(id));
        connect(action, &QAction::triggered, this, handler);
    };
    add(trayHelp, QStringLiteral("Pomoc"), &CCPL_ZRQ7Dlg::OnHelp);
    m_trayMenu->addSeparator();
    add(trayDatabase, QStringLiteral("Baza danych"), &CCPL_ZRQ7Dlg::OnDatabase);
    add(trayDeviceSettings, QStringLiteral("Ustawienia ZRQ-7/8"), &CCPL_ZRQ7Dlg::OnDeviceParameters);
    add(trayProgramSettings, QStringLiteral("Ustawienia programu"), &CCPL_ZRQ7Dlg::OnSettings);
    m_trayMenu->addSeparator();
    add(trayAbout, QStringLiteral("O programie"), &CCPL_ZRQ7Dlg::OnAbout);

    // A desktop without a notification area simply has no tray icon.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/tray_normal.svg")), this);
    m_tray->setToolTip(QStringLiteral("Baza danych ZRQ-7/8"));
    m_tray->setContextMenu(m_trayMenu);
    m_tray->show();
}

void CCPL_ZRQ7Dlg::fillPowerLists()
{
    ProgramSettings& s = theApp().settings;
    for (int i = 0; i < 3; ++i) {
        QComboBox* list = m_controls.powerChoice[i];
        {
            const QSignalBlocker quiet(list);
            for (int choice = 0; choice < livetexts::powerChoiceCount; ++choice)
                list->addItem(livetexts::powerChoiceName(choice));
            list->setCurrentIndex(s.nPowerSelection[i]);
        }
        connect(list, &QComboBox::currentIndexChanged, this, [this, i] { onPowerSelection(i); });
        onPowerSelection(i);
    }
}

void CCPL_ZRQ7Dlg::onPowerSelection(int i)
{
    QComboBox* list = m_controls.powerChoice[i];
    ProgramSettings& s = theApp().settings;
    const int choice = list->currentIndex();
    if (s.nPowerSelection[i] == choice)
        return;
    s.nPowerSelection[i] = choice;
    theApp().SaveSettings(); // a failed save is ignored
}

// ---------------------------------------------------------------- commands

void CCPL_ZRQ7Dlg::OnSettings()
{
    if (bringToFront(QStringLiteral("Ustawienia")))
        return;
    if (!PasswordGate(PWD_SETTINGS))
        return;
    {
        CSettingsDlg dialog(this);
        // While connected, a new device address or retry count applies from the poll's next request.
        connect(&dialog, &CSettingsDlg::liveRecordChanged, this, [this] { m_connection->settingsChanged(); });
        dialog.exec();
    }
    applyAlwaysOnTop();
    m_controls.lineSpeed->SetText(livetexts::lineSpeedText(theApp().settings.nBaudRateIndex));
}

void CCPL_ZRQ7Dlg::OnConnect()
{
    m_connection->ToggleConnection();
}

void CCPL_ZRQ7Dlg::OnDeviceParameters()
{
    if (!PasswordGate(PWD_DEVICE_PARAMS))
        return;
    // The version choice counts as the open window.
    if (bringToFront(m_firmwareChoice) || bringToFront(m_parameters))
        return;
    if (m_bConnected == 1 && m_pollFlags.bPollRunning.load() == 1) {
        openParametersWindow({int(m_connection->identifiedVersion()), true, {}});
        return;
    }
    // Without a relay the operator picks the firmware version first; the
    // window opens (offline) when the choice ends.
    auto* choice = new CFirmwareDlg(this);
    m_firmwareChoice = choice;
    connect(choice, &QDialog::finished, this, [this, choice](int result) {
        choice->deleteLater();
        m_firmwareChoice = nullptr;
        if (result == QDialog::Accepted)
            openParametersWindow({choice->chosenVersion(), false, {}});
    });
    choice->open();
}

void CCPL_ZRQ7Dlg::openParametersWindow(ParametersWindowContext context)
{
    m_parameters = new CSettDevDlg(std::move(context), this);
    m_parameters->setAttribute(Qt::WA_DeleteOnClose);
    m_parameters->show();
}

void CCPL_ZRQ7Dlg::OnDatabase()
{
    // Recorder hook: a recorder thread that gave up is started again first.
    if (!PasswordGate(PWD_DATABASE))
        return;
    if (!m_dataDlg->recorder().running() && !m_dataDlg->StartRecorder())
        m_controls.database->setEnabled(false);
    // Restored and raised where it was, not moved or resized.
    m_dataDlg->setWindowState(m_dataDlg->windowState() & ~Qt::WindowMinimized);
    m_dataDlg->show();
    m_dataDlg->raise();
    m_dataDlg->activateWindow();
}

void CCPL_ZRQ7Dlg::OnFaultLog()
{
    auto* report = faultReport();
    if (!report)
        report = new FaultReportCommand(this);
    const ProgramSettings& s = theApp().settings;
    const faultreport::ReportHeader header{QDateTime::currentDateTime(), m_connection->identifiedDeviceId(),
                                           m_connection->identifiedVersion(), s.nDeviceAddress};
    report->run(header, copyFaultList(*m_controls.faultList), static_cast<uint32_t>(s.nDeviceAddress),
                s.nRetries);
}

void CCPL_ZRQ7Dlg::OnAbout()
{
    if (bringToFront(QStringLiteral("O programie CPL_ZRQ7")))
        return;
    CAboutDlg about(this);
    about.exec();
}

void CCPL_ZRQ7Dlg::OnHelp()
{
    OpenHelpFile();
}

void CCPL_ZRQ7Dlg::OnStart()
{
    sendMotorCommand(motorcommand::start);
}

void CCPL_ZRQ7Dlg::OnStop()
{
    sendMotorCommand(motorcommand::stop);
}

void CCPL_ZRQ7Dlg::OnFaultReset()
{
    sendMotorCommand(motorcommand::faultReset);
}

void CCPL_ZRQ7Dlg::sendMotorCommand(int32_t value)
{
    if (m_bConnected == 0 || m_pollFlags.bPollRunning.load() == 0) {
        // The link is down or the poll has ended: nothing is sent, the buttons go.
        if (value == motorcommand::faultReset) {
            m_live.setFaultResetVisible(false);
        } else {
            m_controls.start->hide();
            m_controls.stop->hide();
            m_controls.motorPicture->show();
        }
        return;
    }
    // A command pressed while another is on the line follows it.
    const ProgramSettings& s = theApp().settings;
    if (!m_motorWriter->send(value, static_cast<uint32_t>(s.nDeviceAddress), s.nRetries))
        onMotorCommandFinished(value, LINK_ERR_IO); // not sent: the operator hears of it
}

void CCPL_ZRQ7Dlg::onMotorCommandFinished(int32_t, int32_t result)
{
    // After a disconnect a failure says nothing about the relay: the link was
    // closed on purpose.
    if (result == 1 || m_bConnected == 0)
        return;
    // One message per failed command, one after the other: a failure reported
    // while a message is open is told once that one is answered.
    ++m_motorFailuresToTell;
    if (m_tellingMotorFailure)
        return;
    m_tellingMotorFailure = true;
    while (m_motorFailuresToTell > 0) {
        --m_motorFailuresToTell;
        ShowMessageOnTop(
            this, QMessageBox::Warning, QStringLiteral("Błąd"),
            QStringLiteral("Błąd zapisu parametru.\r\nMożliwe przyczyny: wystąpił błąd podczas zapisu \r\n"
                           "lub urządzenie nie obsługuje tej funkcji"));
    }
    m_tellingMotorFailure = false;
}

// ---------------------------------------------------------------- timer

void CCPL_ZRQ7Dlg::OnSecondTick()
{
    m_controls.pcClock->SetText(livetexts::pcClockText(QDateTime::currentDateTime()));
    if (m_bConnected == 1) {
        ++m_connectSeconds;
        m_controls.connectionTime->SetText(livetexts::connectionTimeText(m_connectSeconds));
        m_controls.throughput->SetText(livetexts::throughputText(m_pollFlags.fParamsPerSecond.load()));
        const bool linkOk = m_pollFlags.bLinkOk.load() == 1;
        if (m_watchdog.tick(linkOk, m_live.linkLostListed())) {
            ResetLiveDisplay();
            m_live.showLinkLost();
        }
        m_live.setLinkActivity(linkOk ? LiveDisplay::LinkActivity::Working
                                      : LiveDisplay::LinkActivity::Failing);
    }
    // Recorder hook: the recorder's tray status (recording icon and tip).
    UpdateTrayStatus(m_tray, m_dataDlg->recorder(), m_trayBlink);
}

// ---------------------------------------------------------------- view

void CCPL_ZRQ7Dlg::setConnectedState(bool connected)
{
    m_bConnected = connected ? 1 : 0;
    m_snapshot.SetLinkState(m_bConnected);
    QPushButton* connect = m_controls.connect;
    if (connected) {
        m_queue.open();
        m_watchdog.reset();
        m_connectSeconds = 0;
        connect->setText(QStringLiteral("Odłącz"));
        connect->setIcon(QIcon(QStringLiteral(":/icons/disconnect.svg")));
        m_controls.linkState->SetText(QStringLiteral("Podłączony"));
    } else {
        m_queue.close();
        connect->setText(QStringLiteral("Podłącz"));
        connect->setIcon(QIcon(QStringLiteral(":/icons/connect.svg")));
        m_controls.linkState->SetText(QStringLiteral("Wyłączone"));
    }
}

void CCPL_ZRQ7Dlg::setConnecting(bool connecting)
{
    if (connecting == m_connecting)
        return;
    m_connecting = connecting;
    // Buttons keep their own enabled state underneath (1000, 1155, 1201).
    m_content->setEnabled(!connecting);
    m_trayMenu->setEnabled(!connecting);
    if (connecting)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}

void CCPL_ZRQ7Dlg::linkCommandEnded()
{
    // A close that waited for the link goes on as if asked for now (not from
    // inside the connection manager's call).
    if (m_closeDisconnecting) {
        m_closeDisconnecting = false;
        QTimer::singleShot(0, this, &CCPL_ZRQ7Dlg::finishClose);
    } else if (m_closeWaiting) {
        m_closeWaiting = false;
        QTimer::singleShot(0, this, &CCPL_ZRQ7Dlg::closeSequence);
    }
}

FaultReportCommand* CCPL_ZRQ7Dlg::faultReport() const
{
    return findChild<FaultReportCommand*>(QString(), Qt::FindDirectChildrenOnly);
}

void CCPL_ZRQ7Dlg::endLinkCommands()
{
    m_motorWriter->dropQueued();
    m_linkUses.clear();
    // A report cut short by the link's end is not written (the operator is told).
    if (FaultReportCommand* report = faultReport())
        m_linkUses.push_back(report->endForClosingLink());
    // A parameters transfer never loses its link underneath it, and the window
    // never works with whatever relay is connected next. Only asked to stop
    // here: the disconnect's thread waits for its exchange in progress, and the
    // window joins the transfer's thread when its end comes back.
    if (m_parameters)
        m_linkUses.push_back(m_parameters->linkClosing());
}

void CCPL_ZRQ7Dlg::waitForLinkCommands()
{
    for (const std::shared_ptr<LinkUse>& use : std::exchange(m_linkUses, {}))
        use->waitUntilEnded();
    m_motorWriter->wait();
}

void CCPL_ZRQ7Dlg::setLinkButtons(bool connected)
{
    m_controls.settings->setEnabled(!connected);
    m_controls.faultLog->setEnabled(connected);
}

void CCPL_ZRQ7Dlg::hideMotorCommands()
{
    m_live.hideMotorCommands();
}

void CCPL_ZRQ7Dlg::ResetGraph()
{
    m_controls.loadGraph->ResetGraph();
}

void CCPL_ZRQ7Dlg::RunGraph(bool run)
{
    m_controls.loadGraph->RunGraph(run);
}

void CCPL_ZRQ7Dlg::ResetLiveDisplay()
{
    m_live.resetLiveDisplay();
}

void CCPL_ZRQ7Dlg::showLinkIdle()
{
    m_live.setLinkActivity(LiveDisplay::LinkActivity::Idle);
    setFocus();
}

int CCPL_ZRQ7Dlg::programVersionMajor() const
{
    return programidentity::versionMajor();
}

int CCPL_ZRQ7Dlg::programVersionMinor() const
{
    return programidentity::versionMinor();
}

void CCPL_ZRQ7Dlg::setTitle(const QString& title)
{
    setWindowTitle(title);
}

void CCPL_ZRQ7Dlg::showError(const QString& text, MessageIcon icon)
{
    ShowMessageOnTop(this, icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Critical,
                     QStringLiteral("Błąd"), text);
}

void CCPL_ZRQ7Dlg::requestClose()
{
    QTimer::singleShot(0, this, &CCPL_ZRQ7Dlg::finishClose);
}

// ---------------------------------------------------------------- events

bool CCPL_ZRQ7Dlg::eventFilter(QObject* watched, QEvent* event)
{
    // Heating tooltip: recomputed only when the pointer really moved.
    if (watched == m_controls.loadGraph && event->type() == QEvent::MouseMove) {
        const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (position != m_lastGraphPointer) {
            m_lastGraphPointer = position;
            CGraph* graph = m_controls.loadGraph;
            const QString text = livetexts::heatingTooltipText(graph->height(), position.y());
            graph->setToolTip(text);
            QToolTip::showText(graph->mapToGlobal(position), text, graph);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CCPL_ZRQ7Dlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        OnAbout();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CCPL_ZRQ7Dlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    closeSequence();
}

void CCPL_ZRQ7Dlg::closeSequence()
{
    // A connect or disconnect under way ends first (at most its identification
    // time, or its calls in progress and its pause); the close then goes on as
    // if asked for at that moment.
    if (m_connection->isBusy()) {
        m_closeWaiting = true;
        return;
    }
    if (!confirmClose())
        return;
    // From here on the close is certain. Recorder hook: the recorder stops only
    // now (a "Nie" above leaves recording running); it ends within about 100 ms.
    m_dataDlg->StopRecorder();
    // An export the operator agreed to cut short ends now, its files removed.
    m_dataDlg->browser()->abandonExport();
    // A fault report being read is not written, and a closing program tells
    // nothing more of it.
    if (FaultReportCommand* report = faultReport())
        report->cancel();
    // Its question was asked above; it goes in finishClose(), once the
    // disconnect has waited for its transfer.
    if (m_parameters)
        m_parameters->endWithProgram();
    if (m_bConnected == 1) {
        m_closeDisconnecting = true; // finishClose() once the disconnect has ended
        m_connection->Disconnect();
        return;
    }
    finishClose();
}

bool CCPL_ZRQ7Dlg::confirmClose()
{
    // The parameters window's own question (unsaved changes) comes first; a
    // transfer it runs goes on while the operator decides.
    if (m_parameters && !m_parameters->confirmClose())
        return false;
    // An export to a table runs on its own: closing would cut it short.
    if (m_dataDlg->browser()->exportRunning() &&
        ShowMessageOnTop(
            this, QMessageBox::Warning, QStringLiteral("Uwaga"),
            QStringLiteral("Trwa eksport danych do pliku.\r\nPrzerwać eksport i zakończyć program?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;
    if (m_bConnected == 1) {
        const auto answer = ShowMessageOnTop(
            this, QMessageBox::Warning, QStringLiteral("Uwaga"),
            QStringLiteral("Uwaga: ZRQ jest podłączony, czy na pewno chcesz zakończyć i zerwać połączenie?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes)
            return false;
    }
    return true;
}

void CCPL_ZRQ7Dlg::finishClose()
{
    delete m_parameters.data(); // its transfer has ended: the join is at once
    m_pollFlags.bPollRunning.store(0);
    m_motorWriter->dropQueued();
    m_motorWriter->wait();
    m_secondTimer.stop();
    if (m_tray)
        m_tray->hide();
    QDialog::done(Accepted);
}
