// SPDX-License-Identifier: MIT
#include "CPasswordDlg.h"

#include "MessageBox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMaxPasswordLength = 255;
const QString kCaption = QStringLiteral("Wprowadzenie hasła");

// Masked fields show '*' for every character, whatever the desktop style uses.
class AsteriskMaskStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QLineEdit* passwordEdit(const QString& objectName, QStyle* style, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setMaxLength(kMaxPasswordLength);
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

} // namespace

CPasswordDlg::CPasswordDlg(int mode, QWidget* parent) : QDialog(parent), m_mode(mode)
{
    setWindowTitle(kCaption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* maskStyle = new AsteriskMaskStyle;
    maskStyle->setParent(this);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("id1050"));
    m_passwordEdit = passwordEdit(QStringLiteral("id1044"), maskStyle, this);
    m_repeatLabel = new QLabel(QStringLiteral("Powtórz:"), this);
    m_repeatLabel->setObjectName(QStringLiteral("id1052"));
    m_repeatEdit = passwordEdit(QStringLiteral("id1048"), maskStyle, this);
    m_showCharacters = new QCheckBox(QStringLiteral("Wyświetlaj znaki podczas wpisywania"), this);
    m_showCharacters->setObjectName(QStringLiteral("id1046"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("Zapisz"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("id1"));
    save->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Anuluj"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("id2"));

    auto* fields = new QGridLayout;
    fields->addWidget(m_label, 0, 0);
    fields->addWidget(m_passwordEdit, 0, 1);
    fields->addWidget(m_repeatLabel, 1, 0);
    fields->addWidget(m_repeatEdit, 1, 1);
    fields->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_showCharacters);
    layout->addWidget(buttons);
    setMinimumWidth(320);

    if (m_mode == NewPassword) {
        m_label->setText(QStringLiteral("  Nowe hasło:"));
    } else {
        m_label->setText(QStringLiteral("Wprowadź hasło:"));
        m_repeatLabel->hide();
        m_repeatEdit->hide();
    }

    connect(buttons, &QDialogButtonBox::accepted, this, &CPasswordDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPasswordDlg::reject);
    connect(m_passwordEdit, &QLineEdit::textChanged, this, &CPasswordDlg::readControls);
    connect(m_repeatEdit, &QLineEdit::textChanged, this, &CPasswordDlg::readControls);
    connect(m_showCharacters, &QCheckBox::clicked, this, &CPasswordDlg::showCharactersClicked);
    m_passwordEdit->setFocus();
}

void CPasswordDlg::readControls()
{
    m_password = m_passwordEdit->text();
    m_repeated = m_repeatEdit->text();
}

void CPasswordDlg::showCharactersClicked()
{
    readControls();
    const bool shown = m_showCharacters->isChecked();
    if (shown) {
        // Characters in clear need no repetition.
        m_repeatEdit->clear();
        m_repeated.clear();
    }
    m_repeatEdit->setEnabled(!shown);
    const QLineEdit::EchoMode echo = shown ? QLineEdit::Normal : QLineEdit::Password;
    m_passwordEdit->setEchoMode(echo);
    m_repeatEdit->setEchoMode(echo);
}

void CPasswordDlg::accept()
{
    readControls();
    if (m_mode != NewPassword) {
        // Any text, the empty one too: the gate compares it.
        QDialog::accept();
        return;
    }
    if (m_password.size() < 8) {
        ShowMessage(this, QMessageBox::Warning, kCaption,
                    QStringLiteral("Hasło powinno zawierać nie mniej niż 8 znaków."));
        return;
    }
    if (m_showCharacters->isChecked() || m_password == m_repeated) {
        QDialog::accept();
        return;
    }
    ShowMessage(this, QMessageBox::Critical, kCaption, QStringLiteral("Błąd podczas wpisywania hasła."));
}

void CPasswordDlg::reject()
{
    m_passwordEdit->clear();
    m_repeatEdit->clear();
    m_password.clear();
    m_repeated.clear();
    QDialog::reject();
}
