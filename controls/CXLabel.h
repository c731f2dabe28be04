// SPDX-License-Identifier: MIT
#pragma once

#include "ColorRef.h"
#include "RenderCache.h"

#include <QSet>
#include <QWidget>

// Read-out label with its own text and background colours and font. The text
// is centred horizontally and starts at the top; "\r\n" or "\n" break lines.
// UI thread only, like every display control (see UiThreadOnly.h).
//
// A new text repaints the label alone: its size hint comes from the widest text
// it is meant to show (ReserveText), not from the text of the moment, so a value
// that changes never makes its window lay itself out again. Only a text wider
// than anything reserved widens the label, once. Screen readers read the current
// text as the label's accessible name.
class CXLabel : public QWidget
{
    Q_OBJECT
public:
    explicit CXLabel(QWidget* parent = nullptr);
    explicit CXLabel(const QString& text, QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const { return m_text; }

    // An invalid colour means the palette's (window text on window).
    void SetColors(const QColor& text, const QColor& background);
    void SetColors(ColorRef text, ColorRef background)
    {
        SetColors(colorFromRef(text), colorFromRef(background));
    }

    void SetBold(bool bold);
    void SetFontSize(int points);

    // Makes room for `widest` (one or more lines) besides the texts already
    // reserved; the initial text is always reserved.
    void ReserveText(const QString& widest);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Look
    {
        QString text;
        QColor foreground;
        QColor background;
        bool operator==(const Look&) const = default; // a new font drops the cache
    };
    Look currentLook() const;
    QSize textSize(const QString& text) const;
    bool fitsReservedSize(const QString& text) const;
    bool measuredFits(const QString& text) const;
    QString widestShape(const QString& text) const;

    QString m_text;
    QColor m_foreground;
    QColor m_background;

    QStringList m_reserved;                // texts the size hint makes room for
    mutable QSize m_hint;                  // from m_reserved in the current font; empty: to compute
    mutable QChar m_widestDigit;           // in the current font; null: to find
    mutable QSet<QString> m_fittingShapes; // widest shapes known to fit, in the current font
    RenderCache<Look> m_cache;
};
