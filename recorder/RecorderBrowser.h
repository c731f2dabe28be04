// SPDX-License-Identifier: MIT
#pragma once

#include "CGraphMix.h"
#include "ChannelScale.h"
#include "DayFile.h"
#include "ExportJob.h"
#include "LoadedRecords.h"
#include "RecordingExporter.h"
#include "RecordingList.h"

#include <QDate>
#include <QTableWidget>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class ChannelRowsPane;
class DayGraphPane;
class FaultHistoryPane;
class RecordingListPane;

// The browsing half of the recorder window, assembled from its panes: the day
// graph with its buttons (DayGraphPane), the five channel rows
// (ChannelRowsPane), the recordings list (RecordingListPane), the fault
// history (FaultHistoryPane) and the export (RecordingExporter). It holds the
// loaded recording and carries each pane's requests to the others. The
// recorder window (CDataDlg) holds one and lays it out under its recording
// controls. Settings changes go to theApp().settings and are saved at once.
// UI thread only; the export runs on its own thread.
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
    void setFolder(const QString& folder);
    QString folder() const;

    // The recorder's open day file, if any: deleting it is refused.
    void setHeldFileQuery(std::function<std::optional<recordings::FileIdentity>()> query);
    // How a written table is opened when the operator asks to (the desktop's
    // handler unless replaced).
    void setOpenFileHandler(std::function<void(const QString&)> open);

    // Loaded recording and graph.
    void LoadRecording(const QString& name);
    // The days first..last (at most maxRangeDays) as one range; one day loads its file.
    void LoadRange(const QDate& first, const QDate& last);
    static constexpr int maxRangeDays = 31;
    void Replot();
    void AutoScale(std::array<bool, channelCount> which);
    void GroupMaxima();
    const std::vector<_tagSTRUCT_DATA>& records() const { return m_loaded.records(); }
    CGraphMix* graph() const { return m_graph; }
    // The loaded day or days (the first date and how many); graph()->view() is
    // the part shown, in seconds of that axis.
    multiday::Axis shownAxis() const { return m_loaded.axis(); }
    const LoadedRecords& loaded() const { return m_loaded; }

    // The recorder wrote a record of `date` into `file`: when that is the
    // loaded recording's last file (or the day after it, at midnight), the new
    // records are read and drawn; a view showing the end of the data follows.
    void followRecording(const QString& file, const QDate& date);

    // Recordings list and fault history.
    void ScanRecordings();
    void DeleteRecording();
    void DeleteAllRecordings();
    void FillFaultHistory();
    void GoToFaultAt(int row);

    // Export: with the save dialog, or straight to a chosen file.
    void ExportRecording(const QString& name);
    void ExportRecordingTo(const QString& name, const QString& target);
    // What the graph shows, from the day files of the folder.
    void ExportView();
    void ExportViewTo(const QString& target);
    bool exportRunning() const { return m_exporter.running(); }
    void abandonExport() { m_exporter.abandon(); }

    // The channel rows' state, for the window and the tests.
    channels::Quantities quantities() const;
    const channels::Raw& maxRaw() const;
    bool maxEdited(int channel) const;

signals:
    void exportFinished(const ExportJob::Outcome& outcome);

private:
    void applySettings();
    void showLoaded(const QString& title);
    // The A/B cursors read what the graph shows: the series, the shown channels.
    void passSeriesToCursors();

    LoadedRecords m_loaded;
    bool m_following = false; // the loaded last file has been the recorder's
    DayGraphPane* m_graphPane = nullptr;
    CGraphMix* m_graph = nullptr;
    ChannelRowsPane* m_channels = nullptr;
    QWidget* m_listPart = nullptr;
    RecordingListPane* m_list = nullptr;
    FaultHistoryPane* m_faults = nullptr;
    RecordingExporter m_exporter;
};
