// SPDX-License-Identifier: MIT
#pragma once

#include <QTimer>
#include <QWidget>

class CIconButton;
class QCheckBox;
class QLineEdit;
class Recorder;

// The recorder window's recording controls: "Zapis" (1175), "Pauza" (1004),
// "Stop" (1007), "Interwał zapisu [s]" (1031), "automatyczne zapisywanie"
// (1182) and the hidden read interval (1032). The buttons follow the state
// table of RecordButtonsFor; edits and the check box write the settings.
class RecordingControls : public QWidget
{
    Q_OBJECT
public:
    explicit RecordingControls(Recorder& recorder, QWidget* parent = nullptr);

    // The buttons by the state table.
    void applyState(int nRecState);
    // Timer 554678: the recordings list is refreshed 5 s after recording starts,
    // so that the new day file appears in it.
    void startListTimer();

    void OnRecord(); // "Zapis"
    void OnPause();  // "Pauza"
    void OnStop();   // "Stop"

signals:
    // The recordings list is to be scanned again.
    void recordingsChanged();

private:
    void onIntervalEdited(const QString& text);
    void onReadIntervalEdited(const QString& text);
    void onAutoRecordToggled(bool checked);

    Recorder& m_recorder;
    CIconButton* m_record;
    CIconButton* m_pause;
    CIconButton* m_stop;
    QLineEdit* m_interval;
    QLineEdit* m_readInterval;
    QCheckBox* m_autoRecord;
    QTimer m_listTimer; // 554678
};
