// SPDX-License-Identifier: MIT
// The settings window driven as the operator drives it: lists chosen with the
// keyboard, boxes clicked, message boxes and the colour and password windows
// answered when they come up.

#include "Autostart.h"
#include "CSettingsDlg.h"
#include "CXLed.h"
#include "ColorRef.h"
#include "ModalHelpers.h"
#include "PasswordGate.h"
#include "ProgramSettings.h"
#include "SerialPortScan.h"
#include "SettingsFields.h"
#include "SocatPair.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>

namespace {

QString portMapFolder()
{
    return qEnvironmentVariable("ZRQ7_PORTS");
}

// Points the port-map name COMn at a path (which need not exist).
void mapPort(int n, const QString& target)
{
    const QString link = portMapFolder() + QStringLiteral("/COM%1").arg(n);
    QFile::remove(link);
    QVERIFY2(QFile::link(target, link), qPrintable(link));
}

QByteArray profileBytes()
{
    QFile file(SettingsProfilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool sameRecord(const ProgramSettings& a, const ProgramSettings& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

ProgramSettings defaults()
{
    ProgramSettings s;
    ResetSettings(s);
    return s;
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private:
    ProgramSettings m_record{};
    std::unique_ptr<CSettingsDlg> m_dialog;

    CSettingsDlg& open()
    {
        m_dialog = std::make_unique<CSettingsDlg>(m_record);
        m_dialog->show();
        // Focus moves (and a field's completion on leaving it) need an active window.
        m_dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(m_dialog.get()))
            qWarning("settings window did not become active");
        return *m_dialog;
    }

    template <typename T = QWidget> T* control(int id) const
    {
        T* widget = m_dialog->findChild<T*>(QStringLiteral("id%1").arg(id));
        if (!widget)
            qFatal("control id%d missing", id);
        return widget;
    }

    // Picks an entry of a list with the keyboard, as the operator does.
    void choose(int id, const QString& entry)
    {
        auto* list = control<QComboBox>(id);
        QVERIFY2(list->isEnabled(), qPrintable(entry));
        const int target = list->findText(entry);
        QVERIFY2(target >= 0, qPrintable(entry));
        list->setFocus();
        while (list->currentIndex() > target)
            QTest::keyClick(list, Qt::Key_Up);
        while (list->currentIndex() < target)
            QTest::keyClick(list, Qt::Key_Down);
    }

    void retype(int id, const QString& text)
    {
        auto* edit = control<QLineEdit>(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    void click(int id)
    {
        QWidget* target = control(id);
        // Check boxes and radio buttons take clicks on their mark and text only.
        const bool marked = qobject_cast<QCheckBox*>(target) || qobject_cast<QRadioButton*>(target);
        QTest::mouseClick(target, Qt::LeftButton, {}, marked ? QPoint(6, target->height() / 2) : QPoint());
    }

    QString shown(int id) const
    {
        if (auto* list = qobject_cast<QComboBox*>(control(id)))
            return list->currentText();
        return control<QLineEdit>(id)->text();
    }

private slots:
    void init()
    {
        ResetSettings(m_record);
        QFile::remove(SettingsProfilePath());
        QFile::remove(AutostartEntryPath());
        QDir ports(portMapFolder());
        for (const QString& name : ports.entryList(QDir::System | QDir::Files))
            ports.remove(name);
        // COM1 and COM10 are absent whatever this machine has in /dev.
        mapPort(1, QStringLiteral("/nonexistent/ttyS0"));
        mapPort(10, QStringLiteral("/nonexistent/ttyS9"));
        mapPort(3, QStringLiteral("/dev/null"));
    }

    void cleanup() { m_dialog.reset(); }

    void portListFollowsThePortMap()
    {
        zrq7::test::SocatPair pty(portMapFolder() + QStringLiteral("/COM7"),
                                  QDir::tempPath() + QStringLiteral("/peer"));
        QVERIFY2(pty.start(), qPrintable(pty.errorString()));
        mapPort(5, QStringLiteral("/nonexistent/ttyUSB4"));

        const QStringList ports = ScanSerialPorts();
        QVERIFY2(ports.contains(QStringLiteral("COM3")), qPrintable(ports.join(u',')));
        QVERIFY2(ports.contains(QStringLiteral("COM7")), qPrintable(ports.join(u',')));
        for (const char* absent : {"COM1", "COM5", "COM10"})
            QVERIFY2(!ports.contains(QLatin1String(absent)), absent);
        QVERIFY(ports.indexOf(QStringLiteral("COM3")) < ports.indexOf(QStringLiteral("COM7")));

        open();
        auto* list = control<QComboBox>(1016);
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        QCOMPARE(entries, ports + QStringList{QStringLiteral("Modbus TCP")});

        // The scan only looks: the pty is free for its next owner.
        QVERIFY(IsSerialPortPresent(QStringLiteral("COM7")));
    }

    void savedPortIsMatchedOrReplacedByTheFirstEntry_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<bool>("listed");
        QTest::newRow("listed, other case") << "com3" << true;
        QTest::newRow("adapter removed") << "COM10" << false;
        QTest::newRow("never set") << "" << false;
    }

    void savedPortIsMatchedOrReplacedByTheFirstEntry()
    {
        QFETCH(QString, saved);
        QFETCH(bool, listed);
        SetSettingsText(m_record.szPortName, saved);
        open();
        const QString expected = listed ? QStringLiteral("COM3") : control<QComboBox>(1016)->itemText(0);
        QCOMPARE(shown(1016), expected);

        click(1005);
        QCOMPARE(SettingsText(m_record.szPortName), expected);
    }

    void modbusTcpGreysTheSerialLineAndComingBackKeepsTheProtocol()
    {
        SetSettingsText(m_record.szPortName, QStringLiteral("COM3"));
        open();
        const int serialFields[] = {1018, 1020, 1023, 1024, 1026};
        for (int id : serialFields)
            QVERIFY(control(id)->isEnabled());
        QVERIFY(!control(1203)->isEnabled());
        QVERIFY(!control(1051)->isEnabled());
        QCOMPARE(shown(1026), QStringLiteral("RTU"));
        QCOMPARE(shown(1020), QStringLiteral("8"));

        choose(1016, QStringLiteral("Modbus TCP"));
        for (int id : serialFields)
            QVERIFY2(!control(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(!control(1216)->isEnabled());
        QVERIFY(control(1203)->isEnabled());
        QVERIFY(control(1051)->isEnabled());
        QVERIFY(control(1016)->isEnabled());
        QCOMPARE(shown(1026), QStringLiteral("ASCII"));
        // Forcing the framing is not the operator's choice: data bits stay.
        QCOMPARE(shown(1020), QStringLiteral("8"));

        choose(1016, QStringLiteral("COM3"));
        for (int id : serialFields)
            QVERIFY(control(id)->isEnabled());
        QVERIFY(!control(1203)->isEnabled());
        QCOMPARE(shown(1026), QStringLiteral("ASCII"));

        click(1005);
        QCOMPARE(SettingsText(m_record.szPortName), QStringLiteral("COM3"));
        QCOMPARE(m_record.nProtocolIndex, 1);
    }

    void openingOnModbusTcpShowsAscii()
    {
        SetSettingsText(m_record.szPortName, QStringLiteral("Modbus TCP"));
        m_record.nProtocolIndex = 0;
        open();
        QCOMPARE(shown(1026), QStringLiteral("ASCII"));
        QVERIFY(!control(1026)->isEnabled());
        QVERIFY(control(1203)->isEnabled());
    }

    void protocolChoiceSetsTheDataBits()
    {
        SetSettingsText(m_record.szPortName, QStringLiteral("COM3"));
        m_record.nDataBitsIndex = 1;
        open();
        choose(1026, QStringLiteral("ASCII"));
        QCOMPARE(shown(1020), QStringLiteral("7"));
        choose(1020, QStringLiteral("8")); // the operator may still override it
        choose(1026, QStringLiteral("RTU"));
        QCOMPARE(shown(1020), QStringLiteral("8"));
        choose(1020, QStringLiteral("7"));
        choose(1026, QStringLiteral("ASCII"));
        QCOMPARE(shown(1020), QStringLiteral("7"));
        choose(1026, QStringLiteral("RTU"));
        QCOMPARE(shown(1020), QStringLiteral("8"));
    }

    void saveWritesTheRecordAndTheProfile()
    {
        SetSettingsText(m_record.szPortName, QStringLiteral("COM3"));
        open();
        const ProgramSettings before = m_record;
        choose(1018, QStringLiteral("19200"));
        choose(1023, QStringLiteral("Tak"));
        choose(1024, QStringLiteral("1"));
        choose(1026, QStringLiteral("ASCII"));
        retype(1045, QStringLiteral("17"));
        retype(1028, QStringLiteral("4294967295"));
        retype(1202, QStringLiteral("0"));
        choose(1016, QStringLiteral("Modbus TCP"));
        retype(1203, QStringLiteral("192.168.1.20"));
        retype(1051, QStringLiteral("1502"));
        click(1030);
        click(1049);
        click(1042);
        click(1035);
        click(1036);
        click(1043);
        click(1040);
        QVERIFY(sameRecord(m_record, before)); // nothing reaches the record before "Zapisz"

        MessageBoxAnswerer none;
        click(1005);
        QVERIFY(none.seen.isEmpty());
        QVERIFY(m_dialog->isVisible());

        ProgramSettings expected = defaults();
        SetSettingsText(expected.szPortName, QStringLiteral("Modbus TCP"));
        expected.nBaudRateIndex = 1;
        expected.nDataBitsIndex = 0;
        expected.nParityIndex = 1;
        expected.nStopBitsIndex = 0;
        expected.nProtocolIndex = 1;
        expected.nDeviceAddress = 17;
        expected.nResponseTimeout = 4294967295u;
        expected.nRetries = 0;
        expected.dwIpAddress = 0xC0A80114;
        expected.nTcpPort = 1502;
        expected.bAlwaysOnTop = 1;
        expected.bStartWithWindows = 1;
        expected.bAutoConnect = 1;
        expected.bPasswordProtection = 1;
        expected.nPasswordFlags = PWD_AT_START | PWD_CONNECT | PWD_DATABASE;
        QVERIFY(sameRecord(m_record, expected));

        ProgramSettings stored{};
        QVERIFY(LoadSettings(stored));
        QVERIFY(sameRecord(stored, expected));
        QVERIFY2(QFile::exists(AutostartEntryPath()), "autostart follows a successful save");
    }

    void failedSaveSaysSoAndKeepsTheValuesInMemory()
    {
        QVERIFY(QDir().mkpath(SettingsProfilePath())); // a folder where the profile belongs
        open();
        click(1049);
        retype(1045, QStringLiteral("9"));

        MessageBoxAnswerer answer;
        click(1005);
        QCOMPARE(answer.seen,
                 QStringList{QStringLiteral("Błąd|Nie można zapisać ustawień. Ponów próbę później.")});
        QCOMPARE(answer.icons, QList{QMessageBox::Critical});
        QCOMPARE(m_record.nDeviceAddress, 9);
        QCOMPARE(m_record.bStartWithWindows, 1);
        QVERIFY2(!QFile::exists(AutostartEntryPath()), "no autostart after a failed save");
        QDir().rmdir(SettingsProfilePath());
    }

    void defaultsResetTheLiveRecordButNotTheProfile()
    {
        m_record.nDeviceAddress = 44;
        m_record.bPasswordProtection = 1;
        m_record.nPasswordFlags = PWD_SETTINGS;
        SetSettingsText(m_record.szPassword, QStringLiteral("tajnehaslo"));
        SetSettingsText(m_record.szPortName, QStringLiteral("Modbus TCP"));
        m_record.nInterfaceStyle = 0;
        m_record.nPowerSelection[2] = 7;
        QVERIFY(SaveSettings(m_record));
        const QByteArray profile = profileBytes();
        const ProgramSettings before = m_record;
        open();

        {
            MessageBoxAnswerer no(QMessageBox::No);
            click(1001);
            QCOMPARE(no.seen, QStringList{QStringLiteral("Przywrócenie ustawień fabrycznych|UWAGA: Wszystkie "
                                                         "ustawienia zostaną zastąpione przez ustawienia "
                                                         "fabryczne. Czy chcesz kontynuować?")});
            QCOMPARE(no.icons, QList{QMessageBox::Warning});
        }
        QVERIFY(sameRecord(m_record, before));

        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            click(1001);
            QCOMPARE(yes.seen.size(), 1);
        }
        QVERIFY(sameRecord(m_record, defaults()));
        QCOMPARE(shown(1045), QStringLiteral("1"));
        QCOMPARE(shown(1016), control<QComboBox>(1016)->itemText(0));
        QVERIFY(control(1018)->isEnabled()); // a serial port again: its line is editable
        QVERIFY(!control<QCheckBox>(1035)->isChecked());
        QVERIFY(!control(1039)->isEnabled());
        QVERIFY(control<QRadioButton>(1033)->isChecked());
        QVERIFY(control(1014)->isEnabled());

        click(1154);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(profileBytes(), profile);
        QVERIFY(sameRecord(m_record, defaults()));
    }

    // "Zapisz" and "Ustawienia domyślne" tell whoever works from a copy of the
    // live record (the poll while connected), once each and with the record
    // already holding the new values; typing and leaving without saving tell nobody.
    void liveRecordChangesAreAnnounced()
    {
        m_record.nDeviceAddress = 7;
        open();
        QList<int32_t> announced; // the record's device address at each announcement
        connect(m_dialog.get(), &CSettingsDlg::liveRecordChanged, this,
                [&] { announced << m_record.nDeviceAddress; });
        retype(1045, QStringLiteral("9"));
        QVERIFY(announced.isEmpty());
        click(1005);
        QCOMPARE(announced, QList<int32_t>{9});
        {
            MessageBoxAnswerer no(QMessageBox::No);
            click(1001);
            QCOMPARE(no.seen.size(), 1);
        }
        QCOMPARE(announced, QList<int32_t>{9});
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            click(1001);
            QCOMPARE(yes.seen.size(), 1);
        }
        QCOMPARE(announced, (QList<int32_t>{9, 1}));
        retype(1045, QStringLiteral("5"));
        click(1154);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(announced, (QList<int32_t>{9, 1}));
    }

    void coloursFollowTheStyle()
    {
        m_record.nInterfaceStyle = 0;
        m_record.crBackground = makeColorRef(10, 20, 30);
        open();
        const QPalette system = QApplication::palette();
        for (int id : {1014, 1011, 1047})
            QVERIFY(!control(id)->isEnabled());
        QCOMPARE(m_dialog->palette().color(QPalette::Window), system.color(QPalette::Button));
        QCOMPARE(m_dialog->valueColour(), colorRefFrom(system.color(QPalette::WindowText)));

        {
            MessageBoxAnswerer info;
            click(1033);
            QCOMPARE(
                info.seen,
                QStringList{QStringLiteral(
                    "ZRQ-7/8|Ustawienia interfejsu zaczną obowiązywać po ponownym uruchomieniu programu.")});
            QCOMPARE(info.icons, QList{QMessageBox::Information});
        }
        for (int id : {1014, 1011, 1047})
            QVERIFY(control(id)->isEnabled());
        QCOMPARE(m_dialog->backgroundColour(), m_record.crBackground);
        QCOMPARE(m_dialog->palette().color(QPalette::Window), QColor(10, 20, 30));

        QColor offered;
        {
            WhenModal<QColorDialog> chooser([&](QColorDialog* dialog) {
                offered = dialog->currentColor();
                dialog->setCurrentColor(QColor(200, 0, 0));
                dialog->accept();
            });
            click(1014);
            QVERIFY(chooser.seen);
        }
        QCOMPARE(offered, QColor(10, 20, 30));
        QCOMPARE(m_dialog->backgroundColour(), makeColorRef(200, 0, 0));
        QCOMPARE(m_dialog->palette().color(QPalette::Window), QColor(200, 0, 0));
        QCOMPARE(m_record.crBackground, makeColorRef(10, 20, 30)); // the record waits for "Zapisz"

        {
            WhenModal<QColorDialog> cancel([](QColorDialog* dialog) { dialog->reject(); });
            click(1047);
        }
        QCOMPARE(m_dialog->valueColour(), m_record.crParameter);

        click(1032);
        QCOMPARE(m_dialog->palette().color(QPalette::Window), system.color(QPalette::Button));
        {
            MessageBoxAnswerer info;
            click(1033);
        }
        // Back to the record's colours, not the one chosen a moment ago.
        QCOMPARE(m_dialog->backgroundColour(), makeColorRef(10, 20, 30));

        // Saving with the system style keeps the record's own colours.
        click(1032);
        click(1005);
        QCOMPARE(m_record.nInterfaceStyle, 0);
        QCOMPARE(m_record.crBackground, makeColorRef(10, 20, 30));
    }

    void unprotectingKeepsThePasswordAndItsActions()
    {
        m_record.bPasswordProtection = 1;
        m_record.nPasswordFlags = PWD_AT_START | PWD_DEVICE_PARAMS;
        SetSettingsText(m_record.szPassword, QStringLiteral("geheim123"));
        open();
        const int protectedControls[] = {1034, 1039, 1036, 1037, 1038, 1043, 1040};
        for (int id : protectedControls)
            QVERIFY(control(id)->isEnabled());
        QCOMPARE(control<CXLed>(1161)->GetState(), int(CXLed::On));
        QVERIFY(control<QCheckBox>(1036)->isChecked());
        QVERIFY(control<QCheckBox>(1038)->isChecked());
        QVERIFY(!control<QCheckBox>(1037)->isChecked());
        // The display never carries the password, only a fixed stand-in.
        QVERIFY(!control<QLineEdit>(1034)->text().contains(QStringLiteral("geheim")));
        QCOMPARE(control<QLineEdit>(1034)->text().size(), 12);
        QCOMPARE(control<QLineEdit>(1034)->echoMode(), QLineEdit::Password);

        click(1035);
        for (int id : protectedControls)
            QVERIFY(!control(id)->isEnabled());
        QCOMPARE(control<CXLed>(1161)->GetState(), int(CXLed::Off));

        click(1005);
        QCOMPARE(m_record.bPasswordProtection, 0);
        QCOMPARE(m_record.nPasswordFlags, PWD_AT_START | PWD_DEVICE_PARAMS);
        QCOMPARE(SettingsText(m_record.szPassword), QStringLiteral("geheim123"));
    }

    void newPasswordGoesIntoTheLiveRecordAtOnce()
    {
        m_record.bPasswordProtection = 1;
        open();
        {
            WhenModal<QDialog> window([](QDialog* modal) {
                QCOMPARE(modal->windowTitle(), QStringLiteral("Wprowadzenie hasła"));
                QVERIFY(modal->findChild<QWidget*>(QStringLiteral("id1048"))->isVisible());
                QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("id1044")), "nowehaslo1");
                QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("id1048")), "nowehaslo1");
                QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("id1")), Qt::LeftButton);
            });
            click(1039);
            QVERIFY(window.seen);
        }
        QCOMPARE(SettingsText(m_record.szPassword), QStringLiteral("nowehaslo1"));
        QVERIFY(!QFile::exists(SettingsProfilePath()));
    }

    void enterAndEscapeDoNothing()
    {
        open();
        retype(1028, QStringLiteral("750"));
        MessageBoxAnswerer none;
        for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(control(1028), key);
        // Not even on a button that has the focus.
        control(1001)->setFocus();
        QTest::keyClick(control(1001), Qt::Key_Return);
        QVERIFY(none.seen.isEmpty());
        QVERIFY(m_dialog->isVisible());
        QVERIFY(sameRecord(m_record, defaults()));
        QVERIFY(!QFile::exists(SettingsProfilePath()));

        click(1154);
        QVERIFY(!m_dialog->isVisible());
        QVERIFY(sameRecord(m_record, defaults()));
    }

    void emptiedNumberFieldIsReportedAtOnce_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("largest");
        const QString positive = QStringLiteral("Wprowadź liczbę całkowitą dodatnią.");
        const QString unsignedMax = QStringLiteral("4294967295");
        QTest::newRow("time-out") << 1028 << positive << unsignedMax;
        QTest::newRow("retries") << 1202 << positive << unsignedMax;
        QTest::newRow("TCP port") << 1051 << positive << unsignedMax;
        QTest::newRow("device address")
            << 1045 << QStringLiteral("Wprowadź liczbę całkowitą.") << QStringLiteral("2147483647");
    }

    void emptiedNumberFieldIsReportedAtOnce()
    {
        QFETCH(int, id);
        QFETCH(QString, message);
        SetSettingsText(m_record.szPortName, QStringLiteral("Modbus TCP")); // TCP port editable
        open();
        auto* field = control<QLineEdit>(id);
        field->setFocus();
        field->end(false);
        const int length = field->text().size();
        for (int i = 0; i < length - 1; ++i)
            QTest::keyClick(field, Qt::Key_Backspace);
        {
            MessageBoxAnswerer answer;
            QTest::keyClick(field, Qt::Key_Backspace);
            QCOMPARE(answer.seen.size(), 1);
            QCOMPARE(answer.seen[0].section(u'|', 1), message);
        }
        QVERIFY(field->text().isEmpty());

        // Saving now would store a value the window does not show: it asks again.
        {
            MessageBoxAnswerer again;
            click(1005);
            QCOMPARE(again.seen.size(), 1);
            QCOMPARE(again.seen[0].section(u'|', 1), message);
        }
        QVERIFY(!QFile::exists(SettingsProfilePath()));

        // Only digits, and nothing beyond the field's 32-bit range.
        QTest::keyClicks(field, "-4a2 ");
        QCOMPARE(field->text(), QStringLiteral("42"));
        QFETCH(QString, largest);
        retype(id, largest + QStringLiteral("0"));
        QCOMPARE(field->text(), largest);
        retype(id, QString::number(largest.toULongLong() + 1));
        QCOMPARE(field->text(), largest.left(largest.size() - 1));
    }

    void ipv4FieldKeepsTheRecordByteOrder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<uint>("stored");
        QTest::newRow("loopback") << "127.0.0.1"
                                  << "127.0.0.1" << 0x7F000001u;
        QTest::newRow("first octet high") << "192.168.1.20"
                                          << "192.168.1.20" << 0xC0A80114u;
        QTest::newRow("blank parts are zero") << "10.1"
                                              << "10.1.0.0" << 0x0A010000u;
        QTest::newRow("octet over 255 refused") << "10.256.1.1"
                                                << "10.25.1.1" << 0x0A190101u;
    }

    void ipv4FieldKeepsTheRecordByteOrder()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(uint, stored);
        SetSettingsText(m_record.szPortName, QStringLiteral("Modbus TCP"));
        open();
        retype(1203, typed);
        control(1051)->setFocus(); // leaving the field completes it
        QCOMPARE(this->shown(1203), shown);
        click(1005);
        QCOMPARE(m_record.dwIpAddress, stored);

        m_record.dwIpAddress = stored;
        open();
        QCOMPARE(this->shown(1203), shown);
    }

    void deviceSearchTakesOverWhatItFound()
    {
        mapPort(10, QStringLiteral("/dev/null"));
        SetSettingsText(m_record.szPortName, QStringLiteral("Modbus TCP"));
        open();
        QVERIFY(!control(1216)->isEnabled()); // on Modbus TCP

        DeviceSearchResult relay{QStringLiteral("com3"),
                                 QStringLiteral("19200"),
                                 QStringLiteral("8"),
                                 QStringLiteral("Nie"),
                                 QStringLiteral("2"),
                                 QStringLiteral("RTU"),
                                 150,
                                 5};
        choose(1016, QStringLiteral("COM3"));
        QVERIFY(control(1216)->isEnabled());
        choose(1026, QStringLiteral("ASCII"));

        // What the search window hands back (the window itself: tst_find_device).
        m_dialog->takeOverSearchResult(relay);
        QCOMPARE(shown(1016), QStringLiteral("COM3"));
        QCOMPARE(shown(1018), QStringLiteral("19200"));
        QCOMPARE(shown(1020), QStringLiteral("8"));
        QCOMPARE(shown(1026), QStringLiteral("RTU"));
        QCOMPARE(shown(1045), QStringLiteral("5"));
        QCOMPARE(shown(1028), QStringLiteral("150"));
        QVERIFY(!control(1203)->isEnabled());

        // A port missing from the list (COM1; COM10 is there) and
        // texts the lists do not hold leave those lists as they were.
        relay.portName = QStringLiteral("COM1");
        relay.baudRate = QStringLiteral("57600");
        relay.protocol = QStringLiteral("ascii");
        relay.deviceAddress = 7;
        m_dialog->takeOverSearchResult(relay);
        QCOMPARE(shown(1016), QStringLiteral("COM3"));
        QCOMPARE(shown(1018), QStringLiteral("19200"));
        QCOMPARE(shown(1026), QStringLiteral("ASCII"));
        QCOMPARE(shown(1045), QStringLiteral("7"));

        click(1005);
        QCOMPARE(m_record.nDeviceAddress, 7);
        QCOMPARE(m_record.nResponseTimeout, 150u);
        QCOMPARE(m_record.nBaudRateIndex, 1);
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settings_dialog.moc"
