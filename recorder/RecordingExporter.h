// SPDX-License-Identifier: MIT
#pragma once

#include "ExportJob.h"

#include <QObject>
#include <QString>
#include <functional>

class QProgressDialog;
class QWidget;

// The recorder window's export of a day file, or of the span the graph shows,
// to a table: the save dialog, the export job with its progress and cancel,
// and what the operator is told at its end. The job runs on its own thread;
// everything here runs on the UI thread. One export at a time: while one
// runs, the list's buttons and menu item that start another are disabled.
class RecordingExporter : public QObject
{
    Q_OBJECT
public:
    // The dialogs and messages belong to `owner`. The owner holds this by
    // value, so the export thread is joined before the owner's widgets go.
    explicit RecordingExporter(QWidget* owner);

    // How a written table is opened when the operator asks to (the desktop's
    // handler unless replaced).
    void setOpenFileHandler(std::function<void(const QString&)> open) { m_openFile = std::move(open); }

    // The day file `name` at `dbPath`: with the save dialog, or straight to `target`.
    void ExportRecording(const QString& name, const QString& dbPath);
    void ExportRecordingTo(const QString& name, const QString& dbPath, const QString& target);
    // The span `span` of `axis`, read from the day files in `folder`: with the
    // save dialog, or straight to `target`.
    void ExportView(const QString& folder, const multiday::Axis& axis, const viewexport::Span& span);
    void ExportViewTo(const QString& folder, const multiday::Axis& axis, const viewexport::Span& span,
                      const QString& target);
    bool running() const { return m_export.running(); }
    // The program closes: a running export is cut short and waited for, its
    // files removed, with nothing more said (the operator agreed to it).
    void abandon();

signals:
    // True when an export starts, false when it has ended (before its message).
    void runningChanged(bool running);
    // After the operator has been told how it ended.
    void finished(const ExportJob::Outcome& outcome);

private:
    // The save dialog offering `suggestedName`; empty when the operator cancels.
    QString askTarget(const QString& suggestedName);
    // Shows the progress of the job about to start into `target`.
    void beginExport(const QString& name, const QString& target);
    void onJobFinished(const ExportJob::Outcome& outcome);
    void endProgress();

    QWidget* m_owner = nullptr;
    std::function<void(const QString&)> m_openFile;
    ExportJob m_export;
    QProgressDialog* m_progress = nullptr;
    QString m_exportTarget;
    bool m_exportTargetExisted = false;
    QString m_exportName;
};
