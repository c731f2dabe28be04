// SPDX-License-Identifier: MIT
// The main window on the smallest screen it is made for: 1024 x 768 less a
// desktop panel. At the default font its content fits 1024 x 740 with every
// read-out, bar, caption and button whole and no scroll bar; and the value
// read-outs, bars and lamps, which paint themselves, still tell screen readers
// their text, which row or lamp they are and their state.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CXLabel.h"
#include "CXLed.h"
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
    CXLabel* current = window.liveDisplay().label(1092);
    current->SetText(QStringLiteral("125.0 \u0410"));
    QAccessibleInterface* readout = QAccessible::queryAccessibleInterface(current);
    QVERIFY(readout);
    QCOMPARE(readout->role(), QAccessible::StaticText);
    QCOMPARE(readout->text(QAccessible::Name), QStringLiteral("125.0 \u0410"));
    current->SetText(QStringLiteral("0.0 \u0410"));
    QCOMPARE(readout->text(QAccessible::Name), QStringLiteral("0.0 \u0410"));

    // Two lines read as two lines.
    CXLabel* clock = window.liveDisplay().label(1130);
    clock->SetText(QStringLiteral("12 : 30 : 05\r\n10.12.2026"));
    QCOMPARE(QAccessible::queryAccessibleInterface(clock)->text(QAccessible::Name),
             QStringLiteral("12 : 30 : 05\n10.12.2026"));
}

void TestMainWindowSize::barsAndLampsAreNamedForScreenReaders()
{
    CCPL_ZRQ7Dlg window;
    const auto name = [&](int id) {
        QWidget* control = window.liveDisplay().widget(id);
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    // A bar by its row, never by its group ("Prądy", "Napięcia").
    QCOMPARE(name(1054), QStringLiteral("Faza L1"));
    QCOMPARE(name(1059), QStringLiteral("Prąd doziemny I0"));
    QCOMPARE(name(1065), QStringLiteral("Międzyfaz. L1-L2"));
    QCOMPARE(name(1072), QStringLiteral("Składowa przeciwna"));
    QCOMPARE(name(1075), QStringLiteral("Do samoczynnego zał."));

    // A lamp by its caption, its state as value and description.
    CXLed* motorRelay = window.liveDisplay().led(1088);
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

QTEST_MAIN(TestMainWindowSize)
#include "tst_main_window_size.moc"
