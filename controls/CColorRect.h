// SPDX-License-Identifier: MIT
#pragma once

#include "ColorRef.h"

#include <QWidget>

// Colour swatch: the colour filled into a sunken frame. ChooseColor() lets the
// operator pick a new one. UI thread only.
class CColorRect : public QWidget
{
    Q_OBJECT
public:
    explicit CColorRect(QWidget* parent = nullptr);

    QColor GetColor() const { return m_color; }
    ColorRef GetColorRef() const { return colorRefFrom(m_color); }
    void SetColor(const QColor& color);
    void SetColor(ColorRef color) { SetColor(colorFromRef(color)); }

    // Opens the colour chooser on the current colour; true (and the new
    // colour stored) when the operator confirmed, false when cancelled.
    bool ChooseColor();

    QSize sizeHint() const override;

signals:
    void colorChanged(const QColor& color);
    // Owners that open the chooser on a double click connect here.
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QColor m_color{Qt::black};
};
