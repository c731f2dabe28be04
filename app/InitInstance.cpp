// SPDX-License-Identifier: MIT
#include "InitInstance.h"

#include "AppPaths.h"
#include "Autostart.h"
#include "CCPL_ZRQ7App.h"
#include "CInitialDlg.h"
#include "MessageBox.h"
#include "PasswordGate.h"
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

const QString kProgramTitle = QStringLiteral("CPL_ZRQ7");

const QString kUsage = QStringLiteral("Zastosowanie:\r\n"
                                      "     cpl_zrq7.exe [-polecenie]\r\n\r\n"
                                      "Polecenia:\r\n"
                                      "     -copy : pozwala uruchomić kilka kopii programu;\r\n"
                                      "     -debug : aktywuje tryb debugowania;\r\n");

} // namespace

bool InstallPolishTranslation()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool InitInstance(CCPL_ZRQ7App& app, const QStringList& arguments, const std::function<void()>& runMainWindow)
{
    app.bDebugMode = 0;
    bool copiesAllowed = false;
    if (arguments.size() > 1) {
        const QString& option = arguments.at(1);
        if (option == QLatin1String("-copy")) {
            copiesAllowed = true;
        } else if (option == QLatin1String("-debug")) {
            app.bDebugMode = 1;
        } else {
            ShowMessage(nullptr, QMessageBox::Information, kProgramTitle, kUsage);
            return false;
        }
    }

    SingleInstance instance;
    if (instance.acquire() && !copiesAllowed) {
        ShowMessage(nullptr, QMessageBox::Critical, kProgramTitle,
                    QStringLiteral("Wykryto uruchomienie drugiej kopii. Uruchomienie niemożliwe."));
        return false;
    }

    // Failures here are reported by the splash window, which tries again.
    QDir().mkpath(SettingsFolderPath());
    QDir().mkpath(RecordingsFolderPath());

    if (!app.LoadSettings())
        app.ResetSettings();
    ApplyAutostart(app.settings.bStartWithWindows != 0);

    {
        CInitialDlg splash;
        if (splash.exec() != QDialog::Accepted)
            return false;
        // Wrong password or Cancel ends the program without a word.
        if (!PasswordGate(PWD_AT_START))
            return false;
    }

    if (runMainWindow)
        runMainWindow();
    app.m_pMainWnd = nullptr;
    return false; // the lock is released as `instance` goes
}
