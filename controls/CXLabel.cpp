// SPDX-License-Identifier: MIT
#include "CXLabel.h"

#include "ControlAccessibility.h"
#include "UiThreadOnly.h"

#include <QAccessible>
#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace {

// Room either side of the widest text, so centred read-outs never touch.
constexpr int sidePadding = 2;

QString withNewlines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

CXLabel::CXLabel(QWidget* parent) : CXLabel(QString(), parent) {}

CXLabel::CXLabel(const QString& text, QWidget* parent) : QWidget(parent), m_text(text), m_reserved{text}
{
    // The picture covers every pixel, so nothing beneath is painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    installControlAccessibility();
}

void CXLabel::SetText(const QString& text)
{
    assertUiThread(this);
    if (m_text == text)
        return;
    m_text = text;
    // The one case that lays the window out again: a text that does not fit.
    if (!fitsReservedSize(text))
        ReserveText(text);
    notifyAccessible(this, QAccessible::NameChanged);
    update();
}

void CXLabel::SetColors(const QColor& text, const QColor& background)
{
    assertUiThread(this);
    if (m_foreground == text && m_background == background)
        return;
    m_foreground = text;
    m_background = background;
    update();
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

void CXLabel::ReserveText(const QString& widest)
{
    m_reserved << widest;
    m_hint = QSize();
    updateGeometry();
}

QSize CXLabel::textSize(const QString& text) const
{
    return fontMetrics().boundingRect(QRect(), Qt::AlignHCenter | Qt::AlignTop, withNewlines(text)).size() +
           QSize(2 * sidePadding, 0);
}

// A read-out's values differ mostly in their digits. With every digit replaced
// by the font's widest, texts of one form share one measurement: once such a
// form fits, the values written in it fit without being shaped again.
QString CXLabel::widestShape(const QString& text) const
{
    if (m_widestDigit.isNull()) {
        const QFontMetrics metrics = fontMetrics();
        m_widestDigit = QLatin1Char('0');
        for (char digit = '1'; digit <= '9'; ++digit)
            if (metrics.horizontalAdvance(QLatin1Char(digit)) > metrics.horizontalAdvance(m_widestDigit))
                m_widestDigit = QLatin1Char(digit);
    }
    QString shape = text;
    for (QChar& c : shape)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = m_widestDigit;
    return shape;
}

bool CXLabel::fitsReservedSize(const QString& text) const
{
    const QString shape = widestShape(text);
    if (m_fittingShapes.contains(shape))
        return true;
    if (measuredFits(shape)) {
        if (m_fittingShapes.size() >= 64) // a label that shows free text: keep the set small
            m_fittingShapes.clear();
        m_fittingShapes.insert(shape);
        return true;
    }
    return measuredFits(text);
}

bool CXLabel::measuredFits(const QString& text) const
{
    // Line by line: cheaper than laying the whole text out.
    const QFontMetrics metrics = fontMetrics();
    const QStringList lines = withNewlines(text).split(QLatin1Char('\n'));
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QSize room = sizeHint();
    return widest + 2 * sidePadding <= room.width() && lines.size() * metrics.height() <= room.height();
}

QSize CXLabel::sizeHint() const
{
    if (m_hint.isEmpty()) {
        m_hint = QSize(0, 0);
        for (const QString& text : m_reserved)
            m_hint = m_hint.expandedTo(textSize(text));
    }
    return m_hint;
}

QSize CXLabel::minimumSizeHint() const
{
    return sizeHint();
}

void CXLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_hint = QSize();
        m_widestDigit = QChar();
        m_fittingShapes.clear();
        m_cache.invalidate();
    }
    QWidget::changeEvent(event);
}

CXLabel::Look CXLabel::currentLook() const
{
    Look look{withNewlines(m_text), m_foreground, m_background};
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
