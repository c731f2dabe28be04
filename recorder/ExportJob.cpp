// SPDX-License-Identifier: MIT
#include "ExportJob.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

ExportJob::ExportJob(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<ExportJob::Outcome>();
}

ExportJob::~ExportJob()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

QString ExportJob::suggestedName(const QString& dbName)
{
    return QStringLiteral("Table_") + QFileInfo(dbName).completeBaseName();
}

bool ExportJob::start(const QString& dbPath, const QString& target)
{
    return launch([this, dbPath, target] { return exportDay(dbPath, target); });
}

bool ExportJob::startView(const QString& folder, const multiday::Axis& axis, const viewexport::Span& span,
                          const QString& target)
{
    return launch([this, folder = QFile::encodeName(folder).toStdString(), axis, span, target] {
        Outcome outcome;
        outcome.table = viewexport::writeSpan(target, folder, axis, span, m_cancel,
                                              [this](std::size_t done, std::size_t expected) {
                                                  emit progress(qint64(done), qint64(expected));
                                              });
        return outcome;
    });
}

bool ExportJob::launch(std::function<Outcome()> work)
{
    if (m_thread.joinable())
        return false;
    m_cancel = false;
    m_thread = std::thread([this, work = std::move(work), number = ++m_exportNumber] {
        // The thread is joined on the owner's thread once it has finished.
        // Queued by name, so nothing of ours crosses to that thread but the
        // member the join hands over.
        m_outcome = work();
        QMetaObject::invokeMethod(this, "deliverOutcome", Qt::QueuedConnection, Q_ARG(int, number));
    });
    return true;
}

ExportJob::Outcome ExportJob::exportDay(const QString& dbPath, const QString& target)
{
    Outcome outcome;
    const DbFileContents day = ReadDbFile(QFile::encodeName(dbPath).toStdString());
    outcome.readStatus = day.status;
    if (day.status == DbReadStatus::Ok) {
        exporting::Rows rows;
        rows.date = QString::fromStdString(DbDateText(day.date));
        rows.count = day.records.size();
        rows.fill = [&day](std::size_t i, QString& time, exporting::RowValues& values) {
            exporting::fillRow(day.records[i], time, values);
        };
        const qint64 total = qint64(rows.count);
        outcome.table = exporting::writeTable(
            target, rows, m_cancel, [this, total](std::size_t done) { emit progress(qint64(done), total); });
    }
    return outcome;
}

void ExportJob::abandon()
{
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
    ++m_exportNumber; // its outcome, still on its way, is not told
}

void ExportJob::deliverOutcome(int exportNumber)
{
    if (exportNumber != m_exportNumber)
        return;
    if (m_thread.joinable())
        m_thread.join();
    emit finished(m_outcome);
}
