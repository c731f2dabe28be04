// SPDX-License-Identifier: MIT
#include "CIconButton.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

CIconButton::CIconButton(QWidget* parent) : QAbstractButton(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
}

void CIconButton::SetIcons(const QString& normalName, int width, int height, const QString& pressedName,
                           int pressedWidth, int pressedHeight)
{
    m_normal = IconPicture::fromName(normalName, QSize(width, height));
    m_pressed = IconPicture();
    if (!m_normal.isNull() && !pressedName.isEmpty())
        m_pressed = IconPicture::fromName(pressedName, QSize(pressedWidth, pressedHeight));
    updateGeometry();
    update();
}

void CIconButton::SetBkColor(const QColor& color)
{
    if (color == m_background)
        return;
    m_background = color;
    update();
}

void CIconButton::SetCursorId(const QCursor& cursor)
{
    setCursor(cursor);
}

void CIconButton::SetTooltip(const QString& text, bool activate)
{
    if (!text.isEmpty())
        m_tooltip = text;
    setToolTip(activate ? m_tooltip : QString());
}

CIconButton::Look CIconButton::look() const
{
    if (isDown())
        return Look::Pressed;
    return m_hover ? Look::Hover : Look::Normal;
}

QPoint CIconButton::iconOrigin(QSize client, QSize icon, Look look)
{
    const int shift = look == Look::Pressed ? 2 : look == Look::Hover ? -2 : 0;
    return {(client.width() - icon.width() + shift) / 2, (client.height() - icon.height() + shift) / 2};
}

QSize CIconButton::sizeHint() const
{
    const QSize icon = m_normal.size().expandedTo(m_pressed.size());
    return (icon.isEmpty() ? QSize(32, 32) : icon) + QSize(8, 8);
}

void CIconButton::paintEvent(QPaintEvent*)
{
    const Look current = look();
    const IconPicture& icon = current == Look::Pressed && !m_pressed.isNull() ? m_pressed : m_normal;
    const Key key{icon.cacheKey(), current, !isEnabled(), hasFocus(), m_background};
    const qreal dpr = devicePixelRatioF();
    const QPixmap& picture = m_cache.picture(key, size(), dpr, [&](QPainter& painter) {
        painter.fillRect(rect(), m_background);
        if (!icon.isNull())
            painter.drawPixmap(iconOrigin(size(), icon.size(), current), icon.pixmap(dpr, key.disabled));
        if (key.focus) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = rect().adjusted(1, 1, -1, -1);
            option.backgroundColor = m_background;
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    });
    QPainter(this).drawPixmap(0, 0, picture);
}

void CIconButton::enterEvent(QEnterEvent* event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CIconButton::leaveEvent(QEvent* event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CIconButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}
