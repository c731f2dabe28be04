// SPDX-License-Identifier: MIT
#include "RecordingControls.h"

#include "CCPL_ZRQ7App.h"
#include "CIconButton.h"
#include "Recorder.h"
#include "RecorderState.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

// `name` is what a screen reader says: the button shows only its icon.
CIconButton* recordButton(QWidget* parent, int id, const QString& name, const QString& icon,
                          const QString& tooltip)
{
    auto* button = new CIconButton(parent);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setAccessibleName(name);
    button->SetIcons(icon, 32, 32);
    button->SetTooltip(tooltip);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QLineEdit* numberEdit(QWidget* parent, int id, quint32 value)
{
    auto* edit = new QLineEdit(QString::number(value), parent);
    edit->setObjectName(QStringLiteral("id%1").arg(id));
    // Only digits can be typed: text that is no number never reaches the value.
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), edit));
    edit->setMaximumWidth(80);
    return edit;
}

} // namespace

RecordingControls::RecordingControls(Recorder& recorder, QWidget* parent)
    : QWidget(parent), m_recorder(recorder),
      m_record(recordButton(this, 1175, QStringLiteral("Zapis"), QStringLiteral("rec_record"),
                            QStringLiteral("Kontynuuj zapis danych"))),
      m_pause(recordButton(this, 1004, QStringLiteral("Pauza"), QStringLiteral("rec_pause"),
                           QStringLiteral("Wstrzymaj zapis danych"))),
      m_stop(recordButton(this, 1007, QStringLiteral("Stop"), QStringLiteral("rec_stop"),
                          QStringLiteral("Zakończ zapis danych")))
{
    setObjectName(QStringLiteral("recordingControls"));
    const ProgramSettings& settings = theApp().settings;
    m_interval = numberEdit(this, 1031, ClampRecordInterval(quint32(settings.nRecordInterval)));
    m_readInterval = numberEdit(this, 1032, quint32(settings.nReadInterval));
    m_readInterval->hide(); // kept with the settings; recording does not use it
    m_autoRecord = new QCheckBox(QStringLiteral("automatyczne zapisywanie"), this);
    m_autoRecord->setObjectName(QStringLiteral("id1182"));
    m_autoRecord->setChecked(settings.bAutoRecord != 0);
    m_recorder.setInterval(ClampRecordInterval(quint32(settings.nRecordInterval)));

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_record);
    buttons->addWidget(m_pause);
    buttons->addWidget(m_stop);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Interwał zapisu [s]"), this), 1, 0);
    layout->addWidget(m_interval, 1, 1);
    layout->addWidget(m_readInterval, 1, 2);
    layout->addWidget(m_autoRecord, 2, 0, 1, 2);

    connect(m_record, &QAbstractButton::clicked, this, &RecordingControls::OnRecord);
    connect(m_pause, &QAbstractButton::clicked, this, &RecordingControls::OnPause);
    connect(m_stop, &QAbstractButton::clicked, this, &RecordingControls::OnStop);
    connect(m_interval, &QLineEdit::textEdited, this, &RecordingControls::onIntervalEdited);
    connect(m_readInterval, &QLineEdit::textEdited, this, &RecordingControls::onReadIntervalEdited);
    connect(m_autoRecord, &QAbstractButton::toggled, this, &RecordingControls::onAutoRecordToggled);

    m_listTimer.setSingleShot(true);
    m_listTimer.setInterval(5000);
    connect(&m_listTimer, &QTimer::timeout, this, &RecordingControls::recordingsChanged);
    applyState(m_recorder.state());
}

void RecordingControls::applyState(int nRecState)
{
    const RecordButtonStates states = RecordButtonsFor(nRecState);
    m_record->setEnabled(states.record);
    m_pause->setEnabled(states.pause);
    m_stop->setEnabled(states.stop);
}

void RecordingControls::startListTimer()
{
    m_listTimer.start();
}

void RecordingControls::OnRecord()
{
    const bool resuming = m_recorder.state() & REC_PAUSED;
    m_recorder.record();
    if (!resuming)
        startListTimer();
    applyState(m_recorder.state());
}

void RecordingControls::OnPause()
{
    m_recorder.togglePause();
    applyState(m_recorder.state());
}

void RecordingControls::OnStop()
{
    // The writer closes the day file on its own and says so (fileReleased), on
    // which the list is refreshed; nothing here waits for it.
    m_recorder.stop();
    applyState(m_recorder.state());
}

void RecordingControls::onIntervalEdited(const QString& text)
{
    bool ok = false;
    const qulonglong typed = text.toULongLong(&ok);
    if (!ok)
        return; // empty: the value stays as it was
    const quint32 interval = ClampRecordInterval(typed);
    if (interval != typed)
        m_interval->setText(QString::number(interval));
    m_recorder.setInterval(interval);
    ProgramSettings& settings = theApp().settings;
    if (settings.nRecordInterval != int32_t(interval)) {
        settings.nRecordInterval = int32_t(interval);
        theApp().SaveSettings();
    }
}

void RecordingControls::onReadIntervalEdited(const QString& text)
{
    bool ok = false;
    const qulonglong typed = text.toULongLong(&ok);
    if (!ok)
        return;
    const int32_t value = int32_t(std::min<qulonglong>(typed, 300));
    if (qulonglong(value) != typed)
        m_readInterval->setText(QString::number(value));
    ProgramSettings& settings = theApp().settings;
    if (settings.nReadInterval != value) {
        settings.nReadInterval = value;
        theApp().SaveSettings();
    }
}

void RecordingControls::onAutoRecordToggled(bool checked)
{
    // Takes effect at the next start of the recorder thread.
    ProgramSettings& settings = theApp().settings;
    if ((settings.bAutoRecord != 0) != checked) {
        settings.bAutoRecord = checked ? 1 : 0;
        theApp().SaveSettings();
    }
}
