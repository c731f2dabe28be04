// SPDX-License-Identifier: MIT
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// One icon of a control at the size the control draws it. It comes either
// from the program's icons (":/icons/<name>.svg", or any path) or from a
// picture already loaded. SVG icons are rendered anew for each device pixel
// ratio so they stay sharp on HiDPI screens.
class IconPicture
{
public:
    IconPicture() = default;

    // name: "led_red_on" (looked up as :/icons/led_red_on.svg), ":/icons/x.png" or
    // a file path. An empty name, or one that names no file, gives a null icon.
    static IconPicture fromName(const QString& name, QSize size);
    // Size is the picture's own size in device-independent pixels.
    static IconPicture fromPixmap(const QPixmap& pixmap);

    // ":/icons/<name>.svg" for a bare name, the name itself otherwise.
    static QString resolve(const QString& name);

    bool isNull() const { return m_size.isEmpty(); }
    QSize size() const { return m_size; }

    // The picture at its size for the given ratio; greyed when disabled.
    QPixmap pixmap(qreal dpr, bool disabled = false) const;

    // Identifies the picture for render caches.
    qint64 cacheKey() const { return m_key; }

private:
    QString m_path;
    QPixmap m_source;
    QSize m_size;
    qint64 m_key = 0;
};
