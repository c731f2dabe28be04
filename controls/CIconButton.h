// SPDX-License-Identifier: MIT
#pragma once

#include "ColorRef.h"
#include "IconPicture.h"
#include "RenderCache.h"

#include <QAbstractButton>

// Button drawn as an icon on a plain background. Under the mouse the icon
// moves one pixel up-left, while pressed one pixel down-right (showing the
// pressed icon when it has one); a disabled button shows its icon greyed.
// Clicks work as for any button (clicked()). UI thread only.
class CIconButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum class Look { Normal, Hover, Pressed };

    explicit CIconButton(QWidget* parent = nullptr);

    // Icons by name (see IconPicture::fromName). An empty normal name loads
    // none; the pressed icon is loaded only together with a normal one.
    void SetIcons(const QString& normalName, int width, int height, const QString& pressedName = {},
                  int pressedWidth = 0, int pressedHeight = 0);
    void SetBkColor(const QColor& color);
    void SetBkColor(ColorRef color) { SetBkColor(colorFromRef(color)); }
    void SetCursorId(const QCursor& cursor);
    // Stores the text unless it is empty, and shows it as the tooltip when
    // activate is set (no tooltip otherwise).
    void SetTooltip(const QString& text, bool activate = true);

    Look look() const;

    // Top-left corner of an icon of size `icon` in a button of size `client`:
    // centred, with the hover and pressed offsets (halves truncated toward 0).
    static QPoint iconOrigin(QSize client, QSize icon, Look look);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Key
    {
        qint64 icon = 0;
        Look look = Look::Normal;
        bool disabled = false;
        bool focus = false;
        QColor background;
        bool operator==(const Key&) const = default;
    };

    IconPicture m_normal;
    IconPicture m_pressed;
    QColor m_background{255, 255, 255};
    QString m_tooltip;
    bool m_hover = false;
    RenderCache<Key> m_cache;
};
