// SPDX-License-Identifier: MIT
#include "PasswordGate.h"

#include "CCPL_ZRQ7App.h"
#include "CPasswordDlg.h"
#include "MessageBox.h"
#include "ProgramSettings.h"

bool PasswordGate(int32_t flag, const ProgramSettings& settings)
{
    if (settings.bPasswordProtection == 0 || (settings.nPasswordFlags & flag) == 0)
        return true;
    CPasswordDlg dialog(CPasswordDlg::EnterPassword);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return dialog.password() == SettingsText(settings.szPassword);
}

bool PasswordGate(int32_t flag)
{
    return PasswordGate(flag, theApp().settings);
}

bool ChangePassword(QWidget* owner, ProgramSettings& settings)
{
    CPasswordDlg dialog(CPasswordDlg::NewPassword, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString password = dialog.password();
    if (password.size() > 255) {
        ShowMessage(owner, QMessageBox::Warning, QStringLiteral("Błędne hasło"),
                    QStringLiteral("Nie można zapisać nowego hasła."));
        return false;
    }
    return SetSettingsText(settings.szPassword, password);
}
