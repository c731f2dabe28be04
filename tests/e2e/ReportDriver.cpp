// SPDX-License-Identifier: MIT
// An operator for the real program, preloaded into it (LD_PRELOAD) by
// tst_fault_report_e2e: once the main window is connected it starts "Dziennik
// awarii ZRQ" into $ZRQ7_REPORT_FIRST and, while the relay is still being read,
// does what $ZRQ7_DRIVE_REPORT names:
//   again       Esc and the close box on the progress window, "Dziennik awarii
//               ZRQ" once more (a save dialog that comes up gets
//               $ZRQ7_REPORT_SECOND), "Anuluj", then a whole report into
//               $ZRQ7_REPORT_SECOND, its viewer closed;
//   disconnect  "Odłącz", and once disconnected "Zakończ";
//   close       "Zakończ".
// Each step it takes is written to ZRQ7_MESSAGE_LOG as "driver|...". Commands
// that open a modal window are queued, so the driver keeps running inside the
// window's own event loop.

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace {

QWidget* shownWindow(const char* className, const QString& objectName = {})
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->inherits(className) &&
            (objectName.isEmpty() || window->objectName() == objectName))
            return window;
    }
    return nullptr;
}

QAbstractButton* button(QWidget* window, int id)
{
    return window->findChild<QAbstractButton*>(QStringLiteral("id%1").arg(id));
}

void log(const QString& line)
{
    QFile file(qEnvironmentVariable("ZRQ7_MESSAGE_LOG"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write((QStringLiteral("driver|") + line + QLatin1Char('\n')).toUtf8());
}

void clickLater(QAbstractButton* target)
{
    QMetaObject::invokeMethod(target, &QAbstractButton::click, Qt::QueuedConnection);
}

class ReportDriver : public QObject
{
public:
    explicit ReportDriver(QObject* parent) : QObject(parent)
    {
        m_scenario = qEnvironmentVariable("ZRQ7_DRIVE_REPORT");
        connect(&m_tick, &QTimer::timeout, this, &ReportDriver::step);
        m_tick.start(50);
    }

private:
    enum class Stage {
        Connected,
        ChooseFirst,
        FirstRunning,
        SecondClick,
        CancelFirst,
        FirstGone,
        ChooseSecond,
        SecondViewer,
        Disconnected,
        Done
    };

    // The save dialog's own question (the file exists): Yes, replace it.
    static bool answerOverwriteQuestion()
    {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!question || !qobject_cast<QFileDialog*>(question->parentWidget()))
            return false;
        question->button(QMessageBox::Yes)->click();
        return true;
    }

    // A save dialog that is up gets `path`, typed into its name field as an
    // operator would: true once the dialog holds it (while it reads the folder
    // the dialog may still put its suggested name back).
    static bool answerSaveDialog(const QString& path)
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return false;
        if (dialog->selectedFiles() != QStringList{path}) {
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(path);
            else
                dialog->selectFile(path);
            return false;
        }
        // Queued: QFileDialog::accept asks its overwrite question in a loop of its
        // own, and a timer is not fired again while its slot still runs.
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        return true;
    }

    void step()
    {
        QWidget* main = shownWindow("CCPL_ZRQ7Dlg");
        if (!main || answerOverwriteQuestion())
            return;
        QWidget* progress = shownWindow("QDialog", QStringLiteral("id202"));
        switch (m_stage) {
        case Stage::Connected:
            if (button(main, 1084)->text() != QStringLiteral("Odłącz"))
                return;
            clickLater(button(main, 1201));
            m_stage = Stage::ChooseFirst;
            return;
        case Stage::ChooseFirst:
            if (answerSaveDialog(qEnvironmentVariable("ZRQ7_REPORT_FIRST")))
                m_stage = Stage::FirstRunning;
            return;
        case Stage::FirstRunning:
            if (!progress)
                return;
            // The walk starts half a second after the window; a second more and it is well under way.
            if (++m_ticksShown < 30)
                return;
            if (m_scenario == QLatin1String("again")) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(progress, &escape);
                progress->close(); // the close box
                log(QStringLiteral("progress after Esc and close|visible=%1")
                        .arg(int(shownWindow("QDialog", QStringLiteral("id202")) != nullptr)));
                clickLater(button(main, 1201));
                m_stage = Stage::SecondClick;
            } else if (m_scenario == QLatin1String("disconnect")) {
                log(QStringLiteral("Odłącz"));
                clickLater(button(main, 1084));
                m_stage = Stage::Disconnected;
            } else {
                log(QStringLiteral("Zakończ"));
                clickLater(button(main, 1080));
                m_stage = Stage::Done;
            }
            return;
        case Stage::SecondClick:
            // The click has run by now (a save dialog it opened may take a tick longer).
            log(QStringLiteral("second report while the first runs|progress visible=%1")
                    .arg(int(progress != nullptr)));
            m_stage = Stage::CancelFirst;
            return;
        case Stage::CancelFirst:
            if (answerSaveDialog(qEnvironmentVariable("ZRQ7_REPORT_SECOND"))) {
                log(QStringLiteral("second report asked for a file"));
                m_stage = Stage::FirstGone; // nothing to cancel: that run replaced the first
                return;
            }
            if (!progress)
                return;
            log(QStringLiteral("Anuluj"));
            button(progress, 2)->click();
            m_stage = Stage::FirstGone;
            return;
        case Stage::FirstGone:
            if (progress)
                return;
            log(QStringLiteral("progress closed"));
            clickLater(button(main, 1201));
            m_stage = Stage::ChooseSecond;
            return;
        case Stage::ChooseSecond:
            if (answerSaveDialog(qEnvironmentVariable("ZRQ7_REPORT_SECOND")))
                m_stage = Stage::SecondViewer;
            return;
        case Stage::SecondViewer:
            // The success question is answered Yes by the message log: the viewer opens.
            if (QWidget* viewer = shownWindow("CHtmlDialog")) {
                log(QStringLiteral("viewer"));
                QMetaObject::invokeMethod(viewer, "reject", Qt::QueuedConnection);
                clickLater(button(main, 1080));
                m_stage = Stage::Done;
            }
            return;
        case Stage::Disconnected:
            // Disconnected, and its pause over: the window takes commands again.
            if (progress || button(main, 1084)->text() != QStringLiteral("Podłącz") ||
                !button(main, 1080)->isEnabled())
                return;
            log(QStringLiteral("disconnected"));
            clickLater(button(main, 1080));
            m_stage = Stage::Done;
            return;
        case Stage::Done:
            m_tick.stop();
            return;
        }
    }

    QTimer m_tick;
    QString m_scenario;
    Stage m_stage = Stage::Connected;
    int m_ticksShown = 0;
};

// Called while the application object is being built: the driver starts with
// the first event loop (the splash window's).
void startDriver()
{
    QCoreApplication* application = QCoreApplication::instance();
    QMetaObject::invokeMethod(
        application, [application] { new ReportDriver(application); }, Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)
