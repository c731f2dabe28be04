// SPDX-License-Identifier: MIT
// The operator of a soak run (scripts/soak), preloaded into the real program
// (LD_PRELOAD). Through files in $ZRQ7_SOAK_DIR it reports what the panel
// shows and does what the script asks, as an operator would:
//   heartbeat   rewritten once a second by the window thread:
//               "<n> <epoch seconds> connected=<0|1> linklost=<0|1>"
//               (a heartbeat that stops means the window thread hangs)
//   events      one line per change the panel shows: "<epoch> connected 1",
//               "<epoch> linklost 1", "<epoch> reconnect", "<epoch> quit"
//   reconnect   made by the script: press "Odłącz", then "Podłącz" once the panel
//               says it is disconnected (again every few seconds while connecting fails)
//   quit        made by the script: press "Zakończ"
// The link-lost fault is entry 38 of the fault list (control 1076).

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kConnectButton = 1084;
constexpr int kQuitButton = 1080;
constexpr int kFaultList = 1076;
constexpr int kLinkLostFault = 38;

class SoakOperator : public QObject
{
public:
    explicit SoakOperator(QObject* parent) : QObject(parent), m_dir(qEnvironmentVariable("ZRQ7_SOAK_DIR"))
    {
        connect(&m_tick, &QTimer::timeout, this, &SoakOperator::step);
        m_tick.start(200);
    }

private:
    enum class Reconnect { Idle, Disconnecting, Connecting };

    QString file(const char* name) const { return m_dir + QLatin1Char('/') + QLatin1String(name); }

    // Takes a request file made by the script.
    bool take(const char* name) const { return QFile::exists(file(name)) && QFile::remove(file(name)); }

    void note(const QString& what) const
    {
        QFile events(file("events"));
        if (events.open(QIODevice::WriteOnly | QIODevice::Append))
            events.write(
                QStringLiteral("%1 %2\n").arg(QDateTime::currentSecsSinceEpoch()).arg(what).toUtf8());
    }

    static QWidget* mainWindow()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && qstrcmp(window->metaObject()->className(), "CCPL_ZRQ7Dlg") == 0)
                return window;
        return nullptr;
    }

    static bool linkLostListed(QWidget* main)
    {
        const auto* list = main->findChild<QTableWidget*>(QStringLiteral("id%1").arg(kFaultList));
        for (int row = 0; list && row < list->rowCount(); ++row)
            if (const QTableWidgetItem* first = list->item(row, 0);
                first && first->data(Qt::UserRole).toInt() == kLinkLostFault)
                return true;
        return false;
    }

    static void press(QAbstractButton* button)
    {
        // Queued: a command may open a modal window, which must not run inside this tick.
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    }

    void step()
    {
        QWidget* main = mainWindow();
        if (!main || m_quitting)
            return;
        auto* connectButton = main->findChild<QAbstractButton*>(QStringLiteral("id%1").arg(kConnectButton));
        if (!connectButton)
            return;
        const bool connected = connectButton->text() == QStringLiteral("Odłącz");
        const bool linkLost = linkLostListed(main);
        if (connected != m_connected)
            note(QStringLiteral("connected %1").arg(int(connected)));
        if (linkLost != m_linkLost)
            note(QStringLiteral("linklost %1").arg(int(linkLost)));
        m_connected = connected;
        m_linkLost = linkLost;

        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (now - m_lastBeat >= 1000) {
            m_lastBeat = now;
            QSaveFile beat(file("heartbeat"));
            if (beat.open(QIODevice::WriteOnly)) {
                beat.write(QStringLiteral("%1 %2 connected=%3 linklost=%4\n")
                               .arg(++m_beats)
                               .arg(now / 1000)
                               .arg(int(connected))
                               .arg(int(linkLost))
                               .toUtf8());
                beat.commit();
            }
        }

        if (take("quit")) {
            note(QStringLiteral("quit"));
            m_quitting = true;
            press(main->findChild<QAbstractButton*>(QStringLiteral("id%1").arg(kQuitButton)));
            return;
        }
        if (m_reconnect == Reconnect::Idle && take("reconnect")) {
            note(QStringLiteral("reconnect"));
            m_reconnect = Reconnect::Disconnecting;
            m_lastPress = 0;
        }
        if (!connectButton->isEnabled() || now - m_lastPress < 3000)
            return; // connecting, or a press still on its way
        switch (m_reconnect) {
        case Reconnect::Idle:
            return;
        case Reconnect::Disconnecting:
            if (connected) {
                m_lastPress = now;
                press(connectButton);
            } else {
                m_reconnect = Reconnect::Connecting;
            }
            return;
        case Reconnect::Connecting:
            if (connected) {
                m_reconnect = Reconnect::Idle;
            } else {
                m_lastPress = now;
                press(connectButton);
            }
            return;
        }
    }

    QString m_dir;
    QTimer m_tick;
    bool m_connected = false;
    bool m_linkLost = false;
    bool m_quitting = false;
    Reconnect m_reconnect = Reconnect::Idle;
    qint64 m_lastBeat = 0;
    qint64 m_lastPress = 0;
    quint64 m_beats = 0;
};

// Called while the application object is being built: the operator starts with
// the first event loop.
void startOperator()
{
    QCoreApplication* application = QCoreApplication::instance();
    QMetaObject::invokeMethod(
        application, [application] { new SoakOperator(application); }, Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startOperator)
