// SPDX-License-Identifier: MIT
#include "RecordingExporter.h"

#include "MessageBox.h"
#include "RecorderPaneSupport.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QUrl>
#include <algorithm>

using recorderpane::windowCaption;

RecordingExporter::RecordingExporter(QWidget* owner) : m_owner(owner)
{
    m_openFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    connect(&m_export, &ExportJob::finished, this, &RecordingExporter::onJobFinished);
}

QString RecordingExporter::askTarget(const QString& suggestedName)
{
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Excel files (*.xlsx)"), QStringLiteral("CSV (*.csv)")});
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    dialog.selectFile(suggestedName + QStringLiteral(".xlsx"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains(QStringLiteral("csv")) ? QStringLiteral("csv")
                                                                       : QStringLiteral("xlsx"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void RecordingExporter::ExportRecording(const QString& name, const QString& dbPath)
{
    if (m_export.running())
        return;
    if (const QString target = askTarget(ExportJob::suggestedName(name)); !target.isEmpty())
        ExportRecordingTo(name, dbPath, target);
}

void RecordingExporter::ExportRecordingTo(const QString& name, const QString& dbPath, const QString& target)
{
    if (m_export.running())
        return;
    beginExport(name, target);
    m_export.start(dbPath, target);
}

void RecordingExporter::ExportView(const QString& folder, const multiday::Axis& axis,
                                   const viewexport::Span& span)
{
    if (m_export.running())
        return;
    if (const QString target = askTarget(viewexport::suggestedName(axis, span)); !target.isEmpty())
        ExportViewTo(folder, axis, span, target);
}

void RecordingExporter::ExportViewTo(const QString& folder, const multiday::Axis& axis,
                                     const viewexport::Span& span, const QString& target)
{
    if (m_export.running())
        return;
    beginExport(QFileInfo(target).fileName(), target);
    m_export.startView(folder, axis, span, target);
}

void RecordingExporter::beginExport(const QString& name, const QString& target)
{
    m_exportName = name;
    m_exportTarget = target;
    m_exportTargetExisted = QFileInfo::exists(target);
    emit runningChanged(true);
    m_progress = new QProgressDialog(QStringLiteral("Zapis pliku ") + QFileInfo(target).fileName() +
                                         QStringLiteral("..."),
                                     QStringLiteral("Anuluj"), 0, 100, m_owner);
    m_progress->setWindowTitle(windowCaption);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(400);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    connect(m_progress, &QProgressDialog::canceled, &m_export, &ExportJob::cancel);
    connect(&m_export, &ExportJob::progress, m_progress, [this](qint64 done, qint64 total) {
        if (m_progress && total > 0)
            m_progress->setValue(int(std::min<qint64>(done * 100 / total, 100)));
    });
}

void RecordingExporter::abandon()
{
    if (!m_export.running())
        return;
    m_export.abandon();
    endProgress();
}

void RecordingExporter::endProgress()
{
    if (m_progress) {
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    emit runningChanged(false);
}

void RecordingExporter::onJobFinished(const ExportJob::Outcome& outcome)
{
    endProgress();
    const QString keptNote =
        m_exportTargetExisted ? QStringLiteral("\r\n\r\nIstniejący plik nie został zmieniony.") : QString();
    switch (outcome.readStatus) {
    case DbReadStatus::Ok:
        break;
    case DbReadStatus::OpenFailed:
    case DbReadStatus::ReadFailed:
        ShowMessage(m_owner, QMessageBox::Critical, windowCaption,
                    QStringLiteral("Nie można otworzyć pliku bazy danych."));
        emit finished(outcome);
        return;
    case DbReadStatus::TooShort:
    case DbReadStatus::WrongFormat:
        ShowMessage(m_owner, QMessageBox::Warning, QStringLiteral("Błąd"),
                    QStringLiteral("Plik \"") + m_exportName + QStringLiteral("\" jest uszkodzony."));
        emit finished(outcome);
        return;
    }
    switch (outcome.table.outcome) {
    case exporting::Outcome::Written:
        if (ShowMessage(m_owner, QMessageBox::Information, windowCaption,
                        QStringLiteral("Zapis pliku zakończony sukcesem.\r\nCzy chcesz otworzyć ten plik?"),
                        QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
            m_openFile)
            m_openFile(m_exportTarget);
        break;
    case exporting::Outcome::Failed:
        ShowMessage(m_owner, QMessageBox::Warning, windowCaption,
                    QStringLiteral("Nie można utworzyć pliku.\r\n('%1')\r\n\r\n%2:\r\n%3")
                            .arg(m_exportTarget, outcome.table.errorSource, outcome.table.errorDescription) +
                        keptNote);
        break;
    case exporting::Outcome::Cancelled:
        ShowMessage(m_owner, QMessageBox::Information, windowCaption,
                    QStringLiteral("Zapis pliku przerwany.") + keptNote);
        break;
    }
    emit finished(outcome);
}
