// SPDX-License-Identifier: MIT
// What a screen reader learns from the display controls, read through Qt's accessibility
// interfaces as the AT-SPI bridge reads them: LEDs their name and state in words, level bars their level
// and range, the load graph its name and load, the fault list its cells. (The change events
// themselves are not observed here: Qt dispatches them only while a platform bridge is active,
// which the offscreen platform never is.)
#include "CGraph.h"
#include "CXLed.h"
#include "CXListCtrl.h"
#include "CXProgressCtrl.h"

#include <QAccessible>
#include <QtTest>

namespace {

QAccessibleInterface* readerView(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void ledTellsItsState_data();
    void ledTellsItsState();
    void levelBarTellsLevelAndRange();
    void loadGraphHasNameAndLoad();
    void faultListCellsAreReadable();
};

void TestAccessibility::ledTellsItsState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("blinkClock");
    QTest::addColumn<QString>("words");
    QTest::newRow("off") << 0 << false << "zgaszona";
    QTest::newRow("off, clock running") << 0 << true << "zgaszona";
    QTest::newRow("on") << 1 << false << "świeci";
    QTest::newRow("blinking") << 1 << true << "miga";
    QTest::newRow("flashing") << 2 << true << "błyska";
}

void TestAccessibility::ledTellsItsState()
{
    QFETCH(int, state);
    QFETCH(bool, blinkClock);
    QFETCH(QString, words);

    CXLed led;
    led.SetBlink(blinkClock);
    led.SetState(state);
    QAccessibleInterface* iface = readerView(&led);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Indicator);
    QCOMPARE(iface->text(QAccessible::Value), words);
    QCOMPARE(iface->text(QAccessible::Name), words);
    // Named by its window: the name says which lamp, value and description its state.
    led.setAccessibleName(QStringLiteral("Praca silnika"));
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Praca silnika"));
    QCOMPARE(iface->text(QAccessible::Value), words);
    QCOMPARE(iface->text(QAccessible::Description), words);

    // The interface reads the LED as it is now, not as it was when first asked.
    led.SetState(state == 0 ? 1 : 0);
    QVERIFY(iface->text(QAccessible::Value) != words);
}

void TestAccessibility::levelBarTellsLevelAndRange()
{
    CXProgressCtrl bar;
    bar.resize(200, 12);
    bar.SetRange(0, 475);
    bar.SetLevel(230);
    QAccessibleInterface* iface = readerView(&bar);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::ProgressBar);
    QAccessibleValueInterface* value = iface->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toInt(), 230);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 475);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("230"));

    // A reader cannot move the bar.
    value->setCurrentValue(10);
    QCOMPARE(bar.GetLevel(), 230);

    // With a scale factor the bar's right edge stands for more than the range's top.
    bar.SetRange(0, 400, 0.8f);
    QCOMPARE(value->maximumValue().toInt(), 500);
    bar.SetLevel(231);
    QCOMPARE(value->currentValue().toInt(), 231);
}

void TestAccessibility::loadGraphHasNameAndLoad()
{
    CGraph graph;
    graph.resize(240, 90);
    QAccessibleInterface* iface = readerView(&graph);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Chart);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Wykres obciążenia silnika"));
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("Obciążenie cieplne silnika: 0 %"));

    graph.SetLoad(loadgraph::fullLoad * 3 / 4);
    graph.scrollStep();
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("Obciążenie cieplne silnika: 75 %"));
    graph.setAccessibleName(QStringLiteral("Grzanie"));
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Grzanie"));
}

void TestAccessibility::faultListCellsAreReadable()
{
    CXListCtrl list;
    list.AddColumn(QStringLiteral("Data"), 120);
    list.AddColumn(QStringLiteral("Opis"), 300);
    list.InsertRowAtTop({QStringLiteral("2026-12-10 02:50:00"), QStringLiteral("Przeciążenie cieplne")}, 3);
    list.InsertRowAtTop({QStringLiteral("2026-12-10 02:51:00"), QStringLiteral("Asymetria prądów")}, 5);

    QAccessibleInterface* iface = readerView(&list);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Table);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Lista błędów"));
    QAccessibleTableInterface* table = iface->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->columnCount(), 2);
    QCOMPARE(table->columnDescription(1), QStringLiteral("Opis"));
    QCOMPARE(table->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("Asymetria prądów"));
    QCOMPARE(table->cellAt(1, 0)->text(QAccessible::Name), QStringLiteral("2026-12-10 02:50:00"));
    QCOMPARE(table->cellAt(1, 1)->text(QAccessible::Name), QStringLiteral("Przeciążenie cieplne"));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
