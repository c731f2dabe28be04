// SPDX-License-Identifier: MIT
#include "CAboutDlg.h"

#include "CCPL_ZRQ7App.h"
#include "CXLed.h"
#include "ColorRef.h"
#include "HelpFile.h"
#include "MessageBox.h"
#include "ProgramIdentity.h"
#include "ZRQ7DLL.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QUrl>
#include <QVBoxLayout>

namespace {
template <typename T> T* withId(T* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("O programie CPL_ZRQ7"));
    // The box's own colours, as the main window's, on a page that fills the box.
    auto* page = new QWidget(this);
    const ProgramSettings& s = theApp().settings;
    if (s.nInterfaceStyle == 1) {
        QPalette p = page->palette();
        p.setColor(QPalette::Window, colorFromRef(s.crBackground));
        p.setColor(QPalette::WindowText, colorFromRef(s.crText));
        page->setPalette(p);
        page->setAutoFillBackground(true);
    }
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(page);

    auto* picture = withId(new QLabel(page), 1156);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/cpl_zrq7.svg")).pixmap(96, 96));
    auto* heading = withId(new QLabel(QStringLiteral("CPL_ZRQ7\nPanel sterowania ZRQ-7/8"), page), 1157);
    QFont headingFont = heading->font();
    headingFont.setPointSize(12);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    auto* firmware = withId(
        new QLabel(QString::asprintf("Wersja firmware od %d do %d", int(dll_nVerMinor), int(dll_nVerMajor)),
                   page),
        1195);
    auto* version =
        withId(new QLabel(QString::asprintf("Wersja programu %d.%d", programidentity::versionMajor(),
                                            programidentity::versionMinor()),
                          page),
               1178);
    const QString address = programidentity::makerWebAddress();
    auto* link = withId(new QLabel(QStringLiteral("<a href=\"https://%1\">%1</a>").arg(address), page), 1163);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this,
            [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });

    auto* lamps = new QHBoxLayout;
    for (int id : {1165, 1167}) {
        auto* lamp = withId(new CXLed(page), id);
        lamp->SetIcons(QStringLiteral("protection_on"), 48, 48, QString(), 0, 0);
        lamp->SetState(CXLed::On);
        lamps->addWidget(lamp);
    }
    lamps->addStretch();

    auto* help = withId(new QPushButton(QStringLiteral("Pomoc"), page), 1158);
    auto* system = withId(new QPushButton(QStringLiteral("Informacje systemowe"), page), 1160);
    auto* ok = withId(new QPushButton(QStringLiteral("OK"), page), 1);
    ok->setDefault(true);
    for (QPushButton* b : {help, system})
        b->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, [] { OpenHelpFile(); });
    connect(system, &QPushButton::clicked, this, &CAboutDlg::showSystemInformation);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(heading);
    texts->addSpacing(8);
    texts->addWidget(version);
    texts->addWidget(firmware);
    texts->addWidget(link);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addWidget(system);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addLayout(lamps);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

void CAboutDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        OpenHelpFile();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CAboutDlg::showSystemInformation()
{
    // The desktop has no common system information program; the essentials are
    // shown here instead.
    const QString text = QStringLiteral("System: %1\nJądro: %2 %3\nArchitektura: %4\nKomputer: %5\nQt: %6")
                             .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(),
                                  QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture(),
                                  QSysInfo::machineHostName(), QString::fromLatin1(qVersion()));
    ShowMessage(this, QMessageBox::Information, QStringLiteral("Informacje systemowe"), text);
}
