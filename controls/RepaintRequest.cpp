// SPDX-License-Identifier: MIT
#include "RepaintRequest.h"

#include <QMetaObject>
#include <QThread>
#include <QWidget>

RepaintRequest::RepaintRequest(QWidget* widget, std::function<void()> onUiThread)
    : m_widget(widget), m_onUiThread(std::move(onUiThread))
{
}

void RepaintRequest::post()
{
    if (QThread::currentThread() == m_widget->thread()) {
        run();
        return;
    }
    if (m_pending.exchange(true))
        return; // one call is already on its way
    QMetaObject::invokeMethod(
        m_widget,
        [this] {
            m_pending.store(false);
            run();
        },
        Qt::QueuedConnection);
}

void RepaintRequest::run()
{
    if (m_onUiThread)
        m_onUiThread();
    m_widget->update();
}
