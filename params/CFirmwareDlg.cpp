// SPDX-License-Identifier: MIT
#include "CFirmwareDlg.h"

#include "DeviceParameterTable.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CFirmwareDlg::CFirmwareDlg(QWidget* parent) : QDialog(parent), m_list(new QComboBox(this))
{
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Wersja ZRQ-7/8"));
    auto* off =
        new QLabel(QStringLiteral("Urządzenie wyłączone.\nFunkcje odczytu/zapisu parametrów z/do urządzenia "
                                  "są niedostępne."),
                   this);
    off->setWordWrap(true);
    auto* choose = new QLabel(
        QStringLiteral("Wybierz wersję oprogramowania ZRQ-7/8.\n\nAby potwierdzić, naciśnij \"OK\"."), this);
    choose->setWordWrap(true);
    m_list->setObjectName(QStringLiteral("id1208"));
    for (int v = zrq7::params::kMinFirmwareVersion; v <= zrq7::params::kMaxFirmwareVersion; ++v)
        m_list->addItem(QString::number(v));
    m_list->setCurrentIndex(m_list->count() - 1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("id1212"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CFirmwareDlg::onOk);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(off);
    layout->addWidget(choose);
    auto* row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    row->addWidget(ok);
    layout->addLayout(row);
    setFixedWidth(300);
}

void CFirmwareDlg::onOk()
{
    if (m_list->currentIndex() < 0) {
        done(Rejected);
        return;
    }
    m_version = m_list->currentText().toInt();
    done(Accepted);
}

void CFirmwareDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
