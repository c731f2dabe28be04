// SPDX-License-Identifier: MIT
// The main window on the smallest screen it is made for: 1024 x 768 less a
// desktop panel. At the default font its content fits 1024 x 740 with every
// read-out, bar, caption and button whole and no scroll bar; and the value
// read-outs, bars and lamps, which paint themselves, still tell screen readers
// their text, which row or lamp they are and their state.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CGraph.h"
#include "CIconButton.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "CXListCtrl.h"
#include "CXProgressCtrl.h"
#include "LiveDisplay.h"
#include "MainWindowLayout.h"
#include "ProgramSettings.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

namespace {

const QSize smallScreen(1024, 740);

QWidget* content(CCPL_ZRQ7Dlg& window)
{
    return window.findChild<QWidget*>(QStringLiteral("content"));
}

} // namespace

class TestMainWindowSize : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fitsSmallScreen();
    void readoutTextForScreenReaders();
    void barsAndLampsAreNamedForScreenReaders();
    void everyControlHasItsHandleAndId();
};

void TestMainWindowSize::initTestCase()
{
    ResetSettings(theApp().settings);
}

void TestMainWindowSize::fitsSmallScreen()
{
    const QFontInfo font(QApplication::font());
    const QString fontName = font.family() + QLatin1Char(' ') + QString::number(font.pointSizeF());

    CCPL_ZRQ7Dlg window;
    // Everything the poll may show besides the initial controls: START and STOP
    // instead of the motor picture, and the fault reset button.
    window.liveDisplay().setRemoteControl(true);
    window.liveDisplay().setFaultResetVisible(true);
    QWidget* panel = content(window);
    const QSize hint = settledSizeHint(panel);
    QVERIFY2(hint.width() <= smallScreen.width() && hint.height() <= smallScreen.height(),
             qPrintable(QStringLiteral("%1 x %2 at %3").arg(hint.width()).arg(hint.height()).arg(fontName)));

    window.resize(smallScreen);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* area = window.findChild<QScrollArea*>();
    QTRY_COMPARE(area->widget()->size(), area->viewport()->size());
    QCOMPARE(area->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(area->verticalScrollBar()->maximum(), 0);

    // Every control in sight is whole: inside the viewport and not squeezed below
    // what its text or picture needs.
    const QRect viewport = area->viewport()->rect();
    int checked = 0;
    for (QWidget* each : panel->findChildren<QWidget*>()) {
        const bool kind = qobject_cast<CXLabel*>(each) || qobject_cast<CXProgressCtrl*>(each) ||
                          qobject_cast<QLabel*>(each) || qobject_cast<QAbstractButton*>(each) ||
                          qobject_cast<QComboBox*>(each) || qobject_cast<QGroupBox*>(each);
        if (!kind || !each->isVisibleTo(&window))
            continue;
        const QRect where(each->mapTo(area->viewport(), QPoint(0, 0)), each->size());
        const QString name =
            QStringLiteral("%1 %2 at %3,%4 %5x%6")
                .arg(QString::fromLatin1(each->metaObject()->className()), each->objectName())
                .arg(where.x())
                .arg(where.y())
                .arg(where.width())
                .arg(where.height());
        QVERIFY2(viewport.contains(where), qPrintable(name));
        const QSize needed = each->minimumSizeHint();
        QVERIFY2(where.width() >= needed.width() && where.height() >= needed.height(), qPrintable(name));
        ++checked;
    }
    QVERIFY(checked > 100);

    // A little smaller, and the window scrolls as before.
    window.resize(smallScreen - QSize(200, 200));
    QTRY_VERIFY(area->horizontalScrollBar()->maximum() > 0);
    QVERIFY(area->verticalScrollBar()->maximum() > 0);
}

void TestMainWindowSize::readoutTextForScreenReaders()
{
    CCPL_ZRQ7Dlg window;
    CXLabel* current = window.controls().currentL1;
    current->SetText(QStringLiteral("125.0 \u0410"));
    QAccessibleInterface* readout = QAccessible::queryAccessibleInterface(current);
    QVERIFY(readout);
    QCOMPARE(readout->role(), QAccessible::StaticText);
    QCOMPARE(readout->text(QAccessible::Name), QStringLiteral("125.0 \u0410"));
    current->SetText(QStringLiteral("0.0 \u0410"));
    QCOMPARE(readout->text(QAccessible::Name), QStringLiteral("0.0 \u0410"));

    // Two lines read as two lines.
    CXLabel* clock = window.controls().relayClock;
    clock->SetText(QStringLiteral("12 : 30 : 05\r\n10.12.2026"));
    QCOMPARE(QAccessible::queryAccessibleInterface(clock)->text(QAccessible::Name),
             QStringLiteral("12 : 30 : 05\n10.12.2026"));
}

void TestMainWindowSize::barsAndLampsAreNamedForScreenReaders()
{
    CCPL_ZRQ7Dlg window;
    const MainWindowControls& ui = window.controls();
    const auto name = [&](QWidget* control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    // A bar by its row, never by its group ("Prądy", "Napięcia").
    QCOMPARE(name(ui.currentL1Bar), QStringLiteral("Faza L1"));
    QCOMPARE(name(ui.earthCurrentBar), QStringLiteral("Prąd doziemny I0"));
    QCOMPARE(name(ui.voltageL1L2Bar), QStringLiteral("Międzyfaz. L1-L2"));
    QCOMPARE(name(ui.negativeVoltageBar), QStringLiteral("Składowa przeciwna"));
    QCOMPARE(name(ui.restartCountdownBar), QStringLiteral("Do samoczynnego zał."));

    // A lamp by its caption, its state as value and description.
    CXLed* motorRelay = window.controls().motorRelayLamp;
    QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(motorRelay);
    QCOMPARE(lamp->text(QAccessible::Name), QStringLiteral("Przekaźnik silnika"));
    motorRelay->SetState(CXLed::On);
    QCOMPARE(lamp->text(QAccessible::Value), QStringLiteral("świeci"));
    QCOMPARE(lamp->text(QAccessible::Description), QStringLiteral("świeci"));
    motorRelay->SetState(CXLed::Off);
    QCOMPARE(lamp->text(QAccessible::Description), QStringLiteral("zgaszona"));

    // Every bar and lamp of the window has a name of its own.
    QStringList groups;
    for (const QGroupBox* group : window.findChildren<QGroupBox*>())
        groups << group->title();
    const QStringList states{QStringLiteral("świeci"), QStringLiteral("zgaszona"), QStringLiteral("miga"),
                             QStringLiteral("błyska")};
    // Unique within a group (both "Prądy" and "Napięcia" have a "Składowa przeciwna").
    QHash<QWidget*, QStringList> namesInGroup;
    QList<QWidget*> controls;
    for (CXProgressCtrl* bar : window.findChildren<CXProgressCtrl*>())
        controls << bar;
    for (CXLed* led : window.findChildren<CXLed*>())
        controls << led;
    QVERIFY(controls.size() >= 25);
    for (QWidget* control : controls) {
        const QString spoken = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        QVERIFY2(!spoken.isEmpty() && !groups.contains(spoken) && !states.contains(spoken),
                 qPrintable(control->objectName() + QStringLiteral(": ") + spoken));
        QStringList& names = namesInGroup[control->parentWidget()];
        QVERIFY2(!names.contains(spoken), qPrintable(spoken));
        names << spoken;
    }
}

// The layout hands over every control it names, each named "id" + its control
// ID (what tests and screen-reader drivers look for), and lists every value
// read-out and level bar it made (the display colours and zeroes those lists).
void TestMainWindowSize::everyControlHasItsHandleAndId()
{
    QWidget content;
    const MainWindowControls ui = buildMainWindowContent(&content);
    const std::pair<QWidget*, int> handles[] = {{ui.currentL1, 1092},
                                                {ui.currentL1Bar, 1054},
                                                {ui.currentL2, 1093},
                                                {ui.currentL2Bar, 1055},
                                                {ui.currentL3, 1094},
                                                {ui.currentL3Bar, 1056},
                                                {ui.positiveCurrent, 1133},
                                                {ui.positiveCurrentBar, 1079},
                                                {ui.negativeCurrent, 1105},
                                                {ui.negativeCurrentBar, 1061},
                                                {ui.earthCurrent, 1095},
                                                {ui.earthCurrentBar, 1059},
                                                {ui.averageCurrent[0], 1096},
                                                {ui.averageCurrent[1], 1097},
                                                {ui.averageCurrent[2], 1098},
                                                {ui.peakAverageCurrent[0], 1100},
                                                {ui.peakAverageCurrent[1], 1101},
                                                {ui.peakAverageCurrent[2], 1102},
                                                {ui.averagingPeriod, 1099},
                                                {ui.startCurrent, 1103},
                                                {ui.startTime, 1120},
                                                {ui.overloadCurrent, 1104},
                                                {ui.voltageL1, 1114},
                                                {ui.voltageL1Bar, 1073},
                                                {ui.voltageL2, 1115},
                                                {ui.voltageL2Bar, 1085},
                                                {ui.voltageL3, 1116},
                                                {ui.voltageL3Bar, 1086},
                                                {ui.voltageL1L2, 1106},
                                                {ui.voltageL1L2Bar, 1065},
                                                {ui.voltageL2L3, 1107},
                                                {ui.voltageL2L3Bar, 1067},
                                                {ui.voltageL3L1, 1108},
                                                {ui.voltageL3L1Bar, 1069},
                                                {ui.positiveVoltage, 1117},
                                                {ui.negativeVoltage, 1118},
                                                {ui.negativeVoltageBar, 1072},
                                                {ui.zeroVoltage, 1109},
                                                {ui.powerChoice[0], 1187},
                                                {ui.powerChoice[1], 1188},
                                                {ui.powerChoice[2], 1189},
                                                {ui.powerValue[0], 1190},
                                                {ui.powerValue[1], 1191},
                                                {ui.powerValue[2], 1192},
                                                {ui.sensor1Temperature, 1123},
                                                {ui.sensor2Temperature, 1124},
                                                {ui.currentInput, 1125},
                                                {ui.voltageInput, 1126},
                                                {ui.frequency, 1127},
                                                {ui.insulation, 1128},
                                                {ui.restartCountdown, 1119},
                                                {ui.restartCountdownBar, 1075},
                                                {ui.overloadTripTime, 1121},
                                                {ui.afterOverloadTime, 1122},
                                                {ui.tmlppLamp, 1087},
                                                {ui.motorRelayLamp, 1088},
                                                {ui.functionRelayLamp, 1089},
                                                {ui.faultLamp, 1090},
                                                {ui.yellowLamp, 1185},
                                                {ui.blueLamp, 1193},
                                                {ui.functionRelayMode, 1184},
                                                {ui.relayClock, 1130},
                                                {ui.start, 1139},
                                                {ui.stop, 1198},
                                                {ui.motorPicture, 1200},
                                                {ui.remoteLamp, 1186},
                                                {ui.faultReset, 1214},
                                                {ui.loadGraph, 1134},
                                                {ui.heating, 1135},
                                                {ui.faultList, 1076},
                                                {ui.linkActivity, 1113},
                                                {ui.protection, 1159},
                                                {ui.linkState, 1112},
                                                {ui.lineSpeed, 1111},
                                                {ui.connectionTime, 1110},
                                                {ui.throughput, 1131},
                                                {ui.pcClock, 1091},
                                                {ui.connect, 1084},
                                                {ui.settings, 1000},
                                                {ui.deviceParameters, 1003},
                                                {ui.database, 1155},
                                                {ui.faultLog, 1201},
                                                {ui.about, 1082},
                                                {ui.exit, 1080}};
    QSet<QWidget*> handed;
    for (const auto& [control, id] : handles) {
        const QString expected = QStringLiteral("id%1").arg(id);
        QVERIFY2(control, qPrintable(expected));
        QCOMPARE(control->objectName(), expected);
        QVERIFY2(control->window() == &content, qPrintable(expected));
        handed.insert(control);
    }
    QCOMPARE(handed.size(), int(std::size(handles)));
    for (QWidget* named : content.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^id\\d+$"))))
        QVERIFY2(handed.contains(named), qPrintable(named->objectName()));

    const auto sorted = [](auto list) {
        std::sort(list.begin(), list.end());
        return list;
    };
    QCOMPARE(sorted(ui.valueLabels), sorted(content.findChildren<CXLabel*>()));
    QCOMPARE(sorted(ui.levelBars), sorted(content.findChildren<CXProgressCtrl*>()));
}

QTEST_MAIN(TestMainWindowSize)
#include "tst_main_window_size.moc"
