// SPDX-License-Identifier: MIT
// The link's state without a relay: calls before any open, the simulated link, the settings,
// the exported constants and the two catalogues with their exact texts.
#include "ZRQ7DLL.h"

#include <QtTest>
#include <atomic>
#include <thread>

namespace {

QString text(const char16_t* s)
{
    return s ? QString::fromUtf16(s) : QStringLiteral("<null>");
}

} // namespace

class TestLinkApi : public QObject
{
    Q_OBJECT

private slots:
    // Runs first: nothing has been opened in this process yet.
    void callsBeforeAnyOpen();
    void simulatedLink();
    void anyCloseRemovesTheChannel();
    void settingsAndConstants();
    void faultCatalogue_data();
    void faultCatalogue();
    void measurementCatalogue_data();
    void measurementCatalogue();
    void catalogueInvariants();
};

void TestLinkApi::callsBeforeAnyOpen()
{
    std::uint8_t buffer[16] = {};
    const std::int32_t value = 1;
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer, sizeof buffer, 3), int(LINK_ERR_IO));
    QCOMPARE(MODBUS_Write06(1, 0, &value, 3), int(LINK_ERR_IO));
    QCOMPARE(COM_IsOpen(), 0);
    QCOMPARE(TCP_IsOpen(), 0);
    QCOMPARE(MODBUS_GetDeviceError(), 0u);
    QCOMPARE(COM_Close(), 0);
    QCOMPARE(TCP_Close(), 0);
    QCOMPARE(DEBUG_Close(), 0);
}

void TestLinkApi::simulatedLink()
{
    QCOMPARE(DEBUG_Open(), 0);
    QCOMPARE(COM_IsOpen(), 0); // the simulated link holds no port
    std::uint8_t buffer[64];
    const std::int32_t value = -5;
    QCOMPARE(MODBUS_Write06(1, 903, &value, 0), 1);
    QCOMPARE(MODBUS_Write06(1, 903, nullptr, 0), int(LINK_ERR_IO));
    QCOMPARE(MODBUS_Read03(1, 0, 31, buffer, 64, 0), 62);
    for (int i = 0; i < 62; ++i)
        QVERIFY(buffer[i] <= 254);
    // 2 x count must be smaller than the buffer.
    QCOMPARE(MODBUS_Read03(1, 0, 32, buffer, 64, 0), -7);
    QCOMPARE(MODBUS_Read03(1, 0, 1, nullptr, 64, 0), -7);

    // Many callers at once all get through the gates.
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 12; ++t)
        threads.emplace_back([&] {
            std::uint8_t local[32];
            for (int i = 0; i < 200; ++i)
                good += MODBUS_Read03(1, 0, 8, local, sizeof local, 0) == 16;
        });
    for (std::thread& t : threads)
        t.join();
    QCOMPARE(good.load(), 12 * 200);

    QCOMPARE(DEBUG_Close(), 0);
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer, 64, 0), int(LINK_ERR_IO));
}

void TestLinkApi::anyCloseRemovesTheChannel()
{
    std::uint8_t buffer[16];
    QCOMPARE(DEBUG_Open(), 0);
    QCOMPARE(COM_Close(), 0);
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer, 16, 0), int(LINK_ERR_IO));
    QCOMPARE(DEBUG_Open(), 0);
    QCOMPARE(TCP_Close(), 0);
    QCOMPARE(MODBUS_Read03(1, 0, 2, buffer, 16, 0), int(LINK_ERR_IO));
}

void TestLinkApi::settingsAndConstants()
{
    QCOMPARE(DLL_GetUserFlag(), 0u);
    DLL_SetUserFlag(0xDEADBEEF);
    QCOMPARE(DLL_GetUserFlag(), 0xDEADBEEFu);
    DLL_SetUserFlag(0);

    QCOMPARE(dll_nID, 11u);
    QCOMPARE(dll_nVerMinor, 7u);
    QCOMPARE(dll_nVerMajor, 15u);
    QCOMPARE(dll_nVerDll, 40u);
    QCOMPARE(dll_nVerDevAdr, 1u);
}

void TestLinkApi::faultCatalogue_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<uint>("reg");
    QTest::addColumn<uint>("divisor");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    QTest::newRow("0") << 0 << 300u << 10u << "A"
                       << "Imax" << QString::fromUtf8("Zabezpieczenie nadprądowe fazowe");
    QTest::newRow("2 shares register 304") << 2 << 304u << 10u << "A"
                                           << "Iearth" << QString::fromUtf8("Zabezpieczenie ziemnozwarciowe");
    QTest::newRow("4") << 4 << 304u << 10u << "A"
                       << "I2 rev"
                       << QString::fromUtf8("Zabezpieczenie przed niezrównoważeniem składowej przeciwnej");
    QTest::newRow("12, raw volts") << 12 << 312u << 0u << "V"
                                   << "Umin" << QString::fromUtf8("Minimalne napięcie liniowe");
    QTest::newRow("15, megaohm") << 15 << 315u << 10u << QString::fromUtf16(u"M\u03A9") << "Isol Res"
                                 << QString::fromUtf8("Izolacja uzwojeń");
    QTest::newRow("27, no unit") << 27 << 327u << 10u << ""
                                 << "Input I" << QString::fromUtf8("Wejście analogowe prądowe 0-20 mA");
    QTest::newRow("31 reserved") << 31 << 0u << 0u << ""
                                 << "---"
                                 << "Zarezerwowano";
    QTest::newRow("38 link lost") << 38 << 0u << 0u << ""
                                  << "Dev Conn"
                                  << QString::fromUtf8("Komunikacja z urządzeniem jest utracona");
    QTest::newRow("39") << 39 << 0u << 0u << ""
                        << "Rated Inom" << QString::fromUtf8("Rozruch nie nastąpi");
}

void TestLinkApi::faultCatalogue()
{
    QFETCH(int, index);
    QFETCH(uint, reg);
    QFETCH(uint, divisor);
    QFETCH(QString, unit);
    QFETCH(QString, name);
    QFETCH(QString, description);

    const _tagSTRUCT_ERR_INFO& e = dll_nErrInfo[index];
    QCOMPARE(e.nRegister, reg);
    QCOMPARE(e.nDivisor, divisor);
    QCOMPARE(text(e.szUnit), unit);
    QCOMPARE(text(e.szName), name);
    QCOMPARE(text(e.szDescription), description);
}

void TestLinkApi::measurementCatalogue_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<uint>("divisor");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("description");

    // Ф is the Cyrillic Ef, the С of °С the Cyrillic Es, Ω the Greek omega.
    QTest::newRow("0") << 0 << 10u << "Phase i1"
                       << "A" << QString::fromUtf16(u"Wartość skuteczna prądu fazowego \u04241");
    QTest::newRow("11") << 11 << 10u << "Peak i3"
                        << "A" << QString::fromUtf16(u"Największa wartość średniego prądu \u04243");
    QTest::newRow("24") << 24 << 1u << "Time motor"
                        << "Godziny" << QString::fromUtf8("Czas pracy silnika");
    QTest::newRow("25") << 25 << 10u << "Insulation" << QString::fromUtf16(u"M\u03A9")
                        << QString::fromUtf8("Rezystancja izolacji");
    QTest::newRow("30") << 30 << 100u << "Apparent P"
                        << "kVA" << QString::fromUtf8("Moc całkowita");
    QTest::newRow("33") << 33 << 1000u << "Cos A"
                        << ""
                        << "Faza 1 Cosinus fi";
    QTest::newRow("36") << 36 << 1u << "Temp dat 1" << QString::fromUtf16(u"\u00B0\u0421")
                        << "Temperatura czujnika 1";
    QTest::newRow("40 heating") << 40 << 1u << ""
                                << "%"
                                << "Grzanie";
    QTest::newRow("49") << 49 << 100u << ""
                        << "kVAr"
                        << "Faza 3 Moc bierna";
    QTest::newRow("50") << 50 << 10u << "ApE"
                        << "kVA/h" << QString::fromUtf8("Energia mocy całkowitej");
    QTest::newRow("52") << 52 << 10u << "ReE"
                        << "kVAr/h"
                        << "Energia mocy biernej";
}

void TestLinkApi::measurementCatalogue()
{
    QFETCH(int, index);
    QFETCH(uint, divisor);
    QFETCH(QString, name);
    QFETCH(QString, unit);
    QFETCH(QString, description);

    const _tagSTRUCT_MEASURE_INFO& m = dll_nMeasureInfo[index];
    QCOMPARE(m.nDivisor, divisor);
    QCOMPARE(text(m.szName), name);
    QCOMPARE(text(m.szUnit), unit);
    QCOMPARE(text(m.szDescription), description);
}

void TestLinkApi::catalogueInvariants()
{
    QCOMPARE(sizeof dll_nErrInfo / sizeof dll_nErrInfo[0], std::size_t(ZRQ7_ERR_INFO_COUNT));
    QCOMPARE(sizeof dll_nMeasureInfo / sizeof dll_nMeasureInfo[0], std::size_t(ZRQ7_MEASURE_INFO_COUNT));
    for (int i = 30; i <= 37; ++i) {
        QCOMPARE(text(dll_nErrInfo[i].szName), QStringLiteral("---"));
        QCOMPARE(text(dll_nErrInfo[i].szDescription), QStringLiteral("Zarezerwowano"));
    }
    // No text is missing; the phase marks are never the Latin letters that look alike.
    for (const auto& e : dll_nErrInfo)
        QVERIFY(e.szUnit && e.szName && e.szDescription && e.szDescription[0]);
    int phaseMarks = 0;
    for (const auto& m : dll_nMeasureInfo) {
        QVERIFY(m.szName && m.szUnit && m.szDescription && m.szDescription[0]);
        QVERIFY(m.nDivisor == 1 || m.nDivisor == 10 || m.nDivisor == 100 || m.nDivisor == 1000);
        const QString d = text(m.szDescription);
        phaseMarks += int(d.count(QChar(0x0424)));
        QVERIFY(!d.contains(QStringLiteral(" F1")) && !d.contains(QChar(0x03A6)));
    }
    QCOMPARE(phaseMarks, 12);
}

QTEST_GUILESS_MAIN(TestLinkApi)
#include "tst_link_api.moc"
