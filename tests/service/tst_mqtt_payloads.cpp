// SPDX-License-Identifier: MIT
// What zrq7rec makes of one unit's reading: the JSON texts it publishes, byte for
// byte, and the day file's record. The expected texts are written out from the
// catalogue tables by hand; the suite also runs under the Polish locale, where
// the C library would write decimal commas.
#include "MqttPayloads.h"

#include <QJsonDocument>
#include <QTest>
#include <climits>
#include <cstdlib>
#include <ctime>

using namespace zrq7rec;

namespace {

constexpr std::time_t winterAfternoon = 1796913805; // 2026-12-10 14:43:25 UTC
constexpr std::time_t summerNoon = 1782900000;      // 2026-07-01 10:00:00 UTC

void setZone(const char* zone)
{
    qputenv("TZ", zone);
    ::tzset();
}

} // namespace

class tst_MqttPayloads : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setZone("Europe/Warsaw"); }
    void decimals_data();
    void decimals();
    void localTime_data();
    void localTime();
    void measurements();
    void measurementsWithoutLink();
    void faults();
    void identity();
    void dayFileRecord();
};

void tst_MqttPayloads::decimals_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<uint>("divisor");
    QTest::addColumn<QString>("expected");

    QTest::newRow("current") << 357 << 10u << "35.7";
    QTest::newRow("cos phi keeps its digits") << 850 << 1000u << "0.850";
    QTest::newRow("power") << 2045 << 100u << "20.45";
    QTest::newRow("energy") << 2045 << 10u << "204.5";
    QTest::newRow("below one, negative") << -5 << 10u << "-0.5";
    QTest::newRow("negative whole") << -80 << 1u << "-80";
    QTest::newRow("zero tenths") << 0 << 10u << "0.0";
    QTest::newRow("small hundredths") << 7 << 100u << "0.07";
    QTest::newRow("divisor 0 shows the integer") << 380 << 0u << "380";
    QTest::newRow("largest") << INT_MAX << 10u << "214748364.7";
    QTest::newRow("smallest") << INT_MIN << 1000u << "-2147483.648";
}

void tst_MqttPayloads::decimals()
{
    QFETCH(int, raw);
    QFETCH(uint, divisor);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(decimalText(raw, divisor)), expected);
}

void tst_MqttPayloads::localTime_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<qint64>("time");
    QTest::addColumn<QString>("expected");

    QTest::newRow("winter") << QByteArray("Europe/Warsaw") << qint64(winterAfternoon)
                            << "2026-12-10T15:43:25+01:00";
    QTest::newRow("summer") << QByteArray("Europe/Warsaw") << qint64(summerNoon)
                            << "2026-07-01T12:00:00+02:00";
    QTest::newRow("utc") << QByteArray("UTC") << qint64(winterAfternoon) << "2026-12-10T14:43:25+00:00";
    QTest::newRow("negative half hour")
        << QByteArray("America/St_Johns") << qint64(winterAfternoon) << "2026-12-10T11:13:25-03:30";
}

void tst_MqttPayloads::localTime()
{
    QFETCH(QByteArray, zone);
    QFETCH(qint64, time);
    QFETCH(QString, expected);
    setZone(zone.constData());
    QCOMPARE(QString::fromStdString(isoLocalTime(std::time_t(time))), expected);
}

void tst_MqttPayloads::measurements()
{
    setZone("Europe/Warsaw");
    UnitReading reading;
    reading.time = winterAfternoon;
    reading.linkState = 1;
    reading.values[0] = 357; // Phase i1, tenths of an A
    reading.values[1] = -5;
    reading.values[15] = 230;  // Phase U1, V
    reading.values[26] = 500;  // Frequency, tenths of a Hz
    reading.values[30] = 2045; // Apparent P, hundredths
    reading.values[33] = 850;  // Cos A, thousandths
    reading.values[36] = -80;  // Temp dat 1: sensor short-circuited
    reading.values[40] = 55;   // heating: no short name, not published
    reading.values[41] = 229;  // per-phase power: no short name
    reading.values[50] = 2045; // ApE, tenths

    const std::string json = measurementsJson(reading);
    const char* expected =
        R"({"time":"2026-12-10T15:43:25+01:00","link":1,"values":{)"
        R"("Phase i1":35.7,"Phase i2":-0.5,"Phase i3":0.0,"Positive si":0.0,"Earth i0":0.0,"Revers si":0.0,)"
        R"("Average i1":0.0,"Average i2":0.0,"Average i3":0.0,"Peak i1":0.0,"Peak i2":0.0,"Peak i3":0.0,)"
        R"("Start i":0.0,"Overload i":0.0,"Start time":0,"Phase U1":230,"Phase U2":0,"Phase U3":0,)"
        R"("Line U1":0,"Line U2":0,"Line U3":0,"Positive sU":0,"Revers sU":0,"Zero sU":0,"Time motor":0,)"
        R"("Insulation":0.0,"Frequency":50.0,"End of AR":0,"Before OvL":0,"After OvL":0,)"
        R"("Apparent P":20.45,"Active P":0.00,"Reactive P":0.00,"Cos A":0.850,"Cos B":0.000,"Cos C":0.000,)"
        R"("Temp dat 1":-80,"Temp dat 2":0,"Input i":0.0,"Input U":0.0,"ApE":204.5,"AcE":0.0,"ReE":0.0}})";
    QCOMPARE(QString::fromStdString(json), QString::fromUtf8(expected));
    QJsonParseError error;
    QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
}

void tst_MqttPayloads::measurementsWithoutLink()
{
    // While the relay is silent the poll has cleared the values: zeros are no readings.
    setZone("UTC");
    UnitReading reading;
    reading.time = winterAfternoon;
    reading.linkState = 0;
    reading.values[0] = 357;
    QCOMPARE(QString::fromStdString(measurementsJson(reading)),
             QStringLiteral(R"({"time":"2026-12-10T14:43:25+00:00","link":0,"values":{}})"));
}

void tst_MqttPayloads::faults()
{
    QCOMPARE(QString::fromStdString(faultsJson({})), QStringLiteral("[]"));
    const std::vector<ActiveFault> list{
        {0, "12.3 A"}, {15, "2.5 M\u03A9"}, {38, "Nie"}, {40, "x"}, {-1, "x"}};
    const QString expected = QStringLiteral(
        R"([{"code":0,"name":"Imax","text":"Zabezpieczenie nadprądowe fazowe","value":"12.3 A"},)"
        R"({"code":15,"name":"Isol Res","text":"Izolacja uzwojeń","value":"2.5 MΩ"},)"
        R"({"code":38,"name":"Dev Conn","text":"Komunikacja z urządzeniem jest utracona","value":"Nie"}])");
    QCOMPARE(QString::fromStdString(faultsJson(list)), expected);
}

void tst_MqttPayloads::identity()
{
    QCOMPARE(QString::fromStdString(identityJson({11, 12, 1, "tcp 192.168.1.10:502"})),
             QStringLiteral(R"({"id":11,"firmware":12,"unit":1,"link":"tcp 192.168.1.10:502"})"));
    // Port names come from the operator: quotes, backslashes and control characters escaped.
    QCOMPARE(QString::fromStdString(identityJson({11, 7, 247, "/dev/a\"b\\c\td\x01"})),
             QStringLiteral(
                 "{\"id\":11,\"firmware\":7,\"unit\":247,\"link\":\"/dev/a\\\"b\\\\c\\u0009d\\u0001\"}"));
}

void tst_MqttPayloads::dayFileRecord()
{
    UnitReading reading;
    reading.linkState = 1;
    reading.values[0] = 357;
    reading.values[52] = -2;
    reading.faults = {{0, "12.3 A"}, {39, "Nie"}, {40, "x"}};
    DbClockReading now;
    now.date = {8, 12, 2025};
    now.hour = 12;
    now.minute = 5;
    now.second = 9;
    const DbRecordBytes bytes = EncodeDbRecord(dayRecordOf(reading, now));
    const QByteArray head(reinterpret_cast<const char*>(bytes.data()), 17);
    // Link 1 at 12:05:09; faults 0 and 39; value 0 = 357 little-endian.
    QCOMPARE(head.toHex(' '), QByteArray("00 01 00 0c 00 05 00 09 80 00 00 00 01 65 01 00 00"));
    QCOMPARE(bytes[DbRecordSize - 4], std::uint8_t(0xFE));
    QCOMPARE(bytes[DbRecordSize - 1], std::uint8_t(0xFF));
}

QTEST_GUILESS_MAIN(tst_MqttPayloads)
#include "tst_mqtt_payloads.moc"
