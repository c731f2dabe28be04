// SPDX-License-Identifier: MIT
#pragma once

#include "FaultReport.h"
#include "LinkUse.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class CXListCtrl;

class QSaveFile;
class QWidget;

// A copy of the main window's fault list, top row first, for the report.
QList<faultreport::PanelFault> copyFaultList(const CXListCtrl& list);

// "Dziennik awarii ZRQ" (1201): asks where to save, shows the progress window,
// walks the relay's fault log on a worker thread (up to 51 reads, while the
// poll goes on and the window keeps painting), writes the report and offers
// to open it in the viewer. The file is written through QSaveFile, so an
// earlier report under that name is only replaced by a complete new one.
// Windows and questions stay on the user-interface thread.
//
// One report at a time: the command is busy from run() until the walk has
// reported back, whatever happens to its progress window meanwhile. That
// window cannot be closed (Esc, the close box) while the walk runs; its
// "Anuluj" cancels the walk.
class FaultReportCommand : public QObject
{
    Q_OBJECT
public:
    // What the command asks of its surroundings; each empty one is the real thing.
    struct Hooks
    {
        std::function<QString(QWidget* owner)> askPath; // the save dialog; empty text = cancelled
        faultreport::RegisterRead read;                 // MODBUS_Read03
        std::function<void(const QString& path, QWidget* owner)> openViewer; // CHtmlDialog, modal
        QString templatePath;                                                // the template resource
    };

    explicit FaultReportCommand(QWidget* owner, Hooks hooks = {});
    // Cancels the walk and waits for it.
    ~FaultReportCommand() override;

    // Runs the command. The panel's fault list is the copy taken now. False
    // when a report is still being written: its progress window comes to the
    // front and nothing else happens.
    bool run(const faultreport::ReportHeader& header, const QList<faultreport::PanelFault>& panelFaults,
             uint32_t deviceAddress, uint32_t retries);
    // Ends the walk before its next read; the report is not written and an
    // earlier file under its name stays as it was. Nothing is asked or told.
    void cancel();
    // The link is about to close (a disconnect, the program closing): cancels
    // the walk like cancel(), without waiting. The link is closed only once the
    // returned use has ended (after the walk's register call in progress), so
    // no read of it meets a closed link. Once the walk has reported back the
    // operator is told that the report was not created, unless the walk had
    // been cancelled already (the program closing cancels it first). UI thread.
    std::shared_ptr<LinkUse> endForClosingLink();
    bool isBusy() const { return m_busy; }
    QDialog* progressWindow() const { return m_progress; }

signals:
    // After the report was written (true) or its writing failed (false), once the
    // operator has answered the closing question.
    void finished(bool saved, const QString& path);

private:
    void startWalk(QByteArray templateBytes, faultreport::ReportHeader header,
                   QList<faultreport::PanelFault> panelFaults, uint32_t deviceAddress, uint32_t retries);
    enum class Outcome { Written, WriteFailed, Cancelled };
    void onWalkEnded(Outcome outcome);
    // Closes the progress window and ends the busy state (every way out of run()).
    void endRun();

    QWidget* m_owner;
    Hooks m_hooks;
    QPointer<QDialog> m_progress;
    std::unique_ptr<QSaveFile> m_file;
    bool m_busy = false;       // from run() until the walk has reported back
    bool m_linkClosed = false; // the walk was cancelled because the link went
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
    const std::shared_ptr<LinkUse> m_linkUse = std::make_shared<LinkUse>(); // the walk's
};
