// SPDX-License-Identifier: MIT
#include "FaultReportCommand.h"

#include "CHtmlDialog.h"
#include "CXListCtrl.h"
#include "MessageBox.h"
#include "ZRQ7DLL.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

using namespace faultreport;

namespace {

const QString errorCaption = QStringLiteral("Błąd");
// Also when writing the report failed: the operator is never told it was saved.
const QString fileFailedText = QStringLiteral("Nie można utworzyć pliku raportu. Brak dostępu do dysku lub brak "
                                              "wystarczającej ilości wolnego miejsca na dysku.");

QString askReportPath(QWidget* owner)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Plik HTML (*.html)"));
    dialog.setDefaultSuffix(QStringLiteral("html"));
    dialog.selectFile(QStringLiteral("report"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void openReportViewer(const QString& path, QWidget* owner)
{
    CHtmlDialog viewer(path, owner);
    viewer.exec();
}

QDialog* showProgressWindow(QWidget* owner)
{
    auto* window = new QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window->setObjectName(QStringLiteral("id202"));
    window->setWindowTitle(QString());
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* text = new QLabel(QStringLiteral("Trwa tworzenie raportu. Proszę czekać..."), window);
    text->setObjectName(QStringLiteral("id1223"));
    text->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(text);
    window->show();
    return window;
}

QString cellText(const CXListCtrl& list, int row, int column)
{
    const QTableWidgetItem* item = list.item(row, column);
    return item ? item->text() : QString();
}

} // namespace

QList<PanelFault> copyFaultList(const CXListCtrl& list)
{
    QList<PanelFault> faults;
    for (int row = 0; row < list.rowCount(); ++row)
        faults.append({cellText(list, row, 0), cellText(list, row, 2), cellText(list, row, 3),
                       cellText(list, row, 4), list.ItemData(row)});
    return faults;
}

FaultReportCommand::FaultReportCommand(QWidget* owner, Hooks hooks)
    : QObject(owner), m_owner(owner), m_hooks(std::move(hooks))
{
    if (!m_hooks.askPath)
        m_hooks.askPath = askReportPath;
    if (!m_hooks.read)
        m_hooks.read = MODBUS_Read03;
    if (!m_hooks.openViewer)
        m_hooks.openViewer = openReportViewer;
    if (m_hooks.templatePath.isEmpty())
        m_hooks.templatePath = templateResourcePath();
}

FaultReportCommand::~FaultReportCommand()
{
    cancel();
    if (m_worker.joinable())
        m_worker.join();
    closeProgress();
}

bool FaultReportCommand::run(const ReportHeader& header, const QList<PanelFault>& panelFaults,
                             uint32_t deviceAddress, uint32_t retries)
{
    if (isBusy())
        return false;
    const QString path = m_hooks.askPath(m_owner);
    if (path.isEmpty())
        return true;
    m_progress = showProgressWindow(m_owner);

    QFile templateFile(m_hooks.templatePath);
    if (!templateFile.exists()) {
        closeProgress();
        ShowMessage(m_owner, QMessageBox::Critical, errorCaption,
                    QStringLiteral("Nie można odnaleźć szablonu raportu HTML. Zasób jest niedostępny."));
        return true;
    }
    if (!templateFile.open(QIODevice::ReadOnly)) {
        closeProgress();
        ShowMessage(m_owner, QMessageBox::Critical, errorCaption,
                    QStringLiteral("Nie można pobrać szablonu raportu HTML. Zasób jest niedostępny."));
        return true;
    }
    QByteArray templateBytes = templateFile.readAll();

    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_file.reset();
        closeProgress();
        ShowMessage(m_owner, QMessageBox::Critical, errorCaption, fileFailedText);
        return true;
    }
    // The progress window stays up at least half a second, so the operator sees
    // what happens even when the relay answers at once.
    m_cancel = false;
    QTimer::singleShot(500, this, [=, this] { startWalk(templateBytes, header, panelFaults, deviceAddress, retries); });
    return true;
}

void FaultReportCommand::startWalk(QByteArray templateBytes, ReportHeader header, QList<PanelFault> panelFaults,
                                   uint32_t deviceAddress, uint32_t retries)
{
    m_worker = std::thread([=, this, file = m_file.get()] {
        const QByteArray relayRows = readRelayLogRows(m_hooks.read, deviceAddress, retries, &m_cancel);
        Outcome outcome = Outcome::Cancelled;
        if (!m_cancel) {
            const QByteArray report = buildReport(templateBytes, header, relayRows, panelFaults);
            outcome = file->write(report) == report.size() && file->commit() ? Outcome::Written : Outcome::WriteFailed;
        }
        // Dropped unseen when the command is being destroyed.
        QMetaObject::invokeMethod(this, [this, outcome] { onWalkEnded(outcome); }, Qt::QueuedConnection);
    });
}

void FaultReportCommand::cancel()
{
    m_cancel = true;
}

void FaultReportCommand::onWalkEnded(Outcome outcome)
{
    m_worker.join();
    const QString path = m_file->fileName();
    m_file.reset(); // without a commit the half-written file goes and an earlier one stays
    closeProgress();
    if (outcome == Outcome::Cancelled) {
        emit finished(false, path);
        return;
    }
    if (outcome == Outcome::WriteFailed) {
        ShowMessage(m_owner, QMessageBox::Critical, errorCaption, fileFailedText);
        emit finished(false, path);
        return;
    }
    const QString question = QStringLiteral("Plik raportu jest zapisany pod adresem \"%1\".\r\n\r\n"
                                            "Czy chcesz otworzyć ten plik?")
                                 .arg(QDir::toNativeSeparators(path));
    if (ShowMessage(m_owner, QMessageBox::Question, QStringLiteral("ZRQ-7/8"), question,
                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        m_hooks.openViewer(path, m_owner);
    emit finished(true, path);
}

void FaultReportCommand::closeProgress()
{
    if (m_progress)
        m_progress->close();
    m_progress = nullptr;
}
