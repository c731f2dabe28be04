// SPDX-License-Identifier: MIT
// cpl_zrq7: the control panel for one ZRQ-7/8 motor-protection relay.
//
// Test hooks (environment): ZRQ7_MESSAGE_LOG=<file> writes every message box
// and every shown window to <file> instead of waiting for the operator
// (MessageBox.h); ZRQ7_SPLASH_MS=<ms> shortens the splash window's 3 s.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "InitInstance.h"
#include "MessageBox.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    // QApplication takes its own options (-platform, -style, ...) out of the
    // arguments; the program's options are looked for in what is left.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("CPL_ZRQ7"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/cpl_zrq7.svg")));
    InstallPolishTranslation();
    LogShownWindows();

    InitInstance(theApp(), QApplication::arguments(), [] {
        CCPL_ZRQ7Dlg mainWindow;
        theApp().m_pMainWnd = &mainWindow;
        mainWindow.exec();
    });
    return 0;
}
