// SPDX-License-Identifier: MIT
#include "CHtmlDialog.h"

#include <QIcon>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

CHtmlDialog::CHtmlDialog(const QString& path, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_view(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("id205"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/cpl_zrq7.svg")));
    setWindowTitle(QStringLiteral("Podgląd dziennika zdarzeń awaryjnych [ %1 ]").arg(path));
    m_view->setObjectName(QStringLiteral("id59648"));
    m_view->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setSource(QUrl::fromLocalFile(path), QTextDocument::HtmlResource);
    resize(785, 485); // 523 × 298 dialog units
}
