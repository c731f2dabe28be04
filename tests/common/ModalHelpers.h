// SPDX-License-Identifier: MIT
#pragma once

// Helpers for driving the program's modal windows from a test: the code under
// test is inside the window's exec() while a timer of the test's answers it.

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

// Runs `action` as soon as a modal window of type T is up: on the first one
// only, or on each new window while this lives (a window is marked once
// answered, as its answer may be queued). `seen` tells whether one came up,
// `count` how many.
template <typename T = QWidget> class WhenModal : public QObject
{
public:
    enum Repeat { FirstOnly, EachWindow };

    explicit WhenModal(std::function<void(T*)> action, Repeat repeat = FirstOnly)
        : m_action(std::move(action))
    {
        connect(&m_poll, &QTimer::timeout, this, [this, repeat] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* window = qobject_cast<T*>(modal);
            if (!window || !modal->isVisible())
                return;
            if (repeat == FirstOnly) {
                m_poll.stop();
            } else {
                if (modal->property("answeredByTest").toBool())
                    return;
                modal->setProperty("answeredByTest", true);
            }
            seen = true;
            ++count;
            m_action(window);
        });
        m_poll.start(5);
    }
    bool seen = false;
    int count = 0;

private:
    QTimer m_poll;
    std::function<void(T*)> m_action;
};

// Answers every message box that comes up while it lives and keeps what each
// said. `choose` gets "caption|text" (LF line ends) and names the button; a
// button the box does not have, or none named, takes the box's default.
class MessageBoxAnswerer : public QObject
{
public:
    using Choice = std::function<QMessageBox::StandardButton(const QString& message)>;

    explicit MessageBoxAnswerer(Choice choose = {})
        : m_boxes(
              [this, choose = std::move(choose)](QMessageBox* box) {
                  const QString message = box->windowTitle() + u'|' + box->text();
                  seen.append(message);
                  icons.append(box->icon());
                  onTop.append(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
                  const QMessageBox::StandardButton named = choose ? choose(message) : QMessageBox::NoButton;
                  QAbstractButton* target = box->button(named);
                  if (!target)
                      target = box->defaultButton();
                  // Queued: the box may still be finishing its own show when the timer finds it.
                  QPointer<QAbstractButton> guarded(target);
                  QTimer::singleShot(0, box, [guarded] {
                      if (guarded)
                          guarded->click();
                  });
              },
              WhenModal<QMessageBox>::EachWindow)
    {
    }
    // Every box answered with `button` where it has one.
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button)
        : MessageBoxAnswerer([button](const QString&) { return button; })
    {
    }

    QStringList seen;               // "caption|text" of each box, in order
    QList<QMessageBox::Icon> icons; // of each box in `seen`
    QList<bool> onTop;              // whether each box was kept on top of other windows

private:
    WhenModal<QMessageBox> m_boxes;
};

// An operator who answers the boxes whose "caption|text" begins with `prefix`
// with `button`, and every other box with its default.
inline MessageBoxAnswerer::Choice answering(const QString& prefix, QMessageBox::StandardButton button)
{
    return [prefix, button](const QString& message) {
        return message.startsWith(prefix) ? button : QMessageBox::NoButton;
    };
}

// While it lives, the program's message boxes come up to be answered instead
// of going to the ZRQ7_MESSAGE_LOG file with their default answer.
class MessageBoxesShown
{
public:
    MessageBoxesShown() : m_log(qgetenv("ZRQ7_MESSAGE_LOG")) { qunsetenv("ZRQ7_MESSAGE_LOG"); }
    ~MessageBoxesShown()
    {
        if (!m_log.isEmpty())
            qputenv("ZRQ7_MESSAGE_LOG", m_log);
    }
    MessageBoxesShown(const MessageBoxesShown&) = delete;
    MessageBoxesShown& operator=(const MessageBoxesShown&) = delete;

private:
    QByteArray m_log;
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
