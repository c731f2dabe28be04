// SPDX-License-Identifier: MIT
// Wire time the simulator waits out on a pseudo-terminal before answering.
#include "LineTiming.h"

#include <QTest>

using namespace zrq7::sim;
using namespace std::chrono;

class TestLineTiming : public QObject
{
    Q_OBJECT

private slots:
    void exchange_data();
    void exchange();
};

void TestLineTiming::exchange_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("evenParity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("requestCharacters");
    QTest::addColumn<double>("gapCharacters");
    QTest::addColumn<int>("responseCharacters");
    QTest::addColumn<qint64>("expectedMicroseconds"); // without turnaround

    // 6-register read over RTU: request 8 bytes, answer 5 + 12 bytes, 3.5-character gap.
    // 8N1 = 10 bits: 28.5 characters * 10 / 19200 = 14.84375 ms.
    QTest::newRow("rtu 19200 8N1, 6 registers")
        << 19200 << 8 << false << 1 << 8 << 3.5 << 17 << qint64(14844);
    // 8E2 = 12 bits: 28.5 * 12 / 9600 = 35.625 ms.
    QTest::newRow("rtu 9600 8E2, 6 registers") << 9600 << 8 << true << 2 << 8 << 3.5 << 17 << qint64(35625);
    // ASCII counts its characters (':' hex CR LF): request 17, answer 2*12 + 8 + 3 = 35; 7E1 = 10 bits.
    QTest::newRow("ascii 9600 7E1, 6 registers")
        << 9600 << 7 << true << 1 << 17 << 0.0 << 35 << qint64(54167);
    // 7N1 = 9 bits: 52 * 9 / 19200 = 24.375 ms.
    QTest::newRow("ascii 19200 7N1, 6 registers")
        << 19200 << 7 << false << 1 << 17 << 0.0 << 35 << qint64(24375);
}

void TestLineTiming::exchange()
{
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(bool, evenParity);
    QFETCH(int, stopBits);
    QFETCH(int, requestCharacters);
    QFETCH(double, gapCharacters);
    QFETCH(int, responseCharacters);
    QFETCH(qint64, expectedMicroseconds);

    const LineSettings line{baud, dataBits, evenParity ? Parity::Even : Parity::None, stopBits};
    const nanoseconds turnaround = milliseconds(5);
    const nanoseconds wire = exchangeWireTime(line, std::size_t(requestCharacters), gapCharacters,
                                              std::size_t(responseCharacters), turnaround);
    QCOMPARE(duration_cast<microseconds>(wire - turnaround + nanoseconds(500)).count(), expectedMicroseconds);
}

QTEST_GUILESS_MAIN(TestLineTiming)
#include "tst_line_timing.moc"
