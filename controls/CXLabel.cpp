// SPDX-License-Identifier: MIT
#include "CXLabel.h"

#include <QPainter>

CXLabel::CXLabel(QWidget* parent) : CXLabel(QString(), parent) {}

CXLabel::CXLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent), m_text(text), m_repaint(this, [this] {
          // The drawn text is the base class's, which only the UI thread may set.
          const QString latest = Text();
          if (latest != QLabel::text())
              QLabel::setText(latest);
      })
{
}

void CXLabel::SetText(const QString& text)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_text == text)
            return;
        m_text = text;
    }
    m_repaint.post();
}

QString CXLabel::Text() const
{
    std::lock_guard lock(m_mutex);
    return m_text;
}

void CXLabel::SetColors(const QColor& text, const QColor& background)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_foreground == text && m_background == background)
            return;
        m_foreground = text;
        m_background = background;
    }
    m_repaint.post();
}

void CXLabel::SetBold(bool bold)
{
    QFont changed = font();
    changed.setWeight(bold ? QFont::Bold : QFont::Normal);
    setFont(changed);
}

void CXLabel::SetFontSize(int points)
{
    QFont changed = font();
    changed.setPointSize(points);
    setFont(changed);
}

CXLabel::Look CXLabel::currentLook() const
{
    std::lock_guard lock(m_mutex);
    Look look{QLabel::text(), m_foreground, m_background, font().toString()};
    look.text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!look.foreground.isValid())
        look.foreground = palette().color(QPalette::WindowText);
    if (!look.background.isValid())
        look.background = palette().color(QPalette::Window);
    return look;
}

void CXLabel::paintEvent(QPaintEvent*)
{
    const Look look = currentLook();
    const QPixmap& picture = m_cache.picture(look, size(), devicePixelRatioF(), [&](QPainter& painter) {
        painter.fillRect(rect(), look.background);
        painter.setFont(font());
        painter.setPen(look.foreground);
        painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignTop, look.text);
    });
    QPainter(this).drawPixmap(0, 0, picture);
}
