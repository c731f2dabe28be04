// SPDX-License-Identifier: MIT
#pragma once

#include <QPainter>
#include <QPixmap>

// The last rendered picture of a control, kept until what it was drawn from
// changes. Key is a value type with == holding everything the picture depends
// on; size and device pixel ratio are compared as well, so a resize or a move
// to another screen draws afresh. UI thread only.
template <typename Key> class RenderCache
{
public:
    // Returns the picture for key, calling render(QPainter&) in logical
    // coordinates on a transparent pixmap when it has to be drawn again.
    template <typename Render> const QPixmap& picture(const Key& key, QSize size, qreal dpr, Render&& render)
    {
        if (!m_valid || !(key == m_key) || size != m_size || dpr != m_dpr) {
            if (m_pixmap.isNull() || size != m_size || dpr != m_dpr) {
                m_pixmap = QPixmap((QSizeF(size) * dpr).toSize());
                m_pixmap.setDevicePixelRatio(dpr);
            }
            m_pixmap.fill(Qt::transparent);
            if (!size.isEmpty()) {
                QPainter painter(&m_pixmap);
                render(painter);
            }
            m_key = key;
            m_size = size;
            m_dpr = dpr;
            m_valid = true;
        }
        return m_pixmap;
    }

    void invalidate() { m_valid = false; }

private:
    QPixmap m_pixmap;
    Key m_key{};
    QSize m_size;
    qreal m_dpr = 0;
    bool m_valid = false;
};
