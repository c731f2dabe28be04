// SPDX-License-Identifier: MIT
#pragma once

#include "DayFileFormat.h"

#include <QDate>
#include <QDialog>
#include <atomic>
#include <filesystem>
#include <memory>

class MeasurementSnapshot;
class Recorder;
class RecordingControls;
class RecorderBrowser;

// The recorder window "Baza danych ZRQ-7/8". The main window creates it hidden
// and it lives until the program ends; closing it only hides it. It owns the
// recorder thread and shows what the thread reports (button states, messages,
// questions), always on the user-interface thread.
//
// Layout: the graph area, the channel panel and the lists (recordings and fault
// history) are empty areas here, filled by the window's graph and list code;
// the recording controls sit beside the lists.
class CDataDlg : public QDialog
{
    Q_OBJECT
public:
    // `snapshot` is the program's one value store; its values are cleared here.
    explicit CDataDlg(MeasurementSnapshot& snapshot, QWidget* parent = nullptr);
    ~CDataDlg() override; // ends the recorder thread

    void accept() override {}
    void reject() override {}

    // StartRecorder: starts the recorder thread; when it does not confirm within
    // 100 ms asks whether to try again. False when the operator gave up (the
    // caller disables "Baza danych").
    bool StartRecorder();
    // The recorder thread's end at program end: within about 100 ms.
    void StopRecorder();

    Recorder& recorder() { return *m_recorder; }
    RecordingControls* recordingControls() const { return m_controls; }

    // The day graph, the channel rows, the recordings list, the fault history
    // and the export (LoadRecording, Replot, ScanRecordings, ExportRecording...).
    RecorderBrowser* browser() const { return m_browser; }

    // The areas the browser's parts are laid out in.
    QWidget* graphArea() const { return m_graphArea; }     // the day graph and its tool buttons
    QWidget* channelArea() const { return m_channelArea; } // "Wybór danych graficznych:" rows
    QWidget* listArea() const { return m_listArea; }       // recordings list and fault history

signals:
    // The recordings folder changed (a file was created or released): rescan it.
    void recordingsChanged();
    // The recorder gave up on the day file: "Baza danych" is to be disabled.
    void databaseUnavailable();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The window's size as designed, in pixels.
    static constexpr int designedWidth = 900;
    static constexpr int designedHeight = 700;

    void onQuestion(const QString& text);
    void onRecordWritten(const DbClockReading& reading, const std::filesystem::path& file);
    // Queued by name from the recorder thread.
    Q_INVOKABLE void followRecordedFile(const QString& path, const QDate& date);
    void applyColorStyle();

    std::unique_ptr<Recorder> m_recorder;
    RecordingControls* m_controls = nullptr;
    QWidget* m_graphArea = nullptr;
    QWidget* m_channelArea = nullptr;
    QWidget* m_listArea = nullptr;
    RecorderBrowser* m_browser = nullptr;
    std::atomic<bool> m_recordWrittenPending{false}; // a written record is on its way to the browser
};
