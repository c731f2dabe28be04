// SPDX-License-Identifier: MIT
// The password window in both modes and the password gate, driven through
// the real window with keyboard and mouse.

#include "CPasswordDlg.h"
#include "ModalHelpers.h"
#include "PasswordGate.h"
#include "ProgramSettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

template <typename T> T* child(QWidget* dialog, const char* id)
{
    T* w = dialog->findChild<T*>(QString::fromLatin1(id));
    if (!w)
        qWarning("no control %s", id);
    return w;
}

void typeAndPress(QWidget* dialog, const QString& text, const char* button)
{
    typeText(child<QLineEdit>(dialog, "id1044"), text);
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

} // namespace

class TestPassword : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void gate_data();
    void gate();
    void enterModeLooksAndMasks();
    void newPassword_data();
    void newPassword();
    void showCharactersEmptiesAndFreesRepeat();
    void changePasswordStoresAtOnce();
    void cancelLeavesPasswordUnchanged();

private:
    QTemporaryDir m_dir;
    QString m_log;
};

void TestPassword::initTestCase()
{
    // Message boxes are written to a file and answered at once (see MessageBox.h).
    m_log = m_dir.filePath(QStringLiteral("messages.log"));
    qputenv("ZRQ7_MESSAGE_LOG", m_log.toUtf8());
}

void TestPassword::gate_data()
{
    QTest::addColumn<int>("protection");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("flag");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("passes");

    const int all = PWD_AT_START | PWD_SETTINGS | PWD_DEVICE_PARAMS | PWD_CONNECT | PWD_DATABASE;
    QTest::newRow("protection off") << 0 << all << PWD_SETTINGS << u"Tajne123"_qs << u""_qs << false << false
                                    << true;
    QTest::newRow("flag not chosen") << 1 << (all & ~PWD_CONNECT) << PWD_CONNECT << u"Tajne123"_qs << u""_qs
                                     << false << false << true;
    QTest::newRow("right password") << 1 << PWD_DATABASE << PWD_DATABASE << u"Tajne123"_qs << u"Tajne123"_qs
                                    << false << true << true;
    QTest::newRow("differs in case") << 1 << all << PWD_SETTINGS << u"Tajne123"_qs << u"tajne123"_qs << false
                                     << true << false;
    QTest::newRow("prefix only") << 1 << all << PWD_SETTINGS << u"Tajne123"_qs << u"Tajne12"_qs << false
                                 << true << false;
    QTest::newRow("right but cancelled")
        << 1 << all << PWD_DEVICE_PARAMS << u"Tajne123"_qs << u"Tajne123"_qs << true << true << false;
    QTest::newRow("empty stored, empty typed")
        << 1 << all << PWD_AT_START << u""_qs << u""_qs << false << true << true;
    QTest::newRow("empty stored, text typed")
        << 1 << all << PWD_AT_START << u""_qs << u"x"_qs << false << true << false;
    QTest::newRow("non-ASCII") << 1 << all << PWD_SETTINGS << u"Hasło-Źdźbło"_qs << u"Hasło-Źdźbło"_qs
                               << false << true << true;
}

void TestPassword::gate()
{
    QFETCH(int, protection);
    QFETCH(int, flags);
    QFETCH(int, flag);
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, cancel);
    QFETCH(bool, asked);
    QFETCH(bool, passes);

    ProgramSettings s;
    ResetSettings(s);
    s.bPasswordProtection = protection;
    s.nPasswordFlags = flags;
    QVERIFY(SetSettingsText(s.szPassword, stored));

    WhenModal<CPasswordDlg> answer(
        [&](CPasswordDlg* dialog) { typeAndPress(dialog, typed, cancel ? "id2" : "id1"); });
    QCOMPARE(PasswordGate(flag, s), passes);
    QCOMPARE(answer.seen, asked);
    QCOMPARE(takeMessages(m_log), QStringList()); // a failed gate says nothing
}

void TestPassword::enterModeLooksAndMasks()
{
    CPasswordDlg dialog(CPasswordDlg::EnterPassword);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Wprowadzenie hasła"));
    QCOMPARE(child<QLabel>(&dialog, "id1050")->text(), QStringLiteral("Wprowadź hasło:"));
    QVERIFY(!child<QLineEdit>(&dialog, "id1048")->isVisible());
    QVERIFY(!child<QLabel>(&dialog, "id1052")->isVisible());
    QLineEdit* edit = child<QLineEdit>(&dialog, "id1044");
    QCOMPARE(edit->maxLength(), 255);
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    QCOMPARE(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), int('*'));
    QCOMPARE(child<QPushButton>(&dialog, "id1")->text(), QStringLiteral("Zapisz"));
    QCOMPARE(child<QPushButton>(&dialog, "id2")->text(), QStringLiteral("Anuluj"));

    // Enter accepts what was typed.
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.password(), QStringLiteral("abc"));
}

void TestPassword::newPassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("repeated");
    QTest::addColumn<bool>("showCharacters");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("message");

    const QString tooShort =
        QStringLiteral("warning|Wprowadzenie hasła|Hasło powinno zawierać nie mniej niż 8 znaków.");
    const QString mismatch = QStringLiteral("error|Wprowadzenie hasła|Błąd podczas wpisywania hasła.");
    QTest::newRow("8 characters, repeated") << u"12345678"_qs << u"12345678"_qs << false << true << u""_qs;
    QTest::newRow("7 characters, repeated") << u"1234567"_qs << u"1234567"_qs << false << false << tooShort;
    QTest::newRow("7 characters shown") << u"1234567"_qs << u""_qs << true << false << tooShort;
    QTest::newRow("repeat differs") << u"12345678"_qs << u"12345679"_qs << false << false << mismatch;
    QTest::newRow("repeat differs in case") << u"Abcdefgh"_qs << u"abcdefgh"_qs << false << false << mismatch;
    QTest::newRow("repeat missing") << u"12345678"_qs << u""_qs << false << false << mismatch;
    QTest::newRow("shown, no repeat needed") << u"12345678"_qs << u""_qs << true << true << u""_qs;
}

void TestPassword::newPassword()
{
    QFETCH(QString, password);
    QFETCH(QString, repeated);
    QFETCH(bool, showCharacters);
    QFETCH(bool, accepted);
    QFETCH(QString, message);

    CPasswordDlg dialog(CPasswordDlg::NewPassword);
    dialog.show();
    QCOMPARE(child<QLabel>(&dialog, "id1050")->text(), QStringLiteral("  Nowe hasło:"));
    QVERIFY(child<QLineEdit>(&dialog, "id1048")->isVisible());
    QCOMPARE(child<QLabel>(&dialog, "id1052")->text(), QStringLiteral("Powtórz:"));

    QTest::keyClicks(child<QLineEdit>(&dialog, "id1044"), password);
    QTest::keyClicks(child<QLineEdit>(&dialog, "id1048"), repeated);
    if (showCharacters)
        QTest::mouseClick(child<QCheckBox>(&dialog, "id1046"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&dialog, "id1"), Qt::LeftButton);

    QCOMPARE(dialog.isVisible(), !accepted); // a refused password keeps the window open
    if (accepted)
        QCOMPARE(dialog.password(), password);
    QCOMPARE(takeMessages(m_log), message.isEmpty() ? QStringList() : QStringList{message});
}

void TestPassword::showCharactersEmptiesAndFreesRepeat()
{
    CPasswordDlg dialog(CPasswordDlg::NewPassword);
    dialog.show();
    auto* edit = child<QLineEdit>(&dialog, "id1044");
    auto* repeat = child<QLineEdit>(&dialog, "id1048");
    auto* show = child<QCheckBox>(&dialog, "id1046");
    QTest::keyClicks(repeat, QStringLiteral("secret12"));

    QTest::mouseClick(show, Qt::LeftButton);
    QCOMPARE(repeat->text(), QString());
    QVERIFY(!repeat->isEnabled());
    QCOMPARE(edit->echoMode(), QLineEdit::Normal);
    QCOMPARE(repeat->echoMode(), QLineEdit::Normal);

    QTest::mouseClick(show, Qt::LeftButton);
    QVERIFY(repeat->isEnabled());
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    QCOMPARE(repeat->echoMode(), QLineEdit::Password);
}

void TestPassword::changePasswordStoresAtOnce()
{
    ProgramSettings s;
    ResetSettings(s);
    QVERIFY(SetSettingsText(s.szPassword, QStringLiteral("a much longer old password")));
    WhenModal<CPasswordDlg> answer([](CPasswordDlg* dialog) {
        typeText(child<QLineEdit>(dialog, "id1044"), QStringLiteral("Nowe-Hasło"));
        typeText(child<QLineEdit>(dialog, "id1048"), QStringLiteral("Nowe-Hasło"));
        QTest::mouseClick(child<QPushButton>(dialog, "id1"), Qt::LeftButton);
    });
    QVERIFY(ChangePassword(nullptr, s));
    QVERIFY(answer.seen);
    QCOMPARE(SettingsText(s.szPassword), QStringLiteral("Nowe-Hasło"));
    // The old, longer text is gone completely, not just overwritten in front.
    for (int i = 10; i < 260; ++i)
        QCOMPARE(s.szPassword[i], u'\0');
}

void TestPassword::cancelLeavesPasswordUnchanged()
{
    ProgramSettings s;
    ResetSettings(s);
    QVERIFY(SetSettingsText(s.szPassword, QStringLiteral("Stare-haslo")));
    WhenModal<CPasswordDlg> answer([](CPasswordDlg* dialog) {
        QTest::keyClicks(child<QLineEdit>(dialog, "id1044"), QStringLiteral("Inne-haslo"));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QVERIFY(!ChangePassword(nullptr, s));
    QCOMPARE(SettingsText(s.szPassword), QStringLiteral("Stare-haslo"));
}

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
