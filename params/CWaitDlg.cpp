// SPDX-License-Identifier: MIT
#include "CWaitDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

CWaitDlg::CWaitDlg(QWidget* parent, const QString& caption, const QString& text) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(caption);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("id1223"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 12, 24, 12);
    layout->setSpacing(12);
    layout->addWidget(icon);
    layout->addWidget(label);
}
