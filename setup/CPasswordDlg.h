// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

// "Wprowadzenie hasła": asks for the password (EnterPassword) or for a new one
// (NewPassword: at least 8 characters, typed twice unless shown in clear).
// Controls: id1050 label, id1044 password, id1052 "Powtórz:", id1048 repeat,
// id1046 "Wyświetlaj znaki podczas wpisywania", id1 "Zapisz", id2 "Anuluj".
class CPasswordDlg : public QDialog
{
    Q_OBJECT
public:
    enum Mode { EnterPassword = 0, NewPassword = 1 };

    explicit CPasswordDlg(int mode, QWidget* parent = nullptr);

    // The text entered (empty after Cancel).
    QString password() const { return m_password; }

    void accept() override; // "Zapisz" (also Enter)
    void reject() override; // "Anuluj" (also Esc and closing)

private:
    void readControls();
    void showCharactersClicked();

    int m_mode;
    QString m_password;
    QString m_repeated;
    QLabel* m_label = nullptr;
    QLabel* m_repeatLabel = nullptr;
    QLineEdit* m_passwordEdit = nullptr;
    QLineEdit* m_repeatEdit = nullptr;
    QCheckBox* m_showCharacters = nullptr;
};
