// SPDX-License-Identifier: MIT
#pragma once

#include "ColorRef.h"
#include "RenderCache.h"
#include "RepaintRequest.h"

#include <QLabel>
#include <mutex>

// Read-out label with its own text and background colours and font. The text
// is centred horizontally and starts at the top; "\r\n" or "\n" break lines.
// SetText and SetColors may be called from any thread (see RepaintRequest.h);
// the font setters belong to the UI thread.
class CXLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CXLabel(QWidget* parent = nullptr);
    explicit CXLabel(const QString& text, QWidget* parent = nullptr);

    // Any thread. On the UI thread the text shows at once; from a worker it
    // reaches QLabel::text() and the screen when the UI thread next runs.
    void SetText(const QString& text);
    // The latest text given to SetText.
    QString Text() const;

    // Any thread. An invalid colour means the palette's (window text on window).
    void SetColors(const QColor& text, const QColor& background);
    void SetColors(ColorRef text, ColorRef background)
    {
        SetColors(colorFromRef(text), colorFromRef(background));
    }

    void SetBold(bool bold);
    void SetFontSize(int points);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Look
    {
        QString text;
        QColor foreground;
        QColor background;
        QString font;
        bool operator==(const Look&) const = default;
    };
    Look currentLook() const;

    mutable std::mutex m_mutex; // guards the three fields below
    QString m_text;             // latest text asked for, possibly not yet drawn
    QColor m_foreground;
    QColor m_background;
    RenderCache<Look> m_cache;
    RepaintRequest m_repaint;
};
