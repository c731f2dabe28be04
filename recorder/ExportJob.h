// SPDX-License-Identifier: MIT
#pragma once

#include "DayFile.h"
#include "TableExport.h"
#include "ViewExport.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

// One export to a table file, run on its own thread: of a day file (read
// whole, then written as a table, TableExport.h), or of a span of the time
// axis (ViewExport.h). It reports progress and the end through queued
// signals. The owner starts it, may cancel or abandon it, and gets finished()
// exactly once for an export it did not abandon; the thread is joined before
// finished() is handled any further, and at destruction at the latest.
class ExportJob : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        DbReadStatus readStatus = DbReadStatus::Ok; // the day file; the table was written only when Ok
        exporting::Result table;
    };

    explicit ExportJob(QObject* parent = nullptr);
    ~ExportJob() override;

    // Starts exporting dbPath into target; false when an export still runs.
    bool start(const QString& dbPath, const QString& target);
    // Starts exporting the records of `span` on `axis` from the day files in
    // `folder` into target; false when an export still runs.
    bool startView(const QString& folder, const multiday::Axis& axis, const viewexport::Span& span,
                   const QString& target);
    void cancel() { m_cancel = true; }
    // Cancels and waits for the export to end (its files removed as on a
    // cancel); finished() is not emitted for it: its owner gave it up.
    void abandon();
    bool running() const { return m_thread.joinable(); }

    // "Table_08122025" for "08122025.db": the suggested name without extension.
    static QString suggestedName(const QString& dbName);

signals:
    void progress(qint64 rowsWritten, qint64 rowsTotal);
    void finished(const ExportJob::Outcome& outcome);

private:
    bool launch(std::function<Outcome()> work);
    Outcome exportDay(const QString& dbPath, const QString& target);
    // On the owner's thread once the export's work has ended: joins its thread,
    // then tells the outcome, unless that export was abandoned (its number is
    // no longer the latest).
    Q_INVOKABLE void deliverOutcome(int exportNumber);

    std::thread m_thread;
    Outcome m_outcome; // written by the thread before it ends, read after the join
    std::atomic<bool> m_cancel{false};
    int m_exportNumber = 0; // owner's thread only
};

Q_DECLARE_METATYPE(ExportJob::Outcome)
