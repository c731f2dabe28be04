// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

// Answers every message box that comes up (Yes where offered, else OK) and
// keeps "caption|text" of each.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen << box->windowTitle() + QLatin1Char('|') + box->text();
            onTop << box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        });
        m_poll.start(5);
    }
    QStringList seen;
    QList<bool> onTop; // whether each box was kept on top of other windows

private:
    QTimer m_poll;
};
