// SPDX-License-Identifier: MIT
#include "RecordingListPane.h"

#include "AppPaths.h"
#include "MessageBox.h"
#include "RecorderPaneSupport.h"

#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <algorithm>

using recorderpane::appendRow;
using recorderpane::listAlignments;
using recorderpane::withId;

CXDBListCtrl::CXDBListCtrl(QWidget* parent) : QTableWidget(parent)
{
    recorderpane::setUpReportList(this,
                                  {QStringLiteral("Nazwa"), QStringLiteral("Data"), QStringLiteral("Czas")},
                                  {130, 90, 70}, listAlignments);
}

void CXDBListCtrl::SortByDate()
{
    std::vector<std::pair<QStringList, int>> rows;
    for (int r = 0; r < rowCount(); ++r)
        rows.push_back({{item(r, 0)->text(), item(r, 1)->text(), item(r, 2)->text()},
                        item(r, 0)->data(Qt::UserRole).toInt()});
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return recordings::CompareByDate(a.first[1], b.first[1]) < 0;
    });
    setRowCount(0);
    for (const auto& [cells, data] : rows)
        appendRow(this, cells, data, listAlignments);
}

RecordingListPane::RecordingListPane(QWidget* parent)
    : QGroupBox(QStringLiteral("Lista baz danych"), parent), m_folder(RecordingsFolderPath())
{
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("zrq_db:"), this), 0, 0);
    m_list = withId(new CXDBListCtrl(this), 1169);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection); // a run of days, with Shift or Ctrl
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    recorderpane::fitColumns(m_list, m_list->horizontalHeader()->length());
    layout->addWidget(m_list, 1, 0, 1, 4);
    auto* refresh = withId(new QPushButton(QStringLiteral("Odśwież"), this), 1183);
    m_deleteButton = withId(new QPushButton(QStringLiteral("Usuń"), this), 1062);
    auto* deleteAll = withId(new QPushButton(QStringLiteral("Usuń wszystkie"), this), 1083);
    m_exportButton = withId(new QPushButton(QStringLiteral("Eksportuj do Excel"), this), 1205);
    m_deleteButton->setEnabled(false);
    m_exportButton->setEnabled(false);
    layout->addWidget(refresh, 2, 0);
    layout->addWidget(m_deleteButton, 2, 1);
    layout->addWidget(deleteAll, 2, 2);
    layout->addWidget(m_exportButton, 2, 3);
    m_exportViewButton = withId(new QPushButton(QStringLiteral("Eksportuj widok"), this), 1306);
    m_exportViewButton->setEnabled(false);
    layout->addLayout(buildRangeRow(), 3, 0, 1, 4);
    layout->addWidget(m_exportViewButton, 4, 3);
    connect(m_exportViewButton, &QPushButton::clicked, this, &RecordingListPane::exportViewRequested);

    connect(refresh, &QPushButton::clicked, this, &RecordingListPane::ScanRecordings);
    connect(m_deleteButton, &QPushButton::clicked, this, &RecordingListPane::DeleteRecording);
    connect(deleteAll, &QPushButton::clicked, this, &RecordingListPane::DeleteAllRecordings);
    connect(m_exportButton, &QPushButton::clicked, this, [this] {
        if (const QString name = selectedName(); !name.isEmpty())
            emit exportRequested(name);
    });
    // However a row is picked (mouse, arrow keys, a screen reader), or the list refilled.
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RecordingListPane::updateButtons);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RecordingListPane::followSelectionDates);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { onDoubleClicked(row); });
    connect(m_list, &QWidget::customContextMenuRequested, this, &RecordingListPane::onContextMenu);
}

QLayout* RecordingListPane::buildRangeRow()
{
    auto* row = new QHBoxLayout;
    const auto dateEdit = [this](int id) {
        auto* edit = withId(new QDateEdit(QDate::currentDate(), this), id);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        edit->setCalendarPopup(true);
        return edit;
    };
    m_from = dateEdit(1303);
    m_to = dateEdit(1304);
    auto* load = withId(new QPushButton(QStringLiteral("Wczytaj zakres"), this), 1305);
    auto* fromLabel = new QLabel(QStringLiteral("od"), this);
    auto* toLabel = new QLabel(QStringLiteral("do"), this);
    fromLabel->setBuddy(m_from);
    toLabel->setBuddy(m_to);
    row->addWidget(fromLabel);
    row->addWidget(m_from);
    row->addWidget(toLabel);
    row->addWidget(m_to);
    row->addWidget(load);
    row->addStretch(1);
    connect(load, &QPushButton::clicked, this, [this] { emit rangeRequested(m_from->date(), m_to->date()); });
    return row;
}

// The dates of the selected files, earliest and latest.
void RecordingListPane::followSelectionDates()
{
    QDate first, last;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows(1)) {
        const std::optional<DbDate> date = recordings::dateOfText(index.data().toString());
        if (!date)
            continue;
        const QDate day = recorderpane::calendarDate(*date);
        first = first.isValid() ? std::min(first, day) : day;
        last = last.isValid() ? std::max(last, day) : day;
    }
    if (first.isValid())
        setRangeDates(first, last);
}

void RecordingListPane::setRangeDates(const QDate& first, const QDate& last)
{
    m_from->setDate(first);
    m_to->setDate(last);
}

void RecordingListPane::onDoubleClicked(int row)
{
    // Files of several days selected: their days as one range; else the file clicked.
    const QModelIndexList selected = m_list->selectionModel()->selectedRows(1);
    const bool severalDays = std::any_of(selected.begin(), selected.end(), [&](const QModelIndex& index) {
        return recordings::CompareByDate(index.data().toString(), m_list->item(row, 1)->text()) != 0;
    });
    if (severalDays && m_from->date() < m_to->date())
        emit rangeRequested(m_from->date(), m_to->date());
    else
        emit loadRequested(m_list->item(row, 0)->text());
}

QString RecordingListPane::recordingPath(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

QString RecordingListPane::selectedName() const
{
    const QList<QTableWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return {};
    return m_list->item(selected.first()->row(), 0)->text();
}

void RecordingListPane::setExportRunning(bool running)
{
    m_exportRunning = running;
    updateButtons();
}

void RecordingListPane::setViewLoaded(bool loaded)
{
    m_viewLoaded = loaded;
    updateButtons();
}

void RecordingListPane::updateButtons()
{
    const bool any = !m_list->selectedItems().isEmpty();
    m_exportButton->setEnabled(any && !m_exportRunning);
    m_exportViewButton->setEnabled(m_viewLoaded && !m_exportRunning);
    m_deleteButton->setEnabled(any);
}

void RecordingListPane::ScanRecordings()
{
    m_list->setRowCount(0);
    int order = 0;
    for (const recordings::ScannedFile& file : recordings::scanFolder(m_folder)) {
        using Kind = recordings::ScannedFile::Kind;
        if (file.kind == Kind::Listed) {
            appendRow(m_list, {file.name, file.dateText, file.timeText}, order++, listAlignments);
            continue;
        }
        // The list is scanned at every file release, midnight included: a kept
        // file is asked about once per run, not every night on an unattended PC.
        if (m_askedToDelete.contains(file.name))
            continue;
        m_askedToDelete.insert(file.name);
        const QString text =
            file.kind == Kind::OtherVersion
                ? QStringLiteral("Plik \"") + file.name +
                      QStringLiteral("\" nie odpowiada bieżącej wersji programu. Usunąć?")
                : QStringLiteral("Plik \"") + file.name + QStringLiteral("\" jest uszkodzony. Usunąć?");
        if (ShowMessage(this, QMessageBox::Critical, QStringLiteral("Błąd"), text,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
            removeRecordingFile(file.name);
    }
    m_list->SortByDate();
}

DbRemoveStatus RecordingListPane::removeRecordingFile(const QString& name)
{
    const QString path = recordingPath(name);
    // Unlinking a file a recorder holds would succeed and lose the day's
    // records from then on. RemoveDbFile asks for the writers' lock; this
    // program's own recorder is also known by its file (on a file system
    // without locks).
    if (isRecordersFile(path))
        return DbRemoveStatus::BeingRecorded;
    return RemoveDbFile(QFile::encodeName(path).toStdString());
}

bool RecordingListPane::isRecordersFile(const QString& path) const
{
    const std::optional<recordings::FileIdentity> held = m_heldFile ? m_heldFile() : std::nullopt;
    return held && recordings::identityOf(path) == held;
}

bool RecordingListPane::deleteListedRecording(int row)
{
    const QString name = m_list->item(row, 0)->text();
    const DbRemoveStatus status = removeRecordingFile(name);
    if (status == DbRemoveStatus::Removed) {
        m_list->removeRow(row);
        return true;
    }
    QString text = QStringLiteral("Usunięcie pliku nie powiodło się") + name;
    if (status == DbRemoveStatus::BeingRecorded)
        text += QStringLiteral("\r\nPlik jest w tej chwili zapisywany (trwa zapis danych).");
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("Błąd usunięcia"), text);
    return false;
}

void RecordingListPane::DeleteRecording()
{
    const QList<QTableWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = selected.first()->row();
    const QString name = m_list->item(row, 0)->text();
    const QString question =
        QStringLiteral("Plik \"%1\" z dnia %2 zostanie usunięty\r\nPo usunięciu dane zostaną "
                       "bezpowrotnie utracone. Czy na pewno chcesz usunąć?")
            .arg(name, m_list->item(row, 1)->text());
    if (ShowMessage(this, QMessageBox::Warning, QStringLiteral("Usuwanie baz danych"), question,
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    deleteListedRecording(row);
}

void RecordingListPane::DeleteAllRecordings()
{
    if (ShowMessage(this, QMessageBox::Warning, QStringLiteral("Uwaga"),
                    QStringLiteral(
                        "WSZYSTKIE bazy danych zostaną usunięte.\r\nPo usunięciu dane zostaną bezpowrotnie "
                        "utracone. Czy na pewno chcesz usunąć?"),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    for (int row = m_list->rowCount() - 1; row >= 0; --row)
        deleteListedRecording(row);
}

void RecordingListPane::onContextMenu(const QPoint& position)
{
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    QMenu menu(this);
    QAction* refresh = menu.addAction(QStringLiteral("Odśwież"));
    QAction* remove = menu.addAction(QStringLiteral("Usuń"));
    menu.addSeparator();
    QAction* toTable = menu.addAction(QStringLiteral("Prześlij dane do Excel"));
    toTable->setEnabled(!m_exportRunning); // as the button: one export at a time
    QAction* chosen = menu.exec(m_list->viewport()->mapToGlobal(position));
    if (chosen == refresh)
        ScanRecordings();
    else if (chosen == remove)
        DeleteRecording();
    else if (chosen == toTable)
        emit exportRequested(name);
}
