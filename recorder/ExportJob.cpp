// SPDX-License-Identifier: MIT
#include "ExportJob.h"

#include "RecordingList.h"

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
    if (m_thread.joinable())
        return false;
    m_cancel = false;
    m_thread = std::thread(&ExportJob::run, this, dbPath, target);
    return true;
}

void ExportJob::run(QString dbPath, QString target)
{
    Outcome outcome;
    const DbFileContents day = ReadDbFile(QFile::encodeName(dbPath).toStdString());
    outcome.readStatus = day.status;
    if (day.status == DbReadStatus::Ok) {
        exporting::Rows rows;
        rows.date = QString::fromStdString(DbDateText(day.date));
        rows.count = day.records.size();
        rows.fill = [&day](std::size_t i, QString& time, exporting::RowValues& values) {
            const _tagSTRUCT_DATA& record = day.records[i];
            time = recordings::recordTimeText(record);
            for (int k = 0; k < exporting::valueColumns; ++k)
                values[std::size_t(k)] = exporting::physicalValue(k, record.nValue[std::size_t(k)]);
        };
        const qint64 total = qint64(rows.count);
        outcome.table = exporting::writeTable(
            target, rows, m_cancel, [this, total](std::size_t done) { emit progress(qint64(done), total); });
    }
    // The thread is joined on the owner's thread once it has finished. Queued by
    // name, so nothing of ours crosses to that thread but the member the join
    // hands over.
    m_outcome = outcome;
    QMetaObject::invokeMethod(this, "deliverOutcome", Qt::QueuedConnection);
}

void ExportJob::deliverOutcome()
{
    if (m_thread.joinable())
        m_thread.join();
    emit finished(m_outcome);
}
