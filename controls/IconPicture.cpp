// SPDX-License-Identifier: MIT
#include "IconPicture.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <atomic>

namespace {

qint64 nextKey()
{
    static std::atomic<qint64> counter{0};
    return ++counter;
}

QPixmap renderSvg(const QString& path, QSize deviceSize)
{
    QSvgRenderer renderer(path);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio); // a round LED stays round in a wide box
    QPixmap pixmap(deviceSize);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    return pixmap;
}

} // namespace

QString IconPicture::resolve(const QString& name)
{
    if (name.startsWith(u':') || name.startsWith(u'/'))
        return name;
    return QStringLiteral(":/icons/") + name + (name.contains(u'.') ? QString() : QStringLiteral(".svg"));
}

IconPicture IconPicture::fromName(const QString& name, QSize size)
{
    IconPicture icon;
    if (name.isEmpty() || size.isEmpty())
        return icon;
    const QString path = resolve(name);
    if (!QFileInfo::exists(path)) {
        qWarning("icon %s not found", qPrintable(path));
        return icon;
    }
    icon.m_path = path;
    if (!path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        icon.m_source = QPixmap(path);
    icon.m_size = size;
    icon.m_key = nextKey();
    return icon;
}

IconPicture IconPicture::fromPixmap(const QPixmap& pixmap)
{
    IconPicture icon;
    if (pixmap.isNull())
        return icon;
    icon.m_source = pixmap;
    icon.m_size = pixmap.deviceIndependentSize().toSize();
    icon.m_key = nextKey();
    return icon;
}

QPixmap IconPicture::pixmap(qreal dpr, bool disabled) const
{
    if (isNull())
        return {};
    const QSize deviceSize = (QSizeF(m_size) * dpr).toSize();
    QPixmap result;
    if (m_source.isNull())
        result = renderSvg(m_path, deviceSize);
    else if (m_source.size() == deviceSize)
        result = m_source;
    else
        result = m_source.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    result.setDevicePixelRatio(dpr);
    if (disabled) {
        QStyleOption option;
        option.palette = QApplication::palette();
        result = QApplication::style()->generatedIconPixmap(QIcon::Disabled, result, &option);
        result.setDevicePixelRatio(dpr);
    }
    return result;
}
