// SPDX-License-Identifier: MIT
#include "CColorRect.h"

#include "SunkenEdge.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

CColorRect::CColorRect(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CColorRect::SetColor(const QColor& color)
{
    const QColor opaque = color.toRgb();
    if (opaque == m_color)
        return;
    m_color = opaque;
    update();
    emit colorChanged(m_color);
}

bool CColorRect::ChooseColor()
{
    QColorDialog dialog(m_color, this);
    dialog.setWindowTitle(tr("Kolor"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    SetColor(dialog.selectedColor());
    return true;
}

QSize CColorRect::sizeHint() const
{
    return {48, 20};
}

void CColorRect::paintEvent(QPaintEvent*)
{
    // Two flat fills: cheap enough that a cached picture would not pay off.
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
    drawSunkenEdge(painter, rect(), palette());
}

void CColorRect::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}
