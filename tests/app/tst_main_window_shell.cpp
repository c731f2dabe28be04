// SPDX-License-Identifier: MIT
// The main window's "Ustawienia": an open settings window comes to the front,
// otherwise the settings password gate runs before the settings window opens,
// and "always on top" is applied when it closes.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CPasswordDlg.h"
#include "CSettingsDlg.h"
#include "ModalHelpers.h"
#include "PasswordGate.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestMainWindowShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void settingsBehindGate_data();
    void settingsBehindGate();
    void openSettingsWindowComesToFront();
    void enterAndEscDoNotClose();

private:
    QTemporaryDir m_dir;
};

void TestMainWindowShell::initTestCase()
{
    qputenv("ZRQ7_MESSAGE_LOG", m_dir.filePath(QStringLiteral("messages.log")).toUtf8());
    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    s.bPasswordProtection = 1;
    s.nPasswordFlags = PWD_SETTINGS;
    QVERIFY(SetSettingsText(s.szPassword, QStringLiteral("Tajne123")));
}

void TestMainWindowShell::settingsBehindGate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("opens");
    QTest::newRow("right password") << u"Tajne123"_qs << true;
    QTest::newRow("wrong password") << u"tajne123"_qs << false;
}

void TestMainWindowShell::settingsBehindGate()
{
    QFETCH(QString, typed);
    QFETCH(bool, opens);
    theApp().settings.bAlwaysOnTop = 0;
    CCPL_ZRQ7Dlg mainWindow;
    mainWindow.show();

    WhenModal<CPasswordDlg> password([&](CPasswordDlg* dialog) {
        typeText(dialog->findChild<QLineEdit*>(QStringLiteral("id1044")), typed);
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    WhenModal<CSettingsDlg> settings([](CSettingsDlg* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Ustawienia"));
        theApp().settings.bAlwaysOnTop = 1; // as if saved there
        dialog->done(QDialog::Rejected);
    });
    QTest::mouseClick(mainWindow.findChild<QPushButton*>(QStringLiteral("id1000")), Qt::LeftButton);
    QVERIFY(password.seen);
    QCOMPARE(settings.seen, opens);
    QCOMPARE(bool(mainWindow.windowFlags() & Qt::WindowStaysOnTopHint), opens);
    QVERIFY(mainWindow.isVisible());
}

void TestMainWindowShell::openSettingsWindowComesToFront()
{
    CCPL_ZRQ7Dlg mainWindow;
    mainWindow.show();
    QDialog open;
    open.setWindowTitle(QStringLiteral("Ustawienia"));
    open.show();
    open.showMinimized();

    WhenModal<CPasswordDlg> password([](CPasswordDlg* dialog) { dialog->reject(); });
    mainWindow.OnSettings();
    QVERIFY(!password.seen); // no password for a window that is already open
    QVERIFY(!(open.windowState() & Qt::WindowMinimized));
}

void TestMainWindowShell::enterAndEscDoNotClose()
{
    CCPL_ZRQ7Dlg mainWindow;
    mainWindow.show();
    QTest::keyClick(&mainWindow, Qt::Key_Escape);
    QTest::keyClick(&mainWindow, Qt::Key_Return);
    QVERIFY(mainWindow.isVisible());
    QTest::mouseClick(mainWindow.findChild<QPushButton*>(QStringLiteral("id1080")), Qt::LeftButton);
    QVERIFY(!mainWindow.isVisible());
    QCOMPARE(mainWindow.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestMainWindowShell)
#include "tst_main_window_shell.moc"
