// SPDX-License-Identifier: MIT
// The poll's rules that need no link: snapshot bounds, the rotation, throughput,
// the link watchdog and the fault list.
#include "FaultList.h"
#include "LinkWatchdog.h"
#include "MeasurementSnapshot.h"
#include "PollSchedule.h"
#include "ThroughputMeter.h"

#include <QTest>
#include <array>
#include <optional>
#include <vector>

using namespace pollcycle;

namespace {
// The list's rows as the window would hold them, newest first.
struct RowsRecorder : FaultRows
{
    struct Row
    {
        QStringList cells;
        int index;
    };
    std::vector<Row> rows;

    void insertRowAtTop(const QStringList& cells, int index) override
    {
        rows.insert(rows.begin(), {cells, index});
    }
    void deleteRowsOf(int index) override
    {
        std::erase_if(rows, [index](const Row& row) { return row.index == index; });
    }
    void deleteAllRows() override { rows.clear(); }
    std::vector<int> indices() const
    {
        std::vector<int> result;
        for (const Row& row : rows)
            result.push_back(row.index);
        return result;
    }
};

FaultChange appeared(int index, const QString& value = QStringLiteral("Nie"))
{
    return {index, true, {index, value, QStringLiteral("10:11:12"), QStringLiteral("01.02.2026")}};
}
FaultChange cleared(int index)
{
    return {index, false, {}};
}
} // namespace

class TestPollRules : public QObject
{
    Q_OBJECT
private slots:
    void snapshotBounds();
    void faultMarks();
    void rotation();
    void throughput();
    void watchdogRaisesOnTheSixthFailingSecond();
    void faultIndicator_data();
    void faultIndicator();
    void faultValueText_data();
    void faultValueText();
    void restartBarRange_data();
    void restartBarRange();
    void faultFlags();
    void faultListRowsFollowChanges();
    void faultListAppliesOnlyDifferences();
};

void TestPollRules::snapshotBounds()
{
    MeasurementSnapshot snapshot;
    snapshot.SetMeasurement(0, -5);
    snapshot.SetMeasurement(52, 77);
    snapshot.SetMeasurement(53, 99); // ignored
    snapshot.SetMeasurement(-1, 99); // ignored
    QCOMPARE(snapshot.GetMeasurement(0), -5);
    QCOMPARE(snapshot.GetMeasurement(52), 77);
    QCOMPARE(snapshot.GetMeasurement(53), 0);
    QCOMPARE(snapshot.GetMeasurement(-1), 0);

    std::array<int32_t, 54> buffer;
    buffer.fill(-1);
    QVERIFY(!snapshot.CopyMeasurements(buffer.data(), 211));
    QCOMPARE(buffer[0], -1);
    QVERIFY(!snapshot.CopyMeasurements(nullptr, 212));
    QVERIFY(snapshot.CopyMeasurements(buffer.data(), 212));
    QCOMPARE(buffer[0], -5);
    QCOMPARE(buffer[52], 77);
    QCOMPARE(buffer[53], -1); // exactly 212 bytes

    snapshot.ClearMeasurements();
    QVERIFY(snapshot.CopyMeasurements(buffer.data(), sizeof buffer));
    QCOMPARE(buffer[0], 0);
    QCOMPARE(buffer[52], 0);
}

// "Any marked" keeps the fault reset button: single clears leave it, ClearMarks resets it.
void TestPollRules::faultMarks()
{
    MeasurementSnapshot snapshot;
    QVERIFY(!snapshot.IsAnyMarked());
    QVERIFY(snapshot.Mark(39));
    QVERIFY(!snapshot.Mark(40));
    QVERIFY(snapshot.IsFaultActive(39));
    QVERIFY(!snapshot.IsFaultActive(40));
    snapshot.ClearMark(39);
    QVERIFY(!snapshot.IsFaultActive(39));
    QVERIFY(snapshot.IsAnyMarked());
    snapshot.Mark(3);
    snapshot.ClearMarks();
    QVERIFY(!snapshot.IsFaultActive(3));
    QVERIFY(!snapshot.IsAnyMarked());
}

void TestPollRules::rotation()
{
    PollSchedule schedule;
    for (int cycle = 0; cycle < 36; ++cycle) {
        const auto groups = schedule.nextCycle();
        QCOMPARE(groups.medium, cycle % 3 == 0);
        QCOMPARE(groups.slow, cycle % 12 == 0);
    }
}

void TestPollRules::throughput()
{
    ThroughputMeter meter(10'000);
    meter.addRegisters(36);
    QVERIFY(!meter.sample(11'000)); // a full second is not yet more than one
    meter.addRegisters(36);
    const std::optional<float> rate = meter.sample(11'001);
    QVERIFY(rate);
    QCOMPARE(*rate, 1000.0f / (1001.0f / 72.0f));
    // A new point with a count of 0: a silent second reads 0.
    QVERIFY(!meter.sample(12'001));
    QCOMPARE(meter.sample(12'002).value_or(-1.0f), 0.0f);
}

void TestPollRules::watchdogRaisesOnTheSixthFailingSecond()
{
    LinkWatchdog watchdog;
    watchdog.reset();
    for (int second = 1; second <= 5; ++second) {
        QVERIFY2(!watchdog.tick(false, false), qPrintable(QString::number(second)));
        QCOMPARE(watchdog.nLinkWatchdog(), 5 - second);
    }
    QVERIFY(watchdog.tick(false, false));
    // Raised once: while entry 38 is listed, further failing seconds do nothing.
    QVERIFY(!watchdog.tick(false, true));
    QCOMPARE(watchdog.nLinkWatchdog(), 0);
    // A working second restarts the grace period in full.
    QVERIFY(!watchdog.tick(true, true));
    QCOMPARE(watchdog.nLinkWatchdog(), 5);
    for (int second = 1; second <= 3; ++second)
        QVERIFY(!watchdog.tick(false, false));
    QVERIFY(!watchdog.tick(true, false));
    for (int second = 1; second <= 5; ++second)
        QVERIFY(!watchdog.tick(false, false));
    QVERIFY(watchdog.tick(false, false));
}

void TestPollRules::faultIndicator_data()
{
    QTest::addColumn<int>("statusWord");
    QTest::addColumn<bool>("ratedCurrentMissing");
    QTest::addColumn<int>("state");

    QTest::newRow("rated current missing") << 0x0003 << true << 1;
    QTest::newRow("motor relay off") << 0x0001 << false << 1;
    QTest::newRow("motor relay on") << 0x0003 << false << 2;
    QTest::newRow("function relay alone, mode 0") << 0x0005 << false << 1;
    QTest::newRow("mode 2, both relays off") << 0x0021 << false << 1;
    QTest::newRow("mode 2, function relay on") << 0x0025 << false << 2;
    QTest::newRow("mode 2, motor relay on") << 0x0023 << false << 2;
    QTest::newRow("mode 3, function relay on") << 0x0035 << false << 1;
}

void TestPollRules::faultIndicator()
{
    QFETCH(int, statusWord);
    QFETCH(bool, ratedCurrentMissing);
    QTEST(faultIndicatorFor(static_cast<uint16_t>(statusWord), ratedCurrentMissing), "state");
}

void TestPollRules::faultValueText_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("raw"); // -1: the read failed
    QTest::addColumn<int>("currentScale");
    QTest::addColumn<QString>("text");

    QTest::newRow("phase overcurrent in tenths") << 0 << 125 << 1 << "12.5 A";
    QTest::newRow("phase overcurrent in amperes") << 0 << 125 << 10 << "125.0 A";
    QTest::newRow("earth fault uses register 304, scaled") << 2 << 33 << 10 << "33.0 A";
    QTest::newRow("contactor current scaled") << 11 << 4 << 10 << "4.0 A";
    QTest::newRow("thermal overload: divisor 0, no unit") << 1 << 7 << 10 << "7 ";
    QTest::newRow("coefficient not scaled") << 3 << 120 << 10 << "120 %";
    QTest::newRow("insulation") << 15 << 25 << 10 << "2.5 MΩ";
    QTest::newRow("minimum voltage") << 12 << 380 << 1 << "380 V";
    QTest::newRow("analog current input: not a current fault") << 27 << 125 << 10 << "12.5 ";
    QTest::newRow("no value register") << 8 << 0 << 1 << "Nie";
    QTest::newRow("rated current pseudo-fault") << 39 << 0 << 1 << "Nie";
    QTest::newRow("read failed") << 0 << -1 << 1 << "err";
}

void TestPollRules::faultValueText()
{
    QFETCH(int, index);
    QFETCH(int, raw);
    QFETCH(int, currentScale);
    const std::optional<uint16_t> value = raw < 0 ? std::nullopt : std::optional<uint16_t>(raw);
    QTEST(pollcycle::faultValueText(index, value, currentScale), "text");
}

void TestPollRules::restartBarRange_data()
{
    QTest::addColumn<bool>("noFault");
    QTest::addColumn<uint>("faultMask");
    QTest::addColumn<int>("afterMinimumCurrent");
    QTest::addColumn<int>("restart");
    QTest::addColumn<uint>("max");

    QTest::newRow("minimum current fault: larger delay") << false << 0x20u << 300 << 20 << 300u;
    QTest::newRow("minimum current fault, restart delay larger") << false << 0x20u << 10 << 20 << 20u;
    QTest::newRow("another fault: restart delay") << false << 0x01u << 300 << 20 << 20u;
    QTest::newRow("list cleared: restart delay") << true << 0x20u << 300 << 20 << 20u;
}

void TestPollRules::restartBarRange()
{
    QFETCH(bool, noFault);
    QFETCH(uint, faultMask);
    QFETCH(int, afterMinimumCurrent);
    QFETCH(int, restart);
    StatusUpdate update;
    update.noFault = noFault;
    update.faultMask = faultMask;
    QTEST(
        restartBarMaxFor(update, static_cast<uint16_t>(afterMinimumCurrent), static_cast<uint16_t>(restart)),
        "max");
}

void TestPollRules::faultFlags()
{
    const auto flags = faultFlagsFor(0xC0000001u, true);
    for (int i = 0; i < faultEntryCount; ++i)
        QCOMPARE(flags[i], i == 0 || i == 30 || i == 31 || i == 39);
    QVERIFY(!faultFlagsFor(0xFFFFFFFFu, false)[ratedCurrentFault]);
    QVERIFY(!faultFlagsFor(0xFFFFFFFFu, false)[linkLostFault]);
}

void TestPollRules::faultListRowsFollowChanges()
{
    MeasurementSnapshot snapshot;
    RowsRecorder list;

    StatusUpdate first;
    first.changes = {appeared(0, QStringLiteral("12.5 A")), appeared(5, QStringLiteral("4.0 A"))};
    applyFaultList(first, list, snapshot);
    QCOMPARE(list.indices(), (std::vector<int>{5, 0})); // each new row goes to the top
    QCOMPARE(list.rows.back().cells, (QStringList{QStringLiteral("Zabezpieczenie nadprądowe fazowe"),
                                                  QStringLiteral("Imax"), QStringLiteral("12.5 A"),
                                                  QStringLiteral("10:11:12"), QStringLiteral("01.02.2026")}));
    QVERIFY(snapshot.IsFaultActive(0) && snapshot.IsFaultActive(5));

    // The watchdog's link-lost row, then a status block that no longer reports fault 0:
    // entry 38 is not in the relay's mask, so it goes too.
    list.insertRowAtTop({}, linkLostFault);
    snapshot.Mark(linkLostFault);
    StatusUpdate second;
    second.changes = {cleared(0), cleared(linkLostFault)};
    applyFaultList(second, list, snapshot);
    QCOMPARE(list.indices(), (std::vector<int>{5}));
    QVERIFY(!snapshot.IsFaultActive(0) && !snapshot.IsFaultActive(linkLostFault));

    // No fault at all: everything goes, marks included.
    StatusUpdate none;
    none.noFault = true;
    applyFaultList(none, list, snapshot);
    QVERIFY(list.rows.empty());
    QVERIFY(!snapshot.IsAnyMarked());
}

// A status update decided before the window reset its list (or before an earlier
// update was shown) must neither duplicate rows nor leave marks without rows.
void TestPollRules::faultListAppliesOnlyDifferences()
{
    MeasurementSnapshot snapshot;
    RowsRecorder list;
    StatusUpdate update;
    update.changes = {appeared(7), cleared(9)};
    applyFaultList(update, list, snapshot);
    applyFaultList(update, list, snapshot);
    QCOMPARE(list.indices(), (std::vector<int>{7}));

    // The window reset the display (rows and marks gone); the stale update brings the
    // row back together with its mark.
    list.deleteAllRows();
    snapshot.ClearMarks();
    applyFaultList(update, list, snapshot);
    QCOMPARE(list.indices(), (std::vector<int>{7}));
    QVERIFY(snapshot.IsFaultActive(7));
}

QTEST_GUILESS_MAIN(TestPollRules)
#include "tst_poll_rules.moc"
