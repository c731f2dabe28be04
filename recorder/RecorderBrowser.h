// SPDX-License-Identifier: MIT
#pragma once

#include "CGraphMix.h"
#include "ChannelScale.h"
#include "DayFile.h"
#include "ExportJob.h"
#include "RecordingList.h"

#include <QSet>
#include <QTableWidget>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class CColorRect;
class CIconButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressDialog;
class QSlider;
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

// The browsing half of the recorder window: the day graph with its buttons,
// the five channel rows, the recordings list, the fault history and the
// export. The recorder window (CDataDlg) holds one and lays it out under its
// recording controls. Settings changes go to theApp().settings and are saved
// at once. UI thread only; the export runs on its own thread.
class RecorderBrowser : public QWidget
{
    Q_OBJECT
public:
    static constexpr int channelCount = channels::count;

    explicit RecorderBrowser(QWidget* parent = nullptr);
    ~RecorderBrowser() override;

    // Moves the graph, the channel rows and the lists into the window's areas
    // for them; without this call they are laid out inside this widget.
    void placeInto(QWidget* graphArea, QWidget* channelArea, QWidget* listArea);

    // Day files live here (RecordingsFolderPath() unless a test says otherwise).
    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }

    // The recorder's open day file, if any: deleting it is refused.
    void setHeldFileQuery(std::function<std::optional<recordings::FileIdentity>()> query)
    {
        m_heldFile = std::move(query);
    }
    // How a written table is opened when the operator asks to (the desktop's
    // handler unless replaced).
    void setOpenFileHandler(std::function<void(const QString&)> open) { m_openFile = std::move(open); }

    // Loaded recording and graph.
    void LoadRecording(const QString& name);
    void Replot();
    void AutoScale(std::array<bool, channelCount> which);
    void GroupMaxima();
    const std::vector<_tagSTRUCT_DATA>& records() const { return m_records; }
    CGraphMix* graph() const { return m_graph; }

    // Recordings list and fault history.
    void ScanRecordings();
    void DeleteRecording();
    void DeleteAllRecordings();
    void FillFaultHistory();
    void GoToFaultAt(int row);

    // Export: with the save dialog, or straight to a chosen file.
    void ExportRecording(const QString& name);
    void ExportRecordingTo(const QString& name, const QString& target);
    bool exportRunning() const { return m_export.running(); }

    // The channel rows' state, for the window and the tests.
    channels::Quantities quantities() const;
    const channels::Raw& maxRaw() const { return m_maxRaw; }
    bool maxEdited(int channel) const { return m_maxEdited[std::size_t(channel)]; }

signals:
    void exportFinished(const ExportJob::Outcome& outcome);

private:
    struct ChannelRow
    {
        QCheckBox* check = nullptr;
        QComboBox* quantity = nullptr;
        QLineEdit* max = nullptr;
        CColorRect* swatch = nullptr;
    };

    QWidget* buildGraphArea();
    QWidget* buildChannelRows();
    QWidget* buildRecordingList();
    QWidget* buildFaultHistory();
    void applySettings();

    void onQuantityChanged(int channel);
    void onCheckClicked(int channel);
    void onSwatchDoubleClicked(int channel);
    void onMaxEdited(int channel);
    void showMaxEdits(const std::array<float, channelCount>& values, std::array<bool, channelCount> which);
    void paintMaxEdit(int channel);
    void handScaleToGraph();
    void updateListButtons();
    void onListContextMenu(const QPoint& position);
    void onExportFinished(const ExportJob::Outcome& outcome);
    DbRemoveStatus removeRecordingFile(const QString& name);
    // Deletes the listed file of `row` and its row, or says why it cannot.
    bool deleteListedRecording(int row);
    QString selectedName() const;
    QString recordingPath(const QString& name) const;
    void saveSettings();
    void updateSeries();

    QString m_folder;
    QSet<QString> m_askedToDelete; // damaged files asked about in this run
    std::function<std::optional<recordings::FileIdentity>()> m_heldFile;
    std::function<void(const QString&)> m_openFile;

    QWidget* m_graphPart = nullptr;
    QWidget* m_channelPart = nullptr;
    QWidget* m_listPart = nullptr;
    CGraphMix* m_graph = nullptr;
    QSlider* m_lineWidth = nullptr;
    std::array<ChannelRow, channelCount> m_rows{};
    CXDBListCtrl* m_list = nullptr;
    QTableWidget* m_faults = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_deleteButton = nullptr;

    std::vector<_tagSTRUCT_DATA> m_records; // arrRecords
    // What the graph draws of m_records, kept from load until a channel's
    // quantity changes, so a pan or zoom only walks the visible records.
    PlotSeries m_series;
    std::vector<std::size_t> m_seriesRecords;  // index in m_records of each series entry
    channels::Quantities m_seriesQuantities{}; // seriesUnbuilt: values still to fill
    bool m_seriesTimesValid = false;
    channels::Raw m_maxRaw{};               // nMaxRaw
    channels::Raw m_minRaw{};               // nMinRaw
    std::array<float, channelCount> m_maxEditValue{}; // fMaxEdit
    std::array<bool, channelCount> m_maxEdited{};     // bMaxEdited

    ExportJob m_export;
    QProgressDialog* m_progress = nullptr;
    QString m_exportTarget;
    bool m_exportTargetExisted = false;
    QString m_exportName;
};
