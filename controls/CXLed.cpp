// SPDX-License-Identifier: MIT
#include "CXLed.h"

#include "UiThreadOnly.h"

#include <QPainter>
#include <QTimerEvent>
#include <algorithm>

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
        m_state = Off;
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
        m_state = Off;
    updateGeometry();
    update();
}

void CXLed::SetState(int state)
{
    assertUiThread(this);
    if (m_state == state)
        return;
    m_state = state;
    followState();
    notifyAccessible(this, QAccessible::NameChanged);
    update();
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
    if (m_state != Off)
        advanceClockBy(1);
}

void CXLed::advanceClockBy(int ticks)
{
    const bool wasOn = showsOn();
    for (int i = 0; i < ticks; ++i)
        m_clock.tick();
    if (showsOn() != wasOn)
        update();
}

void CXLed::followState()
{
    // The clock ticks every 100 ms, but the timer wakes the LED only when its
    // icon changes (twice a second blinking or flashing) and then moves the
    // clock on by the ticks that passed. A new state first brings the clock up
    // to date. A tick changes nothing while the state is 0 (the clock holds),
    // so the timer rests then; it resumes with the clock where it stood.
    if (m_timer.isActive()) {
        m_timer.stop();
        advanceClockBy(std::min(int(m_sinceTimerStart.elapsed() / blinkIntervalMs), m_timerTicks));
    }
    if (!m_blinkEnabled || m_state == Off)
        return;
    m_timerTicks = m_clock.ticksToChange(m_state);
    if (m_timerTicks == 0)
        return;
    m_timer.start(m_timerTicks * blinkIntervalMs, this);
    m_sinceTimerStart.start();
}

bool CXLed::showsOn() const
{
    return ledShowsOn(m_state, m_clock.blinkPhase, m_clock.flashPhase);
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
    if (event->timerId() == m_timer.timerId()) {
        m_timer.stop();
        advanceClockBy(m_timerTicks);
        followState();
    } else
        QWidget::timerEvent(event);
}
