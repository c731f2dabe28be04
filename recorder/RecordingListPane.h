// SPDX-License-Identifier: MIT
#pragma once

#include "DayFile.h"
#include "RecordingList.h"

#include <QGroupBox>
#include <QSet>
#include <QTableWidget>
#include <functional>
#include <optional>

class QDate;
class QDateEdit;
class QPushButton;

// The recordings list: a report list whose rows sort newest first by the
// date in column 1 (CompareByDate).
class CXDBListCtrl : public QTableWidget
{
    Q_OBJECT
public:
    explicit CXDBListCtrl(QWidget* parent = nullptr);
    void SortByDate();
};

// "Lista baz danych": the day files of the recordings folder, with refresh,
// delete, delete all and export. A double click asks for the file to be
// loaded (a run of selected files: their days as one range), the export
// button and the context menu for it to be exported. The "od"/"do" dates
// follow the selection; "Wczytaj zakres" asks for their days. UI thread only.
class RecordingListPane : public QGroupBox
{
    Q_OBJECT
public:
    explicit RecordingListPane(QWidget* parent = nullptr);

    // Day files live here (RecordingsFolderPath() unless a test says otherwise).
    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }
    QString recordingPath(const QString& name) const;

    // The recorder's open day file, if any: deleting it is refused.
    void setHeldFileQuery(std::function<std::optional<recordings::FileIdentity>()> query)
    {
        m_heldFile = std::move(query);
    }
    // The file at `path` is the one this program's recorder writes.
    bool isRecordersFile(const QString& path) const;

    void ScanRecordings();
    void DeleteRecording();
    void DeleteAllRecordings();

    // The "od"/"do" dates of the days loaded.
    void setRangeDates(const QDate& first, const QDate& last);

    // While an export runs its buttons stay disabled.
    void setExportRunning(bool running);
    // "Eksportuj widok" needs something loaded.
    void setViewLoaded(bool loaded);

signals:
    void loadRequested(const QString& name);
    void rangeRequested(const QDate& first, const QDate& last);
    void exportRequested(const QString& name);
    void exportViewRequested();

private:
    void updateButtons();
    void onContextMenu(const QPoint& position);
    DbRemoveStatus removeRecordingFile(const QString& name);
    // Deletes the listed file of `row` and its row, or says why it cannot.
    bool deleteListedRecording(int row);
    QString selectedName() const;
    void onDoubleClicked(int row);
    void followSelectionDates();
    QLayout* buildRangeRow();

    QString m_folder;
    QSet<QString> m_askedToDelete; // damaged files asked about in this run
    std::function<std::optional<recordings::FileIdentity>()> m_heldFile;
    bool m_exportRunning = false;
    bool m_viewLoaded = false;

    CXDBListCtrl* m_list = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_exportViewButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
};
