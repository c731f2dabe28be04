// SPDX-License-Identifier: MIT
// In-process start-up: the splash window, the start-up password gate and the
// Polish standard buttons. The screen is set to exactly 1024 x 768, which must
// pass without the screen question.

#include "AppPaths.h"
#include "CCPL_ZRQ7App.h"
#include "CInitialDlg.h"
#include "CPasswordDlg.h"
#include "InitInstance.h"
#include "ModalHelpers.h"
#include "PasswordGate.h"
#include "ProgramSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestSplash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void looksAndSits();
    void onlyTheTimerEndsIt();
    void screenQuestionBelow1024x768_data();
    void screenQuestionBelow1024x768();
    void folderThatCannotBeMadeStopsStart_data();
    void folderThatCannotBeMadeStopsStart();
    void startupPasswordGate_data();
    void startupPasswordGate();
    void standardButtonsInPolish();

private:
    QTemporaryDir m_dir;
    QString m_log;
};

void TestSplash::initTestCase()
{
    m_log = m_dir.filePath(QStringLiteral("messages.log"));
    qputenv("ZRQ7_MESSAGE_LOG", m_log.toUtf8());
    qputenv("ZRQ7_SPLASH_MS", "300");
    QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1024, 768));
}

void TestSplash::init()
{
    QDir(DataFolder()).removeRecursively();
    QDir(ConfigFolder()).removeRecursively();
    takeMessages(m_log);
}

void TestSplash::looksAndSits()
{
    CInitialDlg splash;
    QTimer::singleShot(50, &splash, [&] {
        QVERIFY(splash.isVisible());
        QCOMPARE(splash.windowTitle(), QStringLiteral("Powitanie"));
        QCOMPARE(splash.size(), QSize(500, 190));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        const QRect work = splash.screen()->availableGeometry();
        QCOMPARE(splash.geometry().center(),
                 QPoint(work.x() + work.width() / 2 - 1, work.y() + work.height() / 2 - 1));
        // The picture came from the resources: not a blank white sheet.
        auto* picture = splash.findChild<QLabel*>(QStringLiteral("id1053"));
        QVERIFY(picture);
        const QImage image = picture->pixmap().toImage();
        QVERIFY(!image.isNull());
        QVERIFY(image.pixelColor(10, 10) != QColor(Qt::white));
    });
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    QVERIFY(QDir(SettingsFolderPath()).exists());
    QVERIFY(QDir(RecordingsFolderPath()).exists());
    QCOMPARE(takeMessages(m_log), QStringList());
}

void TestSplash::onlyTheTimerEndsIt()
{
    CInitialDlg splash;
    bool stillThere = false;
    QTimer::singleShot(30, &splash, [&] {
        QTest::keyClick(&splash, Qt::Key_Escape);
        QTest::keyClick(&splash, Qt::Key_Return);
        QTest::keyClick(&splash, Qt::Key_Enter);
        splash.close();
        stillThere = splash.isVisible();
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    QVERIFY(stillThere);
    QVERIFY(clock.elapsed() >= 250); // coarse timers may fire 5 % early
}

void TestSplash::screenQuestionBelow1024x768_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("asks");
    QTest::newRow("1024 x 768") << QSize(1024, 768) << false;
    QTest::newRow("1023 x 768") << QSize(1023, 768) << true;
    QTest::newRow("1024 x 767") << QSize(1024, 767) << true;
    QTest::newRow("1920 x 1080") << QSize(1920, 1080) << false;
}

void TestSplash::screenQuestionBelow1024x768()
{
    QFETCH(QSize, screen);
    QFETCH(bool, asks);
    QCOMPARE(CInitialDlg::screenTooSmall(screen), asks);
}

void TestSplash::folderThatCannotBeMadeStopsStart_data()
{
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<QString>("message");
    QTest::newRow("zrq_settings") << SettingsFolderPath()
                                  << u"error|Błąd|Nie można utworzyć katalogu ustawień ZRQ-7/8"_qs;
    QTest::newRow("zrq_db") << RecordingsFolderPath()
                            << u"error|Błąd|Nie można utworzyć katalogu bazy danych ZRQ-7/8"_qs;
}

void TestSplash::folderThatCannotBeMadeStopsStart()
{
    QFETCH(QString, blocked);
    QFETCH(QString, message);
    // A plain file where the folder belongs: the folder cannot be made, even as root.
    QDir().mkpath(DataFolder());
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    CInitialDlg splash;
    QCOMPARE(splash.exec(), int(QDialog::Rejected));
    QCOMPARE(takeMessages(m_log), QStringList{message});
}

void TestSplash::startupPasswordGate_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("mainWindowRuns");
    QTest::newRow("right password") << PWD_AT_START << u"Tajne123"_qs << false << true << true;
    QTest::newRow("wrong password") << PWD_AT_START << u"Tajne1234"_qs << false << true << false;
    QTest::newRow("cancelled") << (PWD_AT_START | PWD_SETTINGS) << u"Tajne123"_qs << true << true << false;
    QTest::newRow("start not protected") << (PWD_SETTINGS | PWD_CONNECT) << u""_qs << false << false << true;
}

void TestSplash::startupPasswordGate()
{
    QFETCH(int, flags);
    QFETCH(QString, typed);
    QFETCH(bool, cancel);
    QFETCH(bool, asked);
    QFETCH(bool, mainWindowRuns);

    ProgramSettings stored;
    ResetSettings(stored);
    stored.bPasswordProtection = 1;
    stored.nPasswordFlags = flags;
    QVERIFY(SetSettingsText(stored.szPassword, QStringLiteral("Tajne123")));
    QVERIFY(SaveSettings(stored));

    WhenModal<CPasswordDlg> answer([&](CPasswordDlg* dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("id1044")), typed);
        QTest::mouseClick(
            dialog->findChild<QPushButton*>(cancel ? QStringLiteral("id2") : QStringLiteral("id1")),
            Qt::LeftButton);
    });
    bool ran = false;
    QVERIFY(!InitInstance(theApp(), {QStringLiteral("cpl_zrq7")}, [&] { ran = true; }));
    QCOMPARE(answer.seen, asked);
    QCOMPARE(ran, mainWindowRuns);
    QCOMPARE(theApp().settings.nPasswordFlags, flags); // the stored record was loaded
    QCOMPARE(takeMessages(m_log), QStringList());      // refused silently
}

void TestSplash::standardButtonsInPolish()
{
    QVERIFY(InstallPolishTranslation());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Uwaga"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Tak"));
    QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Nie"));
}

int main(int argc, char* argv[])
{
    // An offscreen screen of exactly the size the program asks for.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.write(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1024, "height": 768,
                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8());
    QApplication app(argc, argv);
    TestSplash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_splash.moc"
