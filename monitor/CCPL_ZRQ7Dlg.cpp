// SPDX-License-Identifier: MIT
#include "CCPL_ZRQ7Dlg.h"

#include "CCPL_ZRQ7App.h"
#include "CSettingsDlg.h"
#include "PasswordGate.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A window that opens another first looks for it: an open top-level dialog
// with that exact title is restored and brought to the front instead.
bool bringToFront(const QString& title)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QDialog*>(window) && window->isVisible() && window->windowTitle() == title) {
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            window->raise();
            window->activateWindow();
            return true;
        }
    }
    return false;
}

QPushButton* commandButton(const QString& text, int id, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CCPL_ZRQ7Dlg::CCPL_ZRQ7Dlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("CPL_ZRQ7"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    QPushButton* settings = commandButton(QStringLiteral("Ustawienia"), 1000, this);
    QPushButton* quit = commandButton(QStringLiteral("Zakończ"), 1080, this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(settings);
    buttons->addStretch();
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(800, 500);

    connect(settings, &QPushButton::clicked, this, &CCPL_ZRQ7Dlg::OnSettings);
    connect(quit, &QPushButton::clicked, this, &CCPL_ZRQ7Dlg::closeSequence);
    applyAlwaysOnTop();
}

void CCPL_ZRQ7Dlg::OnSettings()
{
    if (bringToFront(QStringLiteral("Ustawienia")))
        return;
    if (!PasswordGate(PWD_SETTINGS))
        return;
    {
        CSettingsDlg dialog(this);
        dialog.exec();
    }
    applyAlwaysOnTop();
}

void CCPL_ZRQ7Dlg::applyAlwaysOnTop()
{
    const bool onTop = theApp().settings.bAlwaysOnTop != 0;
    if (testAttribute(Qt::WA_WState_Created) && bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible)
        show(); // changing window flags hides a window
}

void CCPL_ZRQ7Dlg::closeSequence()
{
    QDialog::done(Accepted);
}

void CCPL_ZRQ7Dlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    closeSequence();
}
