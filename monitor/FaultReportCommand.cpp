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
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

using namespace faultreport;

namespace {

const QString errorCaption = QStringLiteral("Błąd");
// Also when writing the report failed: the operator is never told it was saved.
const QString fileFailedText =
    QStringLiteral("Nie można utworzyć pliku raportu. Brak dostępu do dysku lub brak "
                   "wystarczającej ilości wolnego miejsca na dysku.");
const QString linkClosedText =
    QStringLiteral("Raport nie został utworzony: połączenie z ZRQ-7/8 zostało zakończone "
                   "w trakcie odczytu dziennika awarii.");

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

// The progress window stays up as long as the walk runs: Esc and the close box
// do nothing, "Anuluj" asks the walk to stop (it closes once the walk ended).
class ReportProgressWindow final : public QDialog
{
public:
    ReportProgressWindow(QWidget* owner, std::function<void()> cancelWalk)
        : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setObjectName(QStringLiteral("id202"));
        setWindowTitle(QString());
        setAttribute(Qt::WA_DeleteOnClose);
        auto* text = new QLabel(QStringLiteral("Trwa tworzenie raportu. Proszę czekać..."), this);
        text->setObjectName(QStringLiteral("id1223"));
        text->setAlignment(Qt::AlignCenter);
        auto* cancel = new QPushButton(QStringLiteral("Anuluj"), this);
        cancel->setObjectName(QStringLiteral("id2"));
        connect(cancel, &QPushButton::clicked, this, [cancel, cancelWalk = std::move(cancelWalk)] {
            cancel->setEnabled(false);
            cancelWalk();
        });
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(24, 18, 24, 18);
        layout->addWidget(text);
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
    }

    // The walk has ended: the window may go now.
    void finish()
    {
        m_walkEnded = true;
        close();
    }

    // Esc, and the close box through QDialog::closeEvent.
    void reject() override
    {
        if (m_walkEnded)
            QDialog::reject();
    }

private:
    bool m_walkEnded = false;
};

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
    endRun();
}

bool FaultReportCommand::run(const ReportHeader& header, const QList<PanelFault>& panelFaults,
                             uint32_t deviceAddress, uint32_t retries)
{
    if (m_busy) {
        if (m_progress) {
            m_progress->raise();
            m_progress->activateWindow();
        }
        return false;
    }
    // Busy already while the save dialog is up, so nothing starts a second run meanwhile.
    m_busy = true;
    m_linkClosed = false;
    m_cancel = false;
    const QString path = m_hooks.askPath(m_owner);
    if (path.isEmpty()) {
        endRun();
        return true;
    }
    m_progress = new ReportProgressWindow(m_owner, [this] { cancel(); });
    m_progress->show();

    QFile templateFile(m_hooks.templatePath);
    if (!templateFile.exists()) {
        endRun();
        ShowMessage(m_owner, QMessageBox::Critical, errorCaption,
                    QStringLiteral("Nie można odnaleźć szablonu raportu HTML. Zasób jest niedostępny."));
        return true;
    }
    if (!templateFile.open(QIODevice::ReadOnly)) {
        endRun();
        ShowMessage(m_owner, QMessageBox::Critical, errorCaption,
                    QStringLiteral("Nie można pobrać szablonu raportu HTML. Zasób jest niedostępny."));
        return true;
    }
    QByteArray templateBytes = templateFile.readAll();

    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_file.reset();
        endRun();
        ShowMessage(m_owner, QMessageBox::Critical, errorCaption, fileFailedText);
        return true;
    }
    // The progress window stays up at least half a second, so the operator sees
    // what happens even when the relay answers at once.
    QTimer::singleShot(500, this,
                       [=, this] { startWalk(templateBytes, header, panelFaults, deviceAddress, retries); });
    return true;
}

void FaultReportCommand::startWalk(QByteArray templateBytes, ReportHeader header,
                                   QList<PanelFault> panelFaults, uint32_t deviceAddress, uint32_t retries)
{
    // Cancelled before it began (the link closed meanwhile): not one read.
    m_linkUse->begin();
    m_worker = std::thread([=, this, file = m_file.get(), use = m_linkUse] {
        const QByteArray relayRows =
            m_cancel ? QByteArray() : readRelayLogRows(m_hooks.read, deviceAddress, retries, &m_cancel);
        Outcome outcome = Outcome::Cancelled;
        if (!m_cancel) {
            const QByteArray report = buildReport(templateBytes, header, relayRows, panelFaults);
            outcome = file->write(report) == report.size() && file->commit() ? Outcome::Written
                                                                             : Outcome::WriteFailed;
        }
        // Dropped unseen when the command is being destroyed.
        QMetaObject::invokeMethod(
            this, [this, outcome] { onWalkEnded(outcome); }, Qt::QueuedConnection);
        // After the report back, so a disconnect waiting for it reports after it.
        use->end();
    });
}

void FaultReportCommand::cancel()
{
    m_cancel = true;
}

std::shared_ptr<LinkUse> FaultReportCommand::endForClosingLink()
{
    if (m_busy) {
        // A walk cancelled already (by "Anuluj", or by the program closing) was
        // not cut short by the link: nothing more is told of it.
        m_linkClosed = !m_cancel;
        cancel();
    }
    return m_linkUse;
}

void FaultReportCommand::onWalkEnded(Outcome outcome)
{
    if (m_worker.joinable())
        m_worker.join();
    const QString path = m_file->fileName();
    m_file.reset(); // without a commit the half-written file goes and an earlier one stays
    endRun();
    if (outcome == Outcome::Cancelled) {
        if (m_linkClosed)
            ShowMessage(m_owner, QMessageBox::Warning, errorCaption, linkClosedText);
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

void FaultReportCommand::endRun()
{
    if (m_progress)
        static_cast<ReportProgressWindow*>(m_progress.data())->finish();
    m_progress = nullptr;
    m_busy = false;
}
