// SPDX-License-Identifier: MIT
// The main window as a shell: F1 and the About box, the tray menu, help,
// scrolling when smaller than its layout, the heating tooltip, the power list
// choices kept in the settings, the link-dependent buttons and a close without
// a connection.

#include "CAboutDlg.h"
#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CDataDlg.h"
#include "CGraph.h"
#include "CXLabel.h"
#include "LiveTexts.h"
#include "ModalHelpers.h"
#include "ProgramSettings.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>
#include <functional>

// Receives the URLs the window asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void f1OpensAboutBox();
    void trayMenu();
    void helpOpensTheGuide();
    void scrollsWhenSmallerThanLayout();
    void heatingTooltip();
    void powerChoiceIsSaved();
    void linkButtonsFollowConnection();
    void closeWhenDisconnectedAsksNothing();
    void databaseShowsTheRecorderWindow();

private:
    UrlCatcher m_urls;
};

void TestMainWindow::initTestCase()
{
    ResetSettings(theApp().settings);
    QDesktopServices::setUrlHandler(u"file"_qs, &m_urls, "open");
}

void TestMainWindow::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(u"file"_qs);
}

void TestMainWindow::f1OpensAboutBox()
{
    CCPL_ZRQ7Dlg window;
    window.show();
    QString firmware, version;
    WhenModal<CAboutDlg> about([&](CAboutDlg* box) {
        QCOMPARE(box->windowTitle(), u"O programie CPL_ZRQ7"_qs);
        firmware = box->findChild<QLabel*>(u"id1195"_qs)->text();
        version = box->findChild<QLabel*>(u"id1178"_qs)->text();
        QTest::mouseClick(box->findChild<QPushButton*>(u"id1158"_qs), Qt::LeftButton); // "Pomoc"
        box->accept();
    });
    m_urls.opened.clear();
    QTest::keyClick(&window, Qt::Key_F1);
    QVERIFY(about.seen);
    // F1 is the About box, not the help; the box's "Pomoc" opens the guide.
    QCOMPARE(m_urls.opened.size(), 1);
    QVERIFY(m_urls.opened.first().toLocalFile().endsWith(u"help/index.html"_qs));
    QCOMPARE(firmware, u"Wersja firmware od 7 do 15"_qs);
    QCOMPARE(version, u"Wersja programu 1.0"_qs);
    QVERIFY(window.isVisible());
}

void TestMainWindow::trayMenu()
{
    CCPL_ZRQ7Dlg window;
    QMenu* menu = window.trayMenu();
    QVERIFY(menu);
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << (action->isSeparator() ? u"-"_qs : action->objectName() + u' ' + action->text());
    QCOMPARE(entries, (QStringList{u"id32776 Pomoc"_qs, u"-"_qs, u"id32779 Baza danych"_qs,
                                   u"id32778 Ustawienia ZRQ-7/8"_qs, u"id32777 Ustawienia programu"_qs,
                                   u"-"_qs, u"id32780 O programie"_qs}));
    // Offscreen there is no notification area: no icon, and nothing breaks.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        QVERIFY(!window.trayIcon());

    WhenModal<CAboutDlg> about([](CAboutDlg* box) { box->accept(); });
    for (QAction* action : menu->actions())
        if (action->objectName() == u"id32780"_qs)
            action->trigger();
    QVERIFY(about.seen);
}

void TestMainWindow::helpOpensTheGuide()
{
    CCPL_ZRQ7Dlg window;
    m_urls.opened.clear();
    for (QAction* action : window.trayMenu()->actions())
        if (action->objectName() == u"id32776"_qs)
            action->trigger();
    QCOMPARE(m_urls.opened.size(), 1);
    const QString path = m_urls.opened.first().toLocalFile();
    QVERIFY2(path.endsWith(u"help/index.html"_qs), qPrintable(path));
    QVERIFY2(QFileInfo::exists(path), qPrintable(path)); // the guide is beside the program
}

void TestMainWindow::scrollsWhenSmallerThanLayout()
{
    CCPL_ZRQ7Dlg window;
    window.show();
    auto* area = window.findChild<QScrollArea*>();
    const QSize layout = area->widget()->minimumSizeHint();
    window.resize(layout + QSize(100, 100));
    QTRY_COMPARE(area->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(area->verticalScrollBar()->maximum(), 0);

    // 100 pixels narrower: a tenth of the hidden part per line or page.
    window.resize(layout.width() - 100, layout.height() + 40);
    QTRY_VERIFY(area->horizontalScrollBar()->maximum() > 0);
    const int hidden = area->horizontalScrollBar()->maximum();
    QVERIFY2(hidden >= 100 && hidden < 130, qPrintable(QString::number(hidden)));
    QCOMPARE(area->horizontalScrollBar()->singleStep(), hidden / 10);
    QCOMPARE(area->horizontalScrollBar()->pageStep(), hidden / 10);
    area->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(area->horizontalScrollBar()->value(), hidden / 10);
}

void TestMainWindow::heatingTooltip()
{
    CCPL_ZRQ7Dlg window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    CGraph* graph = window.findChild<CGraph*>(u"id1134"_qs);
    const int h = graph->height();
    const auto moveTo = [graph](QPoint position) {
        QMouseEvent move(QEvent::MouseMove, position, graph->mapToGlobal(position), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(graph, &move);
    };
    moveTo(QPoint(10, h)); // on the bottom edge
    QCOMPARE(graph->toolTip(), livetexts::heatingTooltipText(h, h));
    QCOMPARE(graph->toolTip(), QString::asprintf("Grzanie: - %d%%", 4 * 100 / (h - 30)));
    moveTo(QPoint(12, 34));
    QCOMPARE(graph->toolTip(), livetexts::heatingTooltipText(h, 34));
}

void TestMainWindow::powerChoiceIsSaved()
{
    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    CCPL_ZRQ7Dlg window;
    auto* third = window.findChild<QComboBox*>(u"id1189"_qs);
    QCOMPARE(third->currentIndex(), 2); // the stored default
    QCOMPARE(third->itemText(17), u"Faza 3 Cosinus fi"_qs);
    third->setCurrentIndex(9);
    QCOMPARE(s.nPowerSelection[2], 9);
    ProgramSettings stored{};
    QVERIFY(LoadSettings(stored));
    QCOMPARE(stored.nPowerSelection[2], 9);

    // A new window shows the stored choice.
    CCPL_ZRQ7Dlg again;
    QCOMPARE(again.findChild<QComboBox*>(u"id1189"_qs)->currentIndex(), 9);
    ResetSettings(s);
}

void TestMainWindow::linkButtonsFollowConnection()
{
    CCPL_ZRQ7Dlg window;
    auto* settings = window.findChild<QPushButton*>(u"id1000"_qs);
    auto* faultLog = window.findChild<QPushButton*>(u"id1201"_qs);
    auto* connect = window.findChild<QPushButton*>(u"id1084"_qs);
    auto* status = window.findChild<CXLabel*>(u"id1112"_qs);
    QCOMPARE(connect->text(), u"Połącz"_qs);
    QVERIFY(settings->isEnabled());
    QVERIFY(!faultLog->isEnabled());
    QVERIFY(window.findChild<QPushButton*>(u"id1155"_qs)->isEnabled()); // the recorder runs

    window.setConnectedState(true);
    window.setLinkButtons(true);
    QCOMPARE(connect->text(), u"Odłącz"_qs);
    QCOMPARE(status->Text(), u"Podłączony"_qs);
    QVERIFY(!settings->isEnabled());
    QVERIFY(faultLog->isEnabled());
    window.OnSecondTick();
    window.OnSecondTick();
    QCOMPARE(window.findChild<CXLabel*>(u"id1110"_qs)->Text(), u"00 : 00 : 02"_qs);

    window.setConnectedState(false);
    window.setLinkButtons(false);
    QCOMPARE(connect->text(), u"Podłącz"_qs);
    QCOMPARE(status->Text(), u"Wyłączone"_qs);
    QVERIFY(settings->isEnabled());
    QVERIFY(!faultLog->isEnabled());
}

void TestMainWindow::closeWhenDisconnectedAsksNothing()
{
    // Asking while connected is tried against the simulator (tst_connected_window).
    CCPL_ZRQ7Dlg window;
    window.show();
    WhenModal<QMessageBox> box([](QMessageBox* message) { message->reject(); });
    QTest::mouseClick(window.findChild<QPushButton*>(u"id1080"_qs), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QVERIFY(!box.seen);
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

// "Baza danych" shows the recorder window, created hidden with the main window;
// closing it only hides it, and the button shows it again.
void TestMainWindow::databaseShowsTheRecorderWindow()
{
    CCPL_ZRQ7Dlg window;
    window.show();
    auto* recorderWindow = window.findChild<CDataDlg*>();
    QVERIFY(recorderWindow);
    QVERIFY(!recorderWindow->isVisible());
    QCOMPARE(recorderWindow->windowTitle(), u"Baza danych ZRQ-7/8"_qs);
    QTest::mouseClick(window.findChild<QPushButton*>(u"id1155"_qs), Qt::LeftButton);
    QVERIFY(recorderWindow->isVisible());
    recorderWindow->close();
    QVERIFY(!recorderWindow->isVisible());
    window.OnDatabase();
    QVERIFY(recorderWindow->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
