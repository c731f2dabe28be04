// SPDX-License-Identifier: MIT
// The relay table of the fault report: BCD times, value texts, and the walk
// from the newest entry back over a stand-in relay (wrap, gaps, end marker,
// bad start index); the panel table from the window's fault list.

#include "CXListCtrl.h"
#include "FaultLogRows.h"
#include "FaultReportCommand.h"
#include "RegisterDecoding.h"
#include "ReportTables.h"
#include "StandInLog.h"

#include <QtTest>

using namespace faultreport;
using reporttest::StandInLog;

class TestFaultLogRows : public QObject
{
    Q_OBJECT

private slots:
    void bcd_data();
    void bcd();
    void timeText();
    void valueText_data();
    void valueText();
    void walkGoesFromNewestBackAndWraps();
    void walkStartsAtZeroWithoutAValidIndex_data();
    void walkStartsAtZeroWithoutAValidIndex();
    void endMarkerAsFirstEntryLeavesNoRows();
    void fullLogTakesFiftyOneReads();
    void cancelledWalkStopsBeforeItsNextRead();
    void panelTableFollowsTheList();
};

namespace {

QList<int> codesOf(const QByteArray& rows)
{
    QList<int> codes;
    for (const QStringList& row : reporttest::dataRows(rows))
        codes << row.last().toInt();
    return codes;
}

} // namespace

void TestFaultLogRows::bcd_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("value");
    QTest::newRow("07") << 0x07 << 7;
    QTest::newRow("12") << 0x12 << 12;
    QTest::newRow("59") << 0x59 << 59;
    QTest::newRow("four digits") << 0x2026 << 2026;
    QTest::newRow("1A is not BCD: ten plus ten") << 0x1A << 20;
    QTest::newRow("FF") << 0xFF << 165;
}

void TestFaultLogRows::bcd()
{
    QFETCH(int, word);
    QFETCH(int, value);
    QCOMPARE(pollcycle::fromBcd(uint16_t(word)), value);
}

void TestFaultLogRows::timeText()
{
    RelayLogEntry e;
    e.day = 0x07;
    e.month = 0x12;
    e.year = 0x09;
    e.hours = 0x13;
    e.minutes = 0x05;
    e.seconds = 0x59;
    QCOMPARE(relayLogTimeText(e), QStringLiteral("07.12.2009  13:05:59"));
    e.day = 0x1A;
    e.year = 0x99;
    QCOMPARE(relayLogTimeText(e), QStringLiteral("20.12.2099  13:05:59"));
}

void TestFaultLogRows::valueText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("divided, one decimal") << 0 << 2345 << QStringLiteral("234.5 A");
    QTest::newRow("divided, whole") << 16 << 500 << QStringLiteral("50.0 Hz");
    QTest::newRow("raw with unit") << 12 << 380 << QStringLiteral("380 V");
    QTest::newRow("raw without unit") << 1 << 77 << QStringLiteral("77 ");
    QTest::newRow("unsigned, not negative") << 0 << 0xFFFE << QStringLiteral("6553.4 A");
    QTest::newRow("omega") << 15 << 25 << QStringLiteral("2.5 MΩ");
}

void TestFaultLogRows::valueText()
{
    QFETCH(int, code);
    QFETCH(int, raw);
    QFETCH(QString, text);
    RelayLogEntry e;
    e.code = uint16_t(code);
    e.rawValue = uint16_t(raw);
    QCOMPARE(relayLogValueText(e), text);
}

void TestFaultLogRows::walkGoesFromNewestBackAndWraps()
{
    StandInLog log;
    log.registers[newestEntryRegister] = 1;
    log.setEntry(1, 0, 2345, 0x30, 0x15, 0x07, 0x13, 0x09, 0x12);
    log.setEntry(0, 1, 77, 0x00, 0x00, 0x1A, 0x00, 0x26, 0x01);
    log.setEntry(49, 3, 10); // its read fails: a gap, the walk goes on
    log.failing.insert(firstEntryRegister + 5 * 49 + 2);
    log.setEntry(48, 12, 380);
    // entry 47 reads 0xFFFF: the end of the log
    const QByteArray rows = readRelayLogRows(log.reader(), 5, 0);

    const QList<QStringList> table = reporttest::dataRows(rows);
    QCOMPARE(table.size(), 3);
    QCOMPARE(table[0], (QStringList{"1", "Imax", "07.12.2009  13:30:15", "234.5 A", "0"}));
    QCOMPARE(table[1], (QStringList{"2", "Thermal over", "20.01.2026  00:00:00", "77 ", "1"}));
    QCOMPARE(table[2], (QStringList{"3", "Umin", "01.01.2026  00:00:00", "380 V", "12"}));
    QCOMPARE(log.reads, (QList<uint32_t>{75, 1005, 1000, 1245, 1240, 1235}));
}

void TestFaultLogRows::walkStartsAtZeroWithoutAValidIndex_data()
{
    QTest::addColumn<int>("newest"); // -1: the read fails
    QTest::newRow("index 0") << 0;
    QTest::newRow("read of 75 fails") << -1;
    QTest::newRow("index 50 is beyond the ring") << 50;
    QTest::newRow("index 0xFFFF") << 0xFFFF;
}

void TestFaultLogRows::walkStartsAtZeroWithoutAValidIndex()
{
    QFETCH(int, newest);
    StandInLog log;
    if (newest < 0)
        log.failing.insert(newestEntryRegister);
    else
        log.registers[newestEntryRegister] = uint16_t(newest);
    log.setEntry(0, 5, 1);
    log.setEntry(49, 6, 2);
    log.setEntry(48, 7, 3);
    QCOMPARE(codesOf(readRelayLogRows(log.reader(), 1, 0)), (QList<int>{5, 6, 7}));
    QCOMPARE(log.reads.mid(0, 3), (QList<uint32_t>{75, 1000, 1245}));
}

void TestFaultLogRows::endMarkerAsFirstEntryLeavesNoRows()
{
    StandInLog log;
    log.registers[newestEntryRegister] = 3;
    log.setEntry(3, 40, 1);
    log.setEntry(2, 0, 1);
    QVERIFY(readRelayLogRows(log.reader(), 1, 0).isEmpty());
    QCOMPARE(log.reads.size(), 2);
}

void TestFaultLogRows::fullLogTakesFiftyOneReads()
{
    StandInLog log;
    log.registers[newestEntryRegister] = 49;
    for (int i = 0; i < logEntryCount; ++i)
        log.setEntry(i, uint16_t(i % 40), uint16_t(i));
    const QList<QStringList> table = reporttest::dataRows(readRelayLogRows(log.reader(), 1, 0));
    QCOMPARE(table.size(), 50);
    QCOMPARE(table.first().first(), QStringLiteral("1"));
    QCOMPARE(table.last().first(), QStringLiteral("50"));
    QCOMPARE(log.reads.size(), 51);
}

void TestFaultLogRows::cancelledWalkStopsBeforeItsNextRead()
{
    StandInLog log;
    std::atomic<bool> cancel{false};
    const RegisterRead inner = log.reader();
    const RegisterRead read = [&](uint32_t a, uint32_t f, uint32_t c, uint8_t* b, uint32_t s, uint32_t r) {
        if (log.reads.size() == 3)
            cancel = true;
        return inner(a, f, c, b, s, r);
    };
    for (int i = 0; i < logEntryCount; ++i)
        log.setEntry(i, 0, 1);
    readRelayLogRows(read, 1, 0, &cancel);
    QCOMPARE(log.reads.size(), 4);
}

void TestFaultLogRows::panelTableFollowsTheList()
{
    CXListCtrl list;
    for (const char* title : {"Nazwa", "###", "Wartość", "Czas", "Data"})
        list.AddColumn(QString::fromUtf8(title), 50);
    QVERIFY(copyFaultList(list).isEmpty());
    QVERIFY(panelFaultRows(copyFaultList(list)).isEmpty());

    list.InsertRowAtTop({QStringLiteral("Zabezpieczenie nadprądowe fazowe"), QStringLiteral("Imax"),
                         QStringLiteral("23.4 A"), QStringLiteral("10:00:01"), QStringLiteral("01.02.2026")},
                        0);
    list.InsertRowAtTop({QStringLiteral("Temperatura <czujnika> 1"), QStringLiteral("Temp1"),
                         QStringLiteral("Nie"), QStringLiteral("10:05:00"), QStringLiteral("01.02.2026")},
                        8);
    const QByteArray rows = panelFaultRows(copyFaultList(list));
    QCOMPARE(reporttest::dataRows(rows),
             (QList<QStringList>{
                 {"1", "Temperatura <czujnika> 1", "10:05:00 01.02.2026", "Nie", "8"},
                 {"2", "Zabezpieczenie nadprądowe fazowe", "10:00:01 01.02.2026", "23.4 A", "0"}}));
    for (const char c : rows)
        QVERIFY2(uchar(c) < 0x80, "the rows are plain ASCII");
}

QTEST_MAIN(TestFaultLogRows)
#include "tst_fault_log_rows.moc"
