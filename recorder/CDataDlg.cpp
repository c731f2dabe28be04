// SPDX-License-Identifier: MIT
#include "CDataDlg.h"

#include "AppPaths.h"
#include "CCPL_ZRQ7App.h"
#include "MeasurementSnapshot.h"
#include "MessageBox.h"
#include "Recorder.h"
#include "RecorderBrowser.h"
#include "RecorderPaneSupport.h"
#include "RecordingControls.h"

#include <QCloseEvent>
#include <QDate>
#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QWidget* area(QWidget* parent, const char* name)
{
    auto* widget = new QWidget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

std::filesystem::path recordingsFolder()
{
    return std::filesystem::path(QFile::encodeName(RecordingsFolderPath()).toStdString());
}

} // namespace

CDataDlg::CDataDlg(MeasurementSnapshot& snapshot, QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Baza danych ZRQ-7/8"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/database.svg")));
    snapshot.ClearMeasurements();

    Recorder::Setup setup{
        .snapshot = &snapshot,
        .folder = recordingsFolder(),
        .clock = Recorder::programClock(),
        .written = [this](const _tagSTRUCT_DATA&, const DbClockReading& reading,
                          const std::filesystem::path& file) { onRecordWritten(reading, file); }};
    m_recorder = std::make_unique<Recorder>(std::move(setup));
    m_controls = new RecordingControls(*m_recorder, this);
    m_graphArea = area(this, "graphArea");
    m_channelArea = area(this, "channelArea");
    m_listArea = area(this, "listArea");

    auto* close = new QPushButton(QStringLiteral("Zakończ"), this);
    close->setObjectName(QStringLiteral("id1154"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_graphArea, 0, 0, 1, 2);
    layout->addWidget(m_channelArea, 1, 0, 1, 2);
    layout->addWidget(m_listArea, 2, 0);
    auto* side = new QVBoxLayout;
    side->addWidget(m_controls);
    side->addStretch(1);
    side->addWidget(close, 0, Qt::AlignRight);
    layout->addLayout(side, 2, 1);
    layout->setRowStretch(0, 1);
    layout->setColumnStretch(0, 1);
    applyColorStyle();

    // Everything the recorder thread reports arrives here queued.
    const Recorder* recorder = m_recorder.get();
    connect(recorder, &Recorder::stateChanged, m_controls, &RecordingControls::applyState,
            Qt::QueuedConnection);
    connect(recorder, &Recorder::recordingStarted, m_controls, &RecordingControls::startListTimer,
            Qt::QueuedConnection);
    connect(recorder, &Recorder::fileReleased, this, &CDataDlg::recordingsChanged, Qt::QueuedConnection);
    connect(recorder, &Recorder::databaseUnavailable, this, &CDataDlg::databaseUnavailable,
            Qt::QueuedConnection);
    connect(recorder, &Recorder::question, this, &CDataDlg::onQuestion, Qt::QueuedConnection);
    connect(
        recorder, &Recorder::errorMessage, this,
        [](const QString& text) {
            ShowMessageOnTop(nullptr, QMessageBox::Critical, QStringLiteral("Błąd"), text);
        },
        Qt::QueuedConnection);
    connect(
        recorder, &Recorder::warningMessage, this,
        [](const QString& text) {
            ShowMessageOnTop(nullptr, QMessageBox::Warning, QStringLiteral("Uwaga"), text);
        },
        Qt::QueuedConnection);
    connect(m_controls, &RecordingControls::recordingsChanged, this, &CDataDlg::recordingsChanged);

    m_browser = new RecorderBrowser(this);
    m_browser->placeInto(m_graphArea, m_channelArea, m_listArea);
    m_browser->setHeldFileQuery([recorder]() -> std::optional<recordings::FileIdentity> {
        const auto held = recorder->heldFile();
        if (!held)
            return std::nullopt;
        return recordings::FileIdentity{dev_t(held->first), ino_t(held->second)};
    });
    connect(this, &CDataDlg::recordingsChanged, m_browser, &RecorderBrowser::ScanRecordings);
    m_browser->ScanRecordings();

    // The designed size where the screen has room (1024 x 768 at least): every
    // column of both lists shows without scrolling sideways.
    QSize size(designedWidth, designedHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size.expandedTo(minimumSizeHint()));
}

// On the recorder thread: the browser reads the new records on the window's
// thread, once for however many records were written meanwhile.
void CDataDlg::onRecordWritten(const DbClockReading& reading, const std::filesystem::path& file)
{
    if (m_recordWrittenPending.exchange(true))
        return;
    const QString path = QFile::decodeName(file.c_str());
    QMetaObject::invokeMethod(this, "followRecordedFile", Qt::QueuedConnection, Q_ARG(QString, path),
                              Q_ARG(QDate, recorderpane::calendarDate(reading.date)));
}

void CDataDlg::followRecordedFile(const QString& path, const QDate& date)
{
    m_recordWrittenPending = false;
    if (m_browser)
        m_browser->followRecording(path, date);
}

void CDataDlg::applyColorStyle()
{
    // The program's own colours on the whole window (the system's otherwise);
    // the lists, edits and the graph keep theirs.
    const ProgramSettings& s = theApp().settings;
    if (s.nInterfaceStyle != 1)
        return;
    QPalette colors = palette();
    colors.setColor(QPalette::Window, colorFromRef(ColorRef(s.crBackground)));
    colors.setColor(QPalette::WindowText, colorFromRef(ColorRef(s.crText)));
    setPalette(colors);
    setAutoFillBackground(true);
}

CDataDlg::~CDataDlg()
{
    StopRecorder();
}

bool CDataDlg::StartRecorder()
{
    while (!m_recorder->start(theApp().settings.bAutoRecord == 1)) {
        const auto answer = ShowMessageOnTop(
            nullptr, QMessageBox::Critical, QStringLiteral("Błąd"),
            QStringLiteral("Nie można utworzyć strumienia bazy danych. Czy chcesz spróbować ponownie?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes)
            return false;
    }
    return true;
}

void CDataDlg::StopRecorder()
{
    m_recorder->quit();
}

void CDataDlg::onQuestion(const QString& text)
{
    const auto answer = ShowMessageOnTop(nullptr, QMessageBox::Critical, QStringLiteral("Błąd"), text,
                                         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    m_recorder->answer(answer == QMessageBox::Yes);
}

void CDataDlg::closeEvent(QCloseEvent* event)
{
    // The window lives as long as the program: closing only hides it.
    event->ignore();
    hide();
}
