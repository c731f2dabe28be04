// SPDX-License-Identifier: MIT
#include "CXLed.h"

#include <QPainter>
#include <QTimerEvent>

CXLed::CXLed(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    installControlAccessibility();
}

void CXLed::SetIcons(const QString& onName, int onWidth, int onHeight, const QString& offName, int offWidth,
                     int offHeight)
{
    m_on = IconPicture::fromName(onName, QSize(onWidth, onHeight));
    m_off = IconPicture();
    if (!offName.isEmpty()) {
        m_state.store(Off);
        m_off = IconPicture::fromName(offName, QSize(offWidth, offHeight));
    }
    updateGeometry();
    update();
}

void CXLed::SetIconHandles(const QPixmap& on, const QPixmap& off)
{
    m_on = IconPicture::fromPixmap(on);
    m_off = IconPicture::fromPixmap(off);
    if (!off.isNull())
        m_state.store(Off);
    updateGeometry();
    update();
}

void CXLed::SetState(int state)
{
    if (m_state.exchange(state) == state)
        return;
    m_repaint.post();
}

void CXLed::SetBlink(bool enable)
{
    m_clock.blinkPhase = false;
    m_blinkEnabled = enable;
    followState();
    update();
    notifyAccessible(this, QAccessible::NameChanged);
}

void CXLed::advanceClock()
{
    if (m_state.load() == Off)
        return;
    const bool wasOn = showsOn();
    m_clock.tick();
    if (showsOn() != wasOn)
        update();
}

void CXLed::followState()
{
    // A tick changes nothing while the state is 0 (the clock holds), so the
    // timer may rest then; it resumes with the clock where it stood.
    if (m_blinkEnabled && m_state.load() != Off) {
        if (!m_timer.isActive())
            m_timer.start(blinkIntervalMs, this);
    } else {
        m_timer.stop();
    }
}

bool CXLed::showsOn() const
{
    return ledShowsOn(m_state.load(), m_clock.blinkPhase, m_clock.flashPhase);
}

QSize CXLed::sizeHint() const
{
    const QSize size = m_on.size().expandedTo(m_off.size());
    return size.isEmpty() ? QSize(16, 16) : size;
}

void CXLed::paintEvent(QPaintEvent*)
{
    const IconPicture& icon = showsOn() ? m_on : m_off;
    const QPixmap& picture =
        m_cache.picture(Look{icon.cacheKey()}, size(), devicePixelRatioF(), [&](QPainter& painter) {
            if (!icon.isNull())
                painter.drawPixmap(0, 0, icon.pixmap(devicePixelRatioF()));
        });
    QPainter(this).drawPixmap(0, 0, picture);
}

void CXLed::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        advanceClock();
    else
        QWidget::timerEvent(event);
}
