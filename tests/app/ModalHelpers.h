// SPDX-License-Identifier: MIT
#pragma once

// Helpers for driving the program's modal windows from a test.

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QtTest>
#include <functional>

// Runs `action` once, as soon as a modal window of type T is up (the code
// under test is then inside its exec()); `seen` tells whether it came up.
template <typename T> class WhenModal : public QObject
{
public:
    explicit WhenModal(std::function<void(T*)> action) : m_action(std::move(action))
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
                m_poll.stop();
                seen = true;
                m_action(window);
            }
        });
        m_poll.start(10);
    }
    bool seen = false;

private:
    QTimer m_poll;
    std::function<void(T*)> m_action;
};

// Types like a keyboard, Polish letters included (keyClicks knows only ASCII).
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The lines the program wrote to ZRQ7_MESSAGE_LOG so far; the log is emptied.
inline QStringList takeMessages(const QString& path)
{
    QFile log(path);
    QStringList lines;
    if (log.open(QIODevice::ReadOnly))
        lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    log.remove();
    return lines;
}
