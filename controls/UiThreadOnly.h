// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QThread>

// The display controls belong to the user-interface thread, setters included:
// a worker hands its values to that thread (the poll through its display
// queue) and the window sets them there. Debug builds stop at a call from
// another thread; release builds check nothing.
inline void assertUiThread([[maybe_unused]] const QObject* control)
{
    Q_ASSERT_X(QThread::currentThread() == control->thread(), "display control",
               "used off the user-interface thread");
}
