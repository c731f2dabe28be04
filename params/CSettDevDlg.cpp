// SPDX-License-Identifier: MIT
#include "CSettDevDlg.h"

#include "CCPL_ZRQ7App.h"
#include "CWaitDlg.h"
#include "ColorRef.h"
#include "GridValueRules.h"
#include "MessageBox.h"
#include "ParameterDelegate.h"
#include "ParameterFile.h"
#include "ParameterGridModel.h"
#include "RelayClockRules.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

using namespace zrq7::params;

namespace {

constexpr int kAutoReadTimerMs = 100;
const QString kFileFilter = QStringLiteral("Plik ustawień ZRQ-7/8 (*.zrq7)");

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

const QString kLinkClosedLine = QStringLiteral("Połączenie z urządzeniem zostało zakończone.");

// The operator's message at the end of reading or writing all parameters: done,
// with the number of failed registers on a second line when there were any; or
// interrupted (Cancel, or the link closed), with the number not transferred.
struct TransferEnd
{
    QMessageBox::Icon icon;
    QString text;
};

TransferEnd transferEndText(bool reading, int notTransferred, bool interrupted, bool linkClosed)
{
    const QString lineEnd = QStringLiteral("\r\n");
    QString notDone = (reading ? QStringLiteral("Nie odczytano parametrów: %1")
                               : QStringLiteral("Nie zapisano parametrów: %1"))
                          .arg(notTransferred);
    if (!interrupted) {
        const QString done =
            reading ? QStringLiteral("Proces odczytu parametrów z urządzenia został zakończony.")
                    : QStringLiteral("Proces zapisu parametrów do urządzenia został zakończony.");
        if (notTransferred == 0)
            return {QMessageBox::Information, done};
        return {QMessageBox::Warning, done + lineEnd + notDone + QLatin1Char('.')};
    }
    QString text = reading ? QStringLiteral("Proces odczytu parametrów z urządzenia został przerwany.")
                           : QStringLiteral("Proces zapisu parametrów do urządzenia został przerwany.");
    if (linkClosed)
        text += lineEnd + kLinkClosedLine;
    // Registers not read keep what the window held before (the factory values,
    // a file's or an earlier read's).
    if (notTransferred > 0)
        text += lineEnd + notDone +
                (reading ? QStringLiteral(" (pozostają ich poprzednie wartości).") : QStringLiteral("."));
    return {QMessageBox::Warning, text};
}

} // namespace

CSettDevDlg::CSettDevDlg(ParametersWindowContext context, QWidget* parent)
    : QDialog(parent), m_context(std::move(context)),
      m_model(new ParameterGridModel(m_context.firmwareVersion, this))
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(windowTitleText());
    setWindowIcon(QIcon(QStringLiteral(":/icons/cpl_zrq7.svg")));
    if (!m_context.link) {
        m_context.link = [] {
            const ProgramSettings& s = theApp().settings;
            return RegisterLink::library(uint32_t(s.nDeviceAddress), s.nRetries);
        };
    }
    buildControls();
    applyColors();

    connect(&m_transfer, &ParameterTransfer::progressChanged, m_progress, &QProgressBar::setValue);
    connect(&m_transfer, &ParameterTransfer::registerRead, this, [this](int group, int row, int32_t value) {
        m_model->setRegisterValue(group, row, value);
        m_model->SetPendingChange(group, row, false);
    });
    connect(&m_transfer, &ParameterTransfer::registerWritten, this,
            [this](int group, int row) { m_model->SetPendingChange(group, row, false); });
    connect(&m_transfer, &ParameterTransfer::registerSkipped, this, &CSettDevDlg::onRegisterSkipped);
    connect(&m_transfer, &ParameterTransfer::questionAsked, this, &CSettDevDlg::onQuestion);
    connect(&m_transfer, &ParameterTransfer::finished, this, &CSettDevDlg::onFinished);

    if (m_context.online) {
        // Reads once the window is on the screen.
        auto* autoRead = new QTimer(this);
        autoRead->setObjectName(QStringLiteral("timer1001"));
        connect(autoRead, &QTimer::timeout, this, [this, autoRead] {
            if (!isVisible())
                return;
            autoRead->stop();
            ReadAllParameters();
        });
        autoRead->start(kAutoReadTimerMs);
    }
    resize(600, 720);
}

CSettDevDlg::~CSettDevDlg()
{
    m_closing = true;
    m_transfer.stop();
}

void CSettDevDlg::buildControls()
{
    const auto button = [this](int id, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QStringLiteral("id%1").arg(id));
        b->setAutoDefault(false);
        m_buttons.append(b);
        return b;
    };

    // BuildParameterGrid: the grid with its description area below it.
    m_grid = new QTreeView(this);
    m_grid->setObjectName(QStringLiteral("parameterGrid"));
    m_grid->setModel(m_model);
    m_grid->setHeaderHidden(true);
    m_grid->setUniformRowHeights(true);
    m_grid->setAllColumnsShowFocus(true);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    auto* delegate = new ParameterDelegate(*m_model, m_grid);
    m_grid->setItemDelegate(delegate);
    for (int g = 0; g < m_model->groupCount(); ++g) {
        m_grid->setFirstColumnSpanned(g, QModelIndex(), true);
        m_grid->setExpanded(m_model->index(g, 0), m_model->isGroupExpandedAtStart(g));
    }
    m_grid->header()->setStretchLastSection(true);
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("parameterDescription"));
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setTextFormat(Qt::RichText);
    m_description->setMargin(4);
    m_description->setFixedHeight(m_description->fontMetrics().lineSpacing() * 6 + 8);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { showDescription(current); });
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this] { showDescription(m_grid->currentIndex()); });

    auto* gridBox = new QVBoxLayout;
    gridBox->setSpacing(0);
    gridBox->addWidget(m_grid, 1);
    gridBox->addWidget(m_description);

    QPushButton* expand = button(1179, QStringLiteral("maksymalizuj wszystkie"));
    QPushButton* collapse = button(1138, QStringLiteral("minimalizuj wszystkie"));
    QPushButton* factory = button(1220, QStringLiteral("Przywróć wszystkie ustawienia fabryczne"));
    connect(expand, &QPushButton::clicked, m_grid, &QTreeView::expandAll);
    connect(collapse, &QPushButton::clicked, m_grid, &QTreeView::collapseAll);
    connect(factory, &QPushButton::clicked, this, &CSettDevDlg::RestoreFactoryValues);
    auto* gridButtons = new QHBoxLayout;
    gridButtons->addWidget(expand);
    gridButtons->addWidget(collapse);
    gridButtons->addStretch(1);
    gridButtons->addWidget(factory);

    auto* fileBox = new QGroupBox(QStringLiteral("Plik ustawień zrq7"), this);
    QPushButton* save = button(1204, QStringLiteral("Zapisz ustawienia\ndo pliku"));
    QPushButton* load = button(1206, QStringLiteral("Wczytaj ustawienia\nz pliku"));
    connect(save, &QPushButton::clicked, this, qOverload<>(&CSettDevDlg::SaveParameterFile));
    connect(load, &QPushButton::clicked, this, qOverload<>(&CSettDevDlg::LoadParameterFile));
    auto* fileLayout = new QVBoxLayout(fileBox);
    fileLayout->addWidget(save);
    fileLayout->addWidget(load);

    auto* transferBox = new QGroupBox(QStringLiteral("Odczyt/zapis"), this);
    m_onlyChanged = new QCheckBox(QStringLiteral("Zapisz wyłącznie zmienione parametry"), transferBox);
    m_onlyChanged->setObjectName(QStringLiteral("id1217"));
    m_onlyChanged->setChecked(true);
    QPushButton* writeAll = button(1215, QStringLiteral("Zapisz wszystkie parametry\ndo urządzenia"));
    QPushButton* readAll = button(1213, QStringLiteral("Odczytaj wszystkie parametry\nz urządzenia"));
    connect(writeAll, &QPushButton::clicked, this, &CSettDevDlg::WriteAllParameters);
    connect(readAll, &QPushButton::clicked, this, &CSettDevDlg::ReadAllParameters);
    m_progress = new QProgressBar(transferBox);
    m_progress->setObjectName(QStringLiteral("id1142"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(14);
    auto* transferLayout = new QVBoxLayout(transferBox);
    transferLayout->addWidget(m_onlyChanged);
    auto* transferButtons = new QHBoxLayout;
    transferButtons->addWidget(writeAll);
    transferButtons->addWidget(readAll);
    transferLayout->addLayout(transferButtons);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(new QLabel(QStringLiteral("Proces zapisu/odczytu:"), transferBox));
    progressRow->addWidget(m_progress, 1);
    transferLayout->addLayout(progressRow);

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(fileBox);
    boxes->addWidget(transferBox, 1);

    QPushButton* restart = button(1195, QStringLiteral("Restartuj urządzenie"));
    QPushButton* clock = button(1194, QStringLiteral("Synchronizuj czas na urządzeniu"));
    QPushButton* finish = button(1211, QStringLiteral("Zakończ"));
    connect(restart, &QPushButton::clicked, this, &CSettDevDlg::RestartDevice);
    connect(clock, &QPushButton::clicked, this, &CSettDevDlg::SynchronizeDeviceClock);
    connect(finish, &QPushButton::clicked, this, &QWidget::close);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(restart);
    bottom->addWidget(clock);
    bottom->addStretch(1);
    bottom->addWidget(finish);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(gridBox, 1);
    layout->addLayout(gridButtons);
    layout->addLayout(boxes);
    layout->addLayout(bottom);

    // Offline: no transfers, no clock, no restart.
    m_relayButtons = {writeAll, readAll, clock, restart};
    for (QPushButton* b : m_relayButtons)
        b->setEnabled(m_context.online);

    // Name column 80 % of the grid's width.
    m_grid->header()->resizeSection(0, 600 * 80 / 100);
    if (m_model->groupCount() > 0)
        m_grid->setCurrentIndex(m_model->index(0, 0));
}

void CSettDevDlg::applyColors()
{
    // The window: crBackground behind crText, whatever the interface style.
    const ProgramSettings& s = theApp().settings;
    QPalette window = palette();
    window.setColor(QPalette::Window, colorFromRef(s.crBackground));
    window.setColor(QPalette::WindowText, colorFromRef(s.crText));
    setPalette(window);
    setAutoFillBackground(true);

    // The grid and its description area keep their own colours (a palette, not a
    // style sheet, so the in-place editors look like editors).
    QPalette grid = m_grid->palette();
    grid.setColor(QPalette::Base, QColor(255, 245, 214));
    grid.setColor(QPalette::AlternateBase, QColor(255, 245, 214));
    grid.setColor(QPalette::Text, QColor(3, 75, 155));
    m_grid->setPalette(grid);
    QPalette description = m_description->palette();
    description.setColor(QPalette::Window, QColor(227, 255, 234));
    description.setColor(QPalette::WindowText, QColor(3, 75, 155));
    m_description->setPalette(description);
    m_description->setAutoFillBackground(true);
}

void CSettDevDlg::showDescription(const QModelIndex& current)
{
    const CValueMinMaxSubProp* item = m_model->itemAt(current);
    if (!item) {
        m_description->setText(current.isValid() && !current.parent().isValid()
                                   ? QStringLiteral("<b>%1</b>")
                                         .arg(current.siblingAtColumn(0).data().toString().toHtmlEscaped())
                                   : QString());
        return;
    }
    const QString range =
        fromUtf8(rangeLine(item->row.kind, item->row.minimum, item->row.maximum, item->factory));
    QString help = fromUtf8(item->row.help).toHtmlEscaped();
    help.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    m_description->setText(QStringLiteral("<b>%1</b><br><b>%2</b><br>%3")
                               .arg(item->name.toHtmlEscaped(), range.toHtmlEscaped(), help));
}

// ---------------------------------------------------------------- transfers

std::vector<TransferRegister> CSettDevDlg::transferRegisters(bool onlyPending) const
{
    std::vector<TransferRegister> registers;
    for (int g = 0; g < m_model->groupCount(); ++g)
        for (int r = 0; r < m_model->itemCount(g); ++r) {
            const CValueMinMaxSubProp& item = m_model->item(g, r);
            if (!onlyPending || item.IsPendingChange())
                registers.push_back({g, r, item.GetAddress(), item.value, item.name});
        }
    return registers;
}

void CSettDevDlg::setBusy(bool busy)
{
    for (QPushButton* b : m_buttons)
        b->setEnabled(!busy && (!m_relayButtons.contains(b) || hasLink()));
    m_onlyChanged->setEnabled(!busy);
    m_grid->setEditTriggers(busy ? QAbstractItemView::NoEditTriggers
                                 : QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                       QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
}

void CSettDevDlg::ReadAllParameters()
{
    if (!hasLink() || m_transfer.isRunning())
        return;
    m_runningKind = ParameterTransfer::Kind::ReadAll;
    setBusy(true);
    m_transfer.startReadAll(m_context.link(), transferRegisters(false), m_model->groupCount());
}

void CSettDevDlg::WriteAllParameters()
{
    if (!hasLink() || m_transfer.isRunning())
        return;
    m_runningKind = ParameterTransfer::Kind::WriteAll;
    setBusy(true);
    m_transfer.startWriteAll(m_context.link(), transferRegisters(m_onlyChanged->isChecked()),
                             m_model->groupCount());
}

void CSettDevDlg::SynchronizeDeviceClock()
{
    if (!hasLink() || m_transfer.isRunning())
        return;
    m_runningKind = ParameterTransfer::Kind::ClockSync;
    setBusy(true);
    showWait(QStringLiteral("Synchronizacja"), QStringLiteral("Trwa synchronizacja czasu..."));
    m_transfer.startClockSync(m_context.link());
}

void CSettDevDlg::RestartDevice()
{
    if (!hasLink() || m_transfer.isRunning())
        return;
    const auto answer =
        ShowMessageOnTop(this, QMessageBox::Warning, QStringLiteral("UWAGA"),
                         QStringLiteral("Zostanie wykonany restart urządzenia.\r\nJeżeli silnik jest "
                                        "włączony, nastąpi jego wyłączenie.\r\nCzy na pewno chcesz "
                                        "kontynuować?"),
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    m_runningKind = ParameterTransfer::Kind::Restart;
    setBusy(true);
    showWait(QStringLiteral("Restart"), QStringLiteral("Trwa restart urządzenia..."));
    m_transfer.startRestart(m_context.link());
}

void CSettDevDlg::showWait(const QString& caption, const QString& text)
{
    m_wait = new CWaitDlg(this, caption, text);
    m_wait->show();
}

void CSettDevDlg::stopTransfer()
{
    m_transfer.stop();
}

void CSettDevDlg::endWithProgram()
{
    m_closing = true;
    m_transfer.requestStop();
    delete m_wait.data();
    hide();
}

std::shared_ptr<LinkUse> CSettDevDlg::linkClosing()
{
    if (!hasLink())
        return m_transfer.linkUse(); // no transfer runs without the link
    m_linkClosed = true;
    m_transfer.requestStop(); // its end (and message) follows through the event queue
    // The relay this window was built for and read from is gone; another relay
    // (or firmware version) connected later gets a window of its own.
    for (QPushButton* b : m_relayButtons) {
        b->setEnabled(false);
        b->setToolTip(QStringLiteral("Połączenie, z którym otwarto okno, zostało zakończone. Aby pracować z "
                                     "urządzeniem, otwórz okno ponownie."));
    }
    return m_transfer.linkUse();
}

void CSettDevDlg::onRegisterSkipped(int group, int row)
{
    // Going on past a failed read gives up the item's change mark; past a failed
    // write the item stays marked for the next write.
    if (m_runningKind == ParameterTransfer::Kind::ReadAll)
        m_model->SetPendingChange(group, row, false);
}

void CSettDevDlg::onQuestion(quint64 id, const QString& text)
{
    if (!m_transfer.isWaitingFor(id))
        return;
    const auto choice = AskCancelTryContinue(this, QStringLiteral("Uwaga"), text);
    m_transfer.answer(id, choice == QMessageBox::Retry    ? ParameterTransfer::Answer::TryAgain
                          : choice == QMessageBox::Ignore ? ParameterTransfer::Answer::Continue
                                                          : ParameterTransfer::Answer::Cancel);
}

void CSettDevDlg::onFinished(ParameterTransfer::Kind kind, int failures, bool cancelled, int code)
{
    m_transfer.stop(); // the thread has ended: collect it
    delete m_wait.data();
    setBusy(false);
    m_progress->setValue(0);
    if (!m_closing) {
        const QString caption = windowTitleText();
        switch (kind) {
        case ParameterTransfer::Kind::ReadAll:
        case ParameterTransfer::Kind::WriteAll: {
            const TransferEnd end =
                transferEndText(kind == ParameterTransfer::Kind::ReadAll, failures, cancelled, m_linkClosed);
            ShowMessage(this, end.icon, caption, end.text);
            break;
        }
        case ParameterTransfer::Kind::ClockSync:
            // Cut short by the link closing, its last failure is no clock fault.
            if (code != 0)
                ShowMessageOnTop(this, QMessageBox::Warning, QStringLiteral("Błąd"),
                                 cancelled && m_linkClosed
                                     ? QStringLiteral("Błąd synchronizacji czasu.\r\n") + kLinkClosedLine
                                     : QString::fromUtf8(clockSyncMessage(code)));
            break;
        case ParameterTransfer::Kind::Restart:
            break;
        }
    }
    emit transferFinished(kind, failures, cancelled, code);
}

// ---------------------------------------------------------------- files

QString CSettDevDlg::chooseFile(bool save, const QString& proposedName)
{
    if (m_chooseFile)
        return m_chooseFile(save, proposedName);
    QFileDialog dialog(this, QString(), proposedName, kFileFilter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("zrq7"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void CSettDevDlg::SaveParameterFile()
{
    if (m_transfer.isRunning())
        return;
    const QString path = chooseFile(true, QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    if (!path.isEmpty())
        SaveParameterFile(path);
}

void CSettDevDlg::SaveParameterFile(const QString& path)
{
    const std::string nativePath = QFile::encodeName(path).toStdString();
    std::string existing;
    if (QFileInfo::exists(path)) {
        // Lines of other items (and anything else) in the file are kept.
        const auto bytes = readWholeFile(nativePath);
        if (!bytes) {
            ShowMessage(this, QMessageBox::Critical, QStringLiteral("Błąd"),
                        QStringLiteral("Nie można odczytać pliku ustawień:\r\n%1").arg(path));
            return;
        }
        existing = *bytes;
    }
    std::vector<RegisterEntry> entries;
    for (const TransferRegister& reg : transferRegisters(false))
        entries.push_back({reg.address, reg.value});
    const std::string contents = writeParameterValues(existing, entries);
    while (!replaceFileAtomically(nativePath, contents)) {
        const auto answer = ShowMessage(this, QMessageBox::Critical, QStringLiteral("Błąd"),
                                        QStringLiteral("Nie można zapisać pliku ustawień:\r\n%1").arg(path),
                                        QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry);
        if (answer != QMessageBox::Retry)
            return;
    }
    // Offline the file is where changes go; with a relay connected they still
    // have to reach the relay, so their marks stay for "only changed".
    if (!m_context.online)
        for (int g = 0; g < m_model->groupCount(); ++g)
            for (int r = 0; r < m_model->itemCount(g); ++r)
                m_model->SetPendingChange(g, r, false);
    ShowMessage(this, QMessageBox::Information, windowTitleText(),
                QStringLiteral("Zapis pliku ustawień zakończony sukcesem."));
}

void CSettDevDlg::LoadParameterFile()
{
    if (m_transfer.isRunning())
        return;
    const QString path = chooseFile(false, QString());
    if (!path.isEmpty())
        LoadParameterFile(path);
}

void CSettDevDlg::LoadParameterFile(const QString& path)
{
    const auto bytes = readWholeFile(QFile::encodeName(path).toStdString());
    if (!bytes) {
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Błąd"),
                    QStringLiteral("Nie można odczytać pliku ustawień:\r\n%1").arg(path));
        return;
    }
    const std::vector<TransferRegister> registers = transferRegisters(false);
    std::vector<std::uint16_t> addresses;
    for (const TransferRegister& reg : registers)
        addresses.push_back(reg.address);
    const LoadedParameters loaded = readParameterValues(*bytes, addresses);
    if (loaded.problem != ParameterFileProblem::None) {
        ShowMessage(
            this, QMessageBox::Critical, QStringLiteral("Błąd"),
            QStringLiteral("Plik nie zawiera ustawień ZRQ-7/8 (brak sekcji [ZRQ7config]):\r\n%1").arg(path));
        return;
    }
    // A value that differs becomes a pending change; nothing else changes, so a
    // change the file does not replace keeps its mark.
    for (std::size_t i = 0; i < registers.size(); ++i) {
        const TransferRegister& reg = registers[i];
        if (!loaded.values[i] || *loaded.values[i] == reg.value)
            continue;
        m_model->setRegisterValue(reg.group, reg.row, *loaded.values[i]);
        m_model->SetPendingChange(reg.group, reg.row, true);
    }
    if (!loaded.refused.empty()) {
        ShowMessage(
            this, QMessageBox::Warning, windowTitleText(),
            QStringLiteral("Pobieranie pliku ustawień zakończone.\r\nPominięte parametry z liczbą spoza "
                           "zakresu rejestru: %1.")
                .arg(loaded.refused.size()));
        return;
    }
    ShowMessage(this, QMessageBox::Information, windowTitleText(),
                QStringLiteral("Pobieranie pliku ustawień zakończone sukcesem."));
}

// ---------------------------------------------------------------- factory, closing

void CSettDevDlg::RestoreFactoryValues()
{
    if (m_transfer.isRunning())
        return;
    const auto answer = ShowMessage(
        this, QMessageBox::Warning, QStringLiteral("Uwaga"),
        QStringLiteral(
            "Przywrócenie ustawień fabrycznych spowoduje zastąpienie wszystkich parametrów panelu "
            "sterowania i utratę niezapisanych danych. Przy tym parametry znajdujące się w pamięci "
            "urządzenia pozostają niezmienne. PCzy chcesz kontynuować?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        m_model->RestoreFactoryValues();
}

bool CSettDevDlg::confirmClose()
{
    if (!m_model->HasPendingChanges())
        return true;
    const auto answer = ShowMessage(this, QMessageBox::Warning, QStringLiteral("Uwaga"),
                                    QStringLiteral("Nie wszystkie zmiany zostały zapisane. Czy na pewno "
                                                   "chcesz zakończyć?"),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void CSettDevDlg::closeEvent(QCloseEvent* event)
{
    if (m_transfer.isRunning()) {
        event->ignore();
        return;
    }
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    m_closing = true;
    delete m_wait.data();
    event->accept();
}
