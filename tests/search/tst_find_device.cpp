// SPDX-License-Identifier: MIT
// The search window against a relay simulator on a pseudo-terminal mapped as
// COM3 (address 5, 19200 bit/s, RTU, and deaf to a line at another speed),
// over COM3 only and addresses 4 to 6.

#include "CCPL_ZRQ7App.h"
#include "CFindDeviceDlg.h"
#include "CSettingsDlg.h"
#include "ColorRef.h"
#include "DeviceSearch.h"
#include "ModalHelpers.h"
#include "SimulatorProcess.h"
#include "ZRQ7DLL.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using zrq7::test::SimulatorProcess;

class TestFindDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void findsTheRelayOncePerMatchingPass();
    void answeringNoLeavesTheWindowIdle();
    void stopKeepsTheRowsFound();
    void closingDuringASearchWaitsForIt();
    void chosenRowFillsTheSettingsWindow();
    void searchWhileConnectedIsRefused();

private:
    CFindDeviceDlg::Setup setup() const;
    QStringList takeMessages() { return ::takeMessages(m_messageLog); }

    QTemporaryDir m_dir;
    QString m_messageLog;
    std::unique_ptr<SimulatorProcess> m_sim;
};

namespace {

const devicesearch::ScanRange range{3, 3, 4, 6};

template <typename T> T* control(QWidget* window, int id)
{
    return window->findChild<T*>(QStringLiteral("id%1").arg(id));
}

QStringList rowOf(QTableWidget* list, int row)
{
    QStringList cells;
    for (int column = 0; column < list->columnCount(); ++column)
        cells << list->item(row, column)->text();
    return cells;
}

void clickRow(QTableWidget* list, int row)
{
    const QRect cell = list->visualRect(list->model()->index(row, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

bool idle(QWidget* window)
{
    return control<QPushButton>(window, 1063)->text() == QStringLiteral("Rozpocznij\nwyszukiwanie");
}

const QString endText =
    QStringLiteral("Wyszukiwanie zakończone. Dostępne urządzenia\nsą wymienione w liście poniżej.");
const QString warning =
    QStringLiteral("warning|Ostrzeżenie|Proces ten może potrwać ponad 5 minut. Czy chcesz kontynuować?");

} // namespace

void TestFindDevice::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_messageLog = m_dir.filePath(QStringLiteral("messages.log"));
    qputenv("ZRQ7_MESSAGE_LOG", m_messageLog.toUtf8());
    const QString ports = qEnvironmentVariable("ZRQ7_PORTS");
    QVERIFY(QDir().mkpath(ports));
    m_sim = std::make_unique<SimulatorProcess>(QStringList{u"--pty"_qs, ports + u"/COM3"_qs, u"--unit"_qs,
                                                           u"5"_qs, u"--baud"_qs, u"19200"_qs,
                                                           u"--match-speed"_qs});
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    theApp().settings.nRetries = 0; // a silent address costs two times 150 ms
}

void TestFindDevice::init()
{
    QFile::remove(m_messageLog);
}

void TestFindDevice::cleanupTestCase()
{
    m_sim.reset();
}

CFindDeviceDlg::Setup TestFindDevice::setup() const
{
    CFindDeviceDlg::Setup s;
    s.colours = {Qt::white, Qt::darkBlue, Qt::yellow};
    s.listBackground = Qt::black;
    s.listText = Qt::green;
    s.retries = 0;
    s.range = range;
    return s;
}

void TestFindDevice::findsTheRelayOncePerMatchingPass()
{
    CFindDeviceDlg window(setup(), nullptr);
    window.show();
    auto* list = control<QTableWidget>(&window, 1219);
    QVERIFY(!control<QPushButton>(&window, 1221)->isEnabled());
    QTest::mouseClick(control<QPushButton>(&window, 1063), Qt::LeftButton);
    QCOMPARE(takeMessages(), QStringList{warning});
    QVERIFY(window.isSearching());
    QCOMPARE(control<QPushButton>(&window, 1063)->text(), QStringLiteral("Zatrzymaj\nwyszukiwanie"));
    QVERIFY(!control<QPushButton>(&window, 1140)->isEnabled());

    // The row is there while the search still runs: taking it over must wait.
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 1, 20000);
    clickRow(list, 0);
    QVERIFY(!control<QPushButton>(&window, 1221)->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(idle(&window), 30000);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(rowOf(list, 0), (QStringList{"COM3", "ZRQ-7/8 wersja12", "5", "19200 8 Nie 2 150 RTU"}));
    QCOMPARE(control<QPlainTextEdit>(&window, 1146)->toPlainText(), endText);
    QVERIFY(control<QPushButton>(&window, 1140)->isEnabled());
    QVERIFY(!COM_IsOpen());

    clickRow(list, 0);
    QVERIFY(control<QPushButton>(&window, 1221)->isEnabled());
    const DeviceSearchResult r = window.result();
    QCOMPARE((QStringList{r.portName, r.baudRate, r.dataBits, r.parity, r.stopBits, r.protocol}),
             (QStringList{"COM3", "19200", "8", "Nie", "2", "RTU"}));
    QCOMPARE(r.responseTimeout, 150u);
    QCOMPARE(r.deviceAddress, 5);

    // A click beside the rows: nothing chosen, the defaults again.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 5));
    QVERIFY(!control<QPushButton>(&window, 1221)->isEnabled());
    QCOMPARE(window.result().portName, QStringLiteral("COM1"));
    QCOMPARE(window.result().deviceAddress, 1);
}

void TestFindDevice::answeringNoLeavesTheWindowIdle()
{
    CFindDeviceDlg window(setup(), nullptr);
    window.show();
    QString caption;
    bool searchOffMeanwhile = false;
    {
        MessageBoxesShown realBoxes; // the message log would answer Yes
        WhenModal<QMessageBox> question([&](QMessageBox* box) {
            caption = box->windowTitle();
            searchOffMeanwhile = !control<QPushButton>(&window, 1063)->isEnabled();
            box->button(QMessageBox::No)->click();
        });
        QTest::mouseClick(control<QPushButton>(&window, 1063), Qt::LeftButton);
    }
    QCOMPARE(caption, QStringLiteral("Ostrzeżenie"));
    QVERIFY(searchOffMeanwhile);
    QVERIFY(!window.isSearching());
    QVERIFY(idle(&window));
    QVERIFY(control<QPushButton>(&window, 1063)->isEnabled());
    QCOMPARE(control<QPlainTextEdit>(&window, 1146)->toPlainText(),
             QStringLiteral("Aby zacząć wyszukiwanie, naciśnij przycisk..."));
}

void TestFindDevice::stopKeepsTheRowsFound()
{
    CFindDeviceDlg window(setup(), nullptr);
    window.show();
    auto* list = control<QTableWidget>(&window, 1219);
    QTest::mouseClick(control<QPushButton>(&window, 1063), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 1, 20000);
    QVERIFY(window.isSearching());
    QTest::mouseClick(control<QPushButton>(&window, 1063), Qt::LeftButton); // "Zatrzymaj"
    QTRY_VERIFY_WITH_TIMEOUT(idle(&window), 5000);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(control<QPlainTextEdit>(&window, 1146)->toPlainText(), endText);
    QVERIFY(!COM_IsOpen());
}

void TestFindDevice::closingDuringASearchWaitsForIt()
{
    auto window = std::make_unique<CFindDeviceDlg>(setup(), nullptr);
    window->show();
    QTest::mouseClick(control<QPushButton>(window.get(), 1063), Qt::LeftButton);
    QVERIFY(window->isSearching());
    QTRY_VERIFY(
        control<QPlainTextEdit>(window.get(), 1146)->toPlainText().contains(u" id:"_qs)); // on the line
    window->close();
    QVERIFY(!window->isSearching());
    QVERIFY(!COM_IsOpen());
    window.reset();
    QVERIFY(!COM_IsOpen());
}

void TestFindDevice::chosenRowFillsTheSettingsWindow()
{
    ProgramSettings record = theApp().settings;
    CSettingsDlg settings(record);
    settings.narrowDeviceSearch(range);
    settings.show();
    auto* port = control<QComboBox>(&settings, 1016);
    const int com3 = port->findText(u"COM3"_qs);
    QVERIFY2(com3 >= 0, "the mapped pty is offered as COM3");
    port->setCurrentIndex(com3 == 0 && port->count() > 1 ? 1 : com3);

    // Inside the search window's exec(): search, pick the row, accept.
    QTimer driver;
    int step = 0;
    bool ownedAndPainted = false;
    connect(&driver, &QTimer::timeout, this, [&] {
        auto* search = qobject_cast<CFindDeviceDlg*>(QApplication::activeModalWidget());
        if (!search)
            return;
        if (step == 0) {
            // Owned by the settings window and painted in its working colours.
            ownedAndPainted =
                search->parentWidget() == &settings &&
                search->palette().color(QPalette::Window) == colorFromRef(settings.backgroundColour()) &&
                search->palette().color(QPalette::WindowText) == colorFromRef(settings.textColour()) &&
                control<QPlainTextEdit>(search, 1146)->palette().color(QPalette::Text) ==
                    colorFromRef(settings.valueColour());
            QTest::mouseClick(control<QPushButton>(search, 1063), Qt::LeftButton);
            step = 1;
        } else if (step == 1 && idle(search) && control<QTableWidget>(search, 1219)->rowCount() == 1) {
            clickRow(control<QTableWidget>(search, 1219), 0);
            QTest::mouseClick(control<QPushButton>(search, 1221), Qt::LeftButton);
            step = 2;
        }
    });
    driver.start(20);
    QTest::mouseClick(control<QPushButton>(&settings, 1216), Qt::LeftButton);
    driver.stop();
    QCOMPARE(step, 2);
    QVERIFY(ownedAndPainted);
    QCOMPARE(port->currentText(), QStringLiteral("COM3"));
    QCOMPARE(control<QComboBox>(&settings, 1018)->currentText(), QStringLiteral("19200"));
    QCOMPARE(control<QComboBox>(&settings, 1020)->currentText(), QStringLiteral("8"));
    QCOMPARE(control<QComboBox>(&settings, 1023)->currentText(), QStringLiteral("Nie"));
    QCOMPARE(control<QComboBox>(&settings, 1024)->currentText(), QStringLiteral("2"));
    QCOMPARE(control<QComboBox>(&settings, 1026)->currentText(), QStringLiteral("RTU"));
    QCOMPARE(control<QLineEdit>(&settings, 1045)->text(), QStringLiteral("5"));
    QCOMPARE(control<QLineEdit>(&settings, 1028)->text(), QStringLiteral("150"));
}

void TestFindDevice::searchWhileConnectedIsRefused()
{
    QCOMPARE(COM_Open(u"COM3"), 0);
    QWidget owner;
    QVERIFY(!RunDeviceSearch(&owner, {Qt::white, Qt::darkBlue, Qt::yellow}, range));
    COM_Close();
    const QStringList messages = takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(u"warning|Uwaga|Nie można wyszukiwać urządzeń podczas połączenia"_qs),
             qPrintable(messages[0]));
}

QTEST_MAIN(TestFindDevice)
#include "tst_find_device.moc"
