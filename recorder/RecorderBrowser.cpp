// SPDX-License-Identifier: MIT
#include "RecorderBrowser.h"

#include "ChannelRowsPane.h"
#include "DayGraphPane.h"
#include "FaultHistoryPane.h"
#include "MessageBox.h"
#include "RecorderPaneSupport.h"
#include "RecordingListPane.h"
#include "ZRQ7DLL.h"

#include <QFile>
#include <QHBoxLayout>
#include <QVBoxLayout>

RecorderBrowser::RecorderBrowser(QWidget* parent) : QWidget(parent), m_exporter(this)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_graphPane = new DayGraphPane(this);
    m_graph = m_graphPane->graph();
    m_channels = new ChannelRowsPane(m_graph, m_loaded, this);
    m_listPart = new QWidget(this);
    auto* lists = new QHBoxLayout(m_listPart);
    lists->setContentsMargins(0, 0, 0, 0);
    m_list = new RecordingListPane(m_listPart);
    m_faults = new FaultHistoryPane(m_listPart);
    lists->addWidget(m_list, 1);
    lists->addWidget(m_faults, 1);
    layout->addWidget(m_graphPane, 1);
    layout->addWidget(m_channels);
    layout->addWidget(m_listPart);

    connect(m_graph, &CGraphMix::replotRequested, this, &RecorderBrowser::Replot);
    connect(m_graphPane, &DayGraphPane::replotRequested, this, &RecorderBrowser::Replot);
    connect(m_channels, &ChannelRowsPane::replotRequested, this, &RecorderBrowser::Replot);
    connect(m_channels, &ChannelRowsPane::shownChanged, this, &RecorderBrowser::passSeriesToCursors);
    connect(m_list, &RecordingListPane::loadRequested, this, &RecorderBrowser::LoadRecording);
    connect(m_list, &RecordingListPane::exportRequested, this, &RecorderBrowser::ExportRecording);
    connect(m_list, &RecordingListPane::exportViewRequested, this, &RecorderBrowser::ExportView);
    // GoToTime replots through replotRequested.
    connect(m_faults, &FaultHistoryPane::timeChosen, m_graph, &CGraphMix::GoToTime);
    connect(&m_exporter, &RecordingExporter::runningChanged, m_list, &RecordingListPane::setExportRunning);
    connect(&m_exporter, &RecordingExporter::finished, this, &RecorderBrowser::exportFinished);
    applySettings();
}

RecorderBrowser::~RecorderBrowser() = default;

void RecorderBrowser::placeInto(QWidget* graphArea, QWidget* channelArea, QWidget* listArea)
{
    const std::pair<QWidget*, QWidget*> moves[] = {
        {m_graphPane, graphArea}, {m_channels, channelArea}, {m_listPart, listArea}};
    for (const auto& [part, area] : moves) {
        auto* layout = area->layout() ? area->layout() : new QVBoxLayout(area);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(part);
    }
    hide(); // what is left of this widget is its logic
}

void RecorderBrowser::setFolder(const QString& folder)
{
    m_list->setFolder(folder);
}

QString RecorderBrowser::folder() const
{
    return m_list->folder();
}

void RecorderBrowser::setHeldFileQuery(std::function<std::optional<recordings::FileIdentity>()> query)
{
    m_list->setHeldFileQuery(std::move(query));
}

void RecorderBrowser::setOpenFileHandler(std::function<void(const QString&)> open)
{
    m_exporter.setOpenFileHandler(std::move(open));
}

void RecorderBrowser::applySettings()
{
    // The colour style is the recorder window's (CDataDlg): this widget is hidden there.
    m_graphPane->applySettings();
    m_channels->applySettings();
}

// ---- Loading and plotting ----

void RecorderBrowser::LoadRecording(const QString& name)
{
    window()->setWindowTitle(recorderpane::windowCaption);
    m_graph->abCursors().reset();
    const DbReadStatus status = m_loaded.load(m_list->recordingPath(name));
    m_list->setViewLoaded(status == DbReadStatus::Ok);
    m_loadedDate = ReadDbSummary(QFile::encodeName(m_list->recordingPath(name)).toStdString()).date;
    if (status == DbReadStatus::OpenFailed || status == DbReadStatus::ReadFailed)
        return;
    if (status != DbReadStatus::Ok) {
        ShowMessage(this, QMessageBox::Warning, QStringLiteral("Błąd"),
                    QStringLiteral("Plik \"") + name + QStringLiteral("\" jest uszkodzony."));
        return;
    }
    FillFaultHistory();
    AutoScale({true, true, true, true, true});
    Replot();
    m_graph->SetTitle(QStringLiteral("Plik:") + name);
    m_graph->Redraw();
}

void RecorderBrowser::Replot()
{
    const PlotSeries& series = m_loaded.series(m_channels->quantities());
    m_graph->PlotChannels(series, m_channels->lineColors());
    m_graph->Redraw();
    passSeriesToCursors();
}

void RecorderBrowser::passSeriesToCursors()
{
    channels::Quantities shown = m_channels->quantities();
    std::array<QString, channelCount> names;
    for (int c = 0; c < channelCount; ++c) {
        int& quantity = shown[std::size_t(c)];
        if (!m_graph->channelVisible(c))
            quantity = channels::noQuantity;
        else if (quantity >= 0 && quantity < DbValueCount)
            names[std::size_t(c)] =
                QStringLiteral("Kanał %1 (%2)")
                    .arg(c + 1)
                    .arg(recorderpane::fromWide(dll_nMeasureInfo[quantity].szDescription));
    }
    m_graph->abCursors().setSeries(&m_loaded.series(m_channels->quantities()), shown, names);
}

void RecorderBrowser::AutoScale(std::array<bool, channelCount> which)
{
    m_channels->AutoScale(which);
}

void RecorderBrowser::GroupMaxima()
{
    m_channels->GroupMaxima();
}

channels::Quantities RecorderBrowser::quantities() const
{
    return m_channels->quantities();
}

const channels::Raw& RecorderBrowser::maxRaw() const
{
    return m_channels->maxRaw();
}

bool RecorderBrowser::maxEdited(int channel) const
{
    return m_channels->maxEdited(channel);
}

// ---- Recordings list and fault history ----

void RecorderBrowser::ScanRecordings()
{
    m_list->ScanRecordings();
}

void RecorderBrowser::DeleteRecording()
{
    m_list->DeleteRecording();
}

void RecorderBrowser::DeleteAllRecordings()
{
    m_list->DeleteAllRecordings();
}

void RecorderBrowser::FillFaultHistory()
{
    m_faults->FillFaultHistory(m_loaded.records());
}

void RecorderBrowser::GoToFaultAt(int row)
{
    m_faults->GoToFaultAt(row);
}

// ---- Export ----

void RecorderBrowser::ExportRecording(const QString& name)
{
    m_exporter.ExportRecording(name, m_list->recordingPath(name));
}

void RecorderBrowser::ExportRecordingTo(const QString& name, const QString& target)
{
    m_exporter.ExportRecordingTo(name, m_list->recordingPath(name), target);
}

void RecorderBrowser::ExportView()
{
    m_exporter.ExportView(folder(), loadedDayAxis(), {m_graph->view().start, m_graph->view().end});
}

void RecorderBrowser::ExportViewTo(const QString& target)
{
    m_exporter.ExportViewTo(folder(), loadedDayAxis(), {m_graph->view().start, m_graph->view().end}, target);
}
