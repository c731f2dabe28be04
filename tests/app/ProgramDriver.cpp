// SPDX-License-Identifier: MIT
// An operator for the real program, preloaded into it (LD_PRELOAD) by a test:
// once the main window is up (and, with ZRQ7_DRIVE_SETTINGS=tray, connected),
// it opens the program settings (button "Ustawienia" or the tray's "Ustawienia
// programu"), ticks "Nad innymi oknami", saves, closes the settings window,
// writes "driver|main window|visible=<0/1>|on top=<0/1>" to ZRQ7_MESSAGE_LOG and
// presses "Zakończ". Commands that open a modal window are queued, so this
// driver keeps running inside the window's own event loop.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

QWidget* shownWindowOfClass(const char* className)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && qstrcmp(window->metaObject()->className(), className) == 0)
            return window;
    }
    return nullptr;
}

template <typename T> T* control(QWidget* window, int id)
{
    return window->findChild<T*>(QStringLiteral("id%1").arg(id));
}

void appendToLog(const QString& line)
{
    QFile log(qEnvironmentVariable("ZRQ7_MESSAGE_LOG"));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write((line + QLatin1Char('\n')).toUtf8());
}

class SettingsDriver : public QObject
{
public:
    explicit SettingsDriver(QObject* parent) : QObject(parent)
    {
        m_viaTray = qEnvironmentVariable("ZRQ7_DRIVE_SETTINGS") == QLatin1String("tray");
        connect(&m_tick, &QTimer::timeout, this, &SettingsDriver::step);
        m_tick.start(50);
    }

private:
    enum class Stage { OpenSettings, SaveOnTop, Report, Done };

    void step()
    {
        switch (m_stage) {
        case Stage::OpenSettings: {
            QWidget* main = shownWindowOfClass("CCPL_ZRQ7Dlg");
            if (!main)
                return;
            if (m_viaTray) {
                if (control<QAbstractButton>(main, 1084)->text() != QStringLiteral("Odłącz"))
                    return; // not connected yet
                QAction* settings = main->findChild<QAction*>(QStringLiteral("id32777"));
                QMetaObject::invokeMethod(settings, &QAction::trigger, Qt::QueuedConnection);
            } else {
                QMetaObject::invokeMethod(control<QAbstractButton>(main, 1000), &QAbstractButton::click,
                                          Qt::QueuedConnection);
            }
            m_stage = Stage::SaveOnTop;
            return;
        }
        case Stage::SaveOnTop: {
            QWidget* settings = shownWindowOfClass("CSettingsDlg");
            if (!settings)
                return;
            control<QCheckBox>(settings, 1030)->setChecked(true);
            control<QAbstractButton>(settings, 1005)->click(); // "Zapisz"
            control<QAbstractButton>(settings, 1154)->click(); // "Zakończ" of the settings window
            m_stage = Stage::Report;
            return;
        }
        case Stage::Report: {
            if (shownWindowOfClass("CSettingsDlg"))
                return;
            QWidget* main = nullptr;
            for (QWidget* window : QApplication::topLevelWidgets())
                if (qstrcmp(window->metaObject()->className(), "CCPL_ZRQ7Dlg") == 0)
                    main = window;
            if (!main)
                return;
            const bool onTop = (main->windowFlags() & Qt::WindowStaysOnTopHint) && main->windowHandle() &&
                               (main->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
            appendToLog(QStringLiteral("driver|main window|visible=%1|on top=%2")
                            .arg(int(main->isVisible()))
                            .arg(int(onTop)));
            QMetaObject::invokeMethod(control<QAbstractButton>(main, 1080), &QAbstractButton::click,
                                      Qt::QueuedConnection);
            m_stage = Stage::Done;
            m_tick.stop();
            return;
        }
        case Stage::Done:
            return;
        }
    }

    QTimer m_tick;
    Stage m_stage = Stage::OpenSettings;
    bool m_viaTray = false;
};

// Called while the application object is being built: the driver starts with
// the first event loop (the splash window's).
void startDriver()
{
    QCoreApplication* application = QCoreApplication::instance();
    QMetaObject::invokeMethod(
        application, [application] { new SettingsDriver(application); }, Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)
