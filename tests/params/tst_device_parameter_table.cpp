// SPDX-License-Identifier: MIT
// The relay's settings table: its shape per firmware version, its texts and the
// conversions between register words and the values the operator sees.
#include "DeviceParameterTable.h"

#include <QSet>
#include <QString>
#include <QTest>
#include <cmath>
#include <limits>

using namespace zrq7::params;

Q_DECLARE_METATYPE(ParameterKind)

namespace {

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

QList<std::uint16_t> addresses(const std::vector<DeviceParameter>& rows)
{
    QList<std::uint16_t> list;
    for (const DeviceParameter& row : rows)
        list.append(row.address);
    return list;
}

void addAllVersions()
{
    QTest::addColumn<int>("version");
    for (int version = kMinFirmwareVersion; version <= kMaxFirmwareVersion; ++version)
        QTest::addRow("v%d", version) << version;
}

const QString kProtectionModeHelp =
    QStringLiteral("0-zakaz pracy zabezpieczenia\r\n"
                   "1- zezwolenie na pracę zabezpieczenia, zakaz SPZ po zadziałaniu;\r\n"
                   "2- zezwolenie na pracę zabezpieczenia, zezwolenie na SPZ po zadziałaniu.");

} // namespace

class TestDeviceParameterTable : public QObject
{
    Q_OBJECT

private slots:
    void shapeOfTable_data();
    void shapeOfTable();
    void filterCoefficientsOnlyForVersion11_data();
    void filterCoefficientsOnlyForVersion11();
    void versionRegisterIsFixedToTheVersion_data();
    void versionRegisterIsFixedToTheVersion();
    void factoryValuesKeepTheirBounds_data();
    void factoryValuesKeepTheirBounds();
    void exactTexts_data();
    void exactTexts();
    void lookAlikeLettersOnlyWhereIntended();
    void registerFromValue_data();
    void registerFromValue();
    void registerWords_data();
    void registerWords();
    void everyRegisterSurvivesTheRoundTrip();
};

// 20 groups, only the first expanded; every register 150..242 exactly once in
// ascending order, plus 243 and 244 for version 11.
void TestDeviceParameterTable::shapeOfTable_data()
{
    addAllVersions();
}

void TestDeviceParameterTable::shapeOfTable()
{
    QFETCH(int, version);
    const std::vector<ParameterGroup> groups = BuildParameterTable(version);
    QCOMPARE(groups.size(), 20u);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        QCOMPARE(groups[i].expanded, i == 0);
        QVERIFY2(!groups[i].rows.empty(), qPrintable(text(groups[i].title)));
    }
    QCOMPARE(text(groups.front().title), QStringLiteral("Ustawianie trybów"));
    QCOMPARE(text(groups.back().title), QStringLiteral("Kasowanie liczników energii"));

    const std::vector<DeviceParameter> rows = ParameterRows(version);
    QCOMPARE(rows.size(), version == 11 ? 95u : 93u);

    QList<std::uint16_t> expected;
    for (std::uint16_t address = 150; address <= 242; ++address)
        expected.append(address);
    QList<std::uint16_t> actual = addresses(rows);
    const qsizetype filters = actual.removeIf([](std::uint16_t a) { return a == 243 || a == 244; });
    QCOMPARE(filters, version == 11 ? 2 : 0);
    QCOMPARE(actual, expected);
}

void TestDeviceParameterTable::filterCoefficientsOnlyForVersion11_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QList<std::uint16_t>>("temperatureGroup");
    const QList<std::uint16_t> without{201, 202, 203, 204, 205, 206, 207, 208, 209};
    const QList<std::uint16_t> with{201, 202, 203, 243, 204, 205, 206, 207, 244, 208, 209};
    QTest::newRow("v7") << 7 << without;
    QTest::newRow("v10") << 10 << without;
    QTest::newRow("v11") << 11 << with;
    QTest::newRow("v12") << 12 << without;
    QTest::newRow("v15") << 15 << without;
}

void TestDeviceParameterTable::filterCoefficientsOnlyForVersion11()
{
    QFETCH(int, version);
    QFETCH(QList<std::uint16_t>, temperatureGroup);
    const ParameterGroup group = BuildParameterTable(version)[12];
    QCOMPARE(text(group.title), QStringLiteral("Kontrola temperatury"));
    QCOMPARE(addresses(group.rows), temperatureGroup);

    const std::optional<DeviceParameter> s1 = FindParameter(version, 243);
    const std::optional<DeviceParameter> s2 = FindParameter(version, 244);
    QCOMPARE(s1.has_value(), version == 11);
    QCOMPARE(s2.has_value(), version == 11);
    if (version == 11) {
        QCOMPARE(text(s1->title), QStringLiteral("Filter tempS1 : Współczynnik filtra czujnika 1"));
        QCOMPARE(text(s2->title), QStringLiteral("Filter tempS2 : Współczynnik filtra czujnika 2"));
        for (const DeviceParameter& row : {*s1, *s2}) {
            QCOMPARE(row.kind, ParameterKind::Integer);
            QCOMPARE(FactoryRegisterValue(row), 1);
            QCOMPARE(row.minimum, 1);
            QCOMPARE(row.maximum, 20);
        }
    }
}

// The operator cannot change "Version", and a factory restore writes the version the
// table was built for, whatever the relay reported.
void TestDeviceParameterTable::versionRegisterIsFixedToTheVersion_data()
{
    addAllVersions();
}

void TestDeviceParameterTable::versionRegisterIsFixedToTheVersion()
{
    QFETCH(int, version);
    const std::optional<DeviceParameter> row = FindParameter(version, 230);
    QVERIFY(row);
    QCOMPARE(text(row->title), QStringLiteral("Version : Wersja mikroprogramu ZRQ-7/8"));
    QCOMPARE(row->kind, ParameterKind::Integer);
    QCOMPARE(FactoryRegisterValue(*row), version);
    QCOMPARE(row->minimum, version);
    QCOMPARE(row->maximum, version);
}

// A factory restore must never write a value the window itself would refuse, and
// every bound must fit the relay's signed 16-bit register.
void TestDeviceParameterTable::factoryValuesKeepTheirBounds_data()
{
    addAllVersions();
}

void TestDeviceParameterTable::factoryValuesKeepTheirBounds()
{
    QFETCH(int, version);
    for (const DeviceParameter& row : ParameterRows(version)) {
        const QByteArray where = QByteArray::number(row.address);
        const std::int32_t factory = FactoryRegisterValue(row);
        QVERIFY2(row.minimum <= factory && factory <= row.maximum, where);
        QVERIFY2(row.minimum >= -32768 && row.maximum <= 32767, where);
        // The factory value is a whole number of tenths (or units): nothing is cut.
        QCOMPARE(ValueFromRegister(row.kind, std::int16_t(factory)), row.factoryValue);
    }
}

void TestDeviceParameterTable::exactTexts_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("help");
    QTest::addColumn<ParameterKind>("kind");
    QTest::addColumn<int>("factory");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");

    // \u0421 Cyrillic Es, \u0410 Cyrillic A, \u043A Cyrillic ka, \u03A9 Omega, \u2013 en dash.
    QTest::newRow("201 Cyrillic ka and Es, Latin k")
        << 201
        << QStringLiteral("Temp S1 Type : Zezwolenie na kontrolę temperatury i typ czujnika temperatury 1")
        << QStringLiteral(
               "0 \u2013 wyłączona\r\n1-wbudowana w silnik (zabezpieczenie zadziała, gdy rezystancja "
               "czujnika przekroczy 1,7 k\u03A9)\r\n2\u2013PTC (1 \u043A\u03A9 przy 25°\u0421)")
        << ParameterKind::Integer << 0 << 0 << 2;
    QTest::newRow("202 degrees Es") << 202
                                    << QStringLiteral(
                                           "Temp S1 Off M : Temperatura odłączenia silnika [°\u0421]")
                                    << QString() << ParameterKind::Integer << 80 << 0 << 100;
    QTest::newRow("203 negative bounds")
        << 203 << QStringLiteral("Temp S1 Corr : Korekcja temperatury pierwszego czujnika") << QString()
        << ParameterKind::Integer << 0 << -9 << 9;
    QTest::newRow("206 degrees Es") << 206
                                    << QStringLiteral("Temp S2 Alarm : Temperatura ostrzeżenia [°\u0421]")
                                    << QString() << ParameterKind::Integer << 170 << 0 << 220;
    QTest::newRow("210 Cyrillic and Latin k")
        << 210
        << QStringLiteral(
               "Insulation Mr : Zabezpieczenie przed przekroczeniem minimalnej rezystancji uzwojeń silnika")
        << QStringLiteral(
               "0-odłączone\r\n"
               "1-silnik nie włącza się w przypadku rezystancji izolacji poniżej 500\u043A, zezwolenie na "
               "SPZ;\r\n"
               "2--silnik nie włącza się w przypadku rezystancji izolacji poniżej 1000\u043A, zezwolenie na "
               "SPZ;\r\n"
               "3-silnik nie włącza sięw przypadku rezystancji izolacji poniżej 500k, zakaz SPZ\r\n"
               "4-silnik nie włącza się w przypadku rezystancji izolacji poniżej 1000k, zakaz SPZ.")
        << ParameterKind::Integer << 1 << 0 << 4;
    QTest::newRow("233 milliampere A") << 233 << QStringLiteral("Input I UP : Próg górny [m\u0410]")
                                       << QString() << ParameterKind::Tenths << 100 << 0 << 200;
    QTest::newRow("234 milliampere A") << 234 << QStringLiteral("Input I DOWN : Próg dolny [m\u0410]")
                                       << QString() << ParameterKind::Tenths << 10 << 0 << 200;
    QTest::newRow("197 quotes")
        << 197 << QStringLiteral("AR : Zakaz SPZ dla wszystkich awarii (oprócz awarii napięciowych)")
        << QStringLiteral(
               "Działanie wartości parametru Arr obowiązuje dla wszystkich rodzajów awarii oprócz awarii "
               "napięciowych. Aby zakazać SPZ w przypadku awarii napięciowych, należy skorzystać z "
               "parametrów \"Umin protec\", \"Umax protec\", \"Uimbal protec\"\r\n0-zakaz SPZ;\r\n"
               "1-zezwolenie na SPZ.")
        << ParameterKind::Integer << 1 << 0 << 1;
    QTest::newRow("200 double blank")
        << 200
        << QStringLiteral(
               "Motor OP RS-2/5 : Zdalne włączenie i wyłączenie silnika przez interfejs RS-232/RS-485")
        << QStringLiteral(
               "0-zakaz zdalnego sterowania;\r\n1 - zezwolenie na zdalne sterowanie, zezwolenie na "
               "rozruch silnika po podaniu na ZRQ zasilania;\r\n2 - zezwolenie na zdalne sterowanie, "
               "zakaz rozruchu silnika po podaniu  na ZRQ zasilania do momentu wysłania polecenia "
               "zdalnego włączenia.")
        << ParameterKind::Integer << 0 << 0 << 2;
    QTest::newRow("223 double blank, quotes")
        << 223 << QStringLiteral("Data speed : Prędkość transmisji")
        << QStringLiteral("0:  9600 Bd; 1: 19200 Bd;\r\nZmiana parametru następuje po wyłączeniu i ponownym "
                          "włączeniu zasilania lub wykonaniu polecenia \"RESTART ZRQ\".")
        << ParameterKind::Integer << 0 << 0 << 1;
    QTest::newRow("231 trailing blanks")
        << 231 << QStringLiteral("Indicator L : Podświetlenie wyświetlacza")
        << QStringLiteral(
               "0-podświetlenie wyłączone;\r\n1-podświetlenie włącza się na 15 sekund po naciśnięciu "
               "dowolnego przycisku;\r\n2-podświetlenie włączone w sposób ciągły.    ")
        << ParameterKind::Integer << 1 << 0 << 2;
    QTest::newRow("220 service code")
        << 220 << QStringLiteral("Password : Serwisowy kod dostępu")
        << QStringLiteral(
               "000 \u2013 zezwolenie na dostęp z poziomu serwisowego\r\n000-999 \u2013 hasło serwisowe")
        << ParameterKind::Integer << 716 << 0 << 999;
    QTest::newRow("157 protection mode")
        << 157 << QStringLiteral("Imax protec : Zezwolenie na pracę zabezpieczenia") << kProtectionModeHelp
        << ParameterKind::Integer << 2 << 0 << 2;
    QTest::newRow("156 widest tenths")
        << 156 << QStringLiteral("Imax delay : Opóźnienie zadziałania zabezpieczenia prądowego [s]")
        << QString() << ParameterKind::Tenths << 100 << 3 << 6000;
    QTest::newRow("189 frequency") << 189
                                   << QStringLiteral(
                                          "Frequency Min : Minimalna wartość częstotliwości napięcia [Hz]")
                                   << QString() << ParameterKind::Tenths << 497 << 350 << 600;
    QTest::newRow("232 negative tenths")
        << 232 << QStringLiteral("Correct Time : Korekcja zegara [s]")
        << QStringLiteral("Korekcja pracy zegara czasu rzeczywistego. Kompensacja czasu za dobę")
        << ParameterKind::Tenths << 0 << -100 << 100;
}

void TestDeviceParameterTable::exactTexts()
{
    QFETCH(int, address);
    QFETCH(QString, title);
    QFETCH(QString, help);
    QFETCH(ParameterKind, kind);
    QFETCH(int, factory);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    const std::optional<DeviceParameter> row = FindParameter(11, std::uint16_t(address));
    QVERIFY(row);
    QCOMPARE(text(row->title), title);
    QCOMPARE(text(row->help), help);
    QCOMPARE(row->kind, kind);
    QCOMPARE(FactoryRegisterValue(*row), factory);
    QCOMPARE(row->minimum, minimum);
    QCOMPARE(row->maximum, maximum);
}

// The Cyrillic and Greek letters stand exactly where the relay's texts have them and
// nowhere else; every line break is CR LF and every title has the " : " separator.
void TestDeviceParameterTable::lookAlikeLettersOnlyWhereIntended()
{
    const QSet<int> cyrillicRows{201, 202, 205, 206, 210, 233, 234};
    const QSet<int> omegaRows{201};
    QSet<int> foundCyrillic;
    QSet<int> foundOmega;
    for (const DeviceParameter& row : ParameterRows(11)) {
        const QString title = text(row.title);
        const QString help = text(row.help);
        const QByteArray where = QByteArray::number(row.address);
        QVERIFY2(title.count(QStringLiteral(" : ")) >= 1, where);
        QVERIFY2(help.count(u'\n') == help.count(QStringLiteral("\r\n")), where);
        QVERIFY2(help.count(u'\r') == help.count(QStringLiteral("\r\n")), where);
        for (const QChar c : title + help) {
            if (c.script() == QChar::Script_Cyrillic)
                foundCyrillic.insert(row.address);
            if (c.script() == QChar::Script_Greek)
                foundOmega.insert(row.address);
            QVERIFY2(c.unicode() >= 0x20 || c == u'\r' || c == u'\n', where);
        }
    }
    QCOMPARE(foundCyrillic, cyrillicRows);
    QCOMPARE(foundOmega, omegaRows);
}

void TestDeviceParameterTable::registerFromValue_data()
{
    QTest::addColumn<ParameterKind>("kind");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("reg");

    QTest::newRow("0.4") << ParameterKind::Tenths << 0.4f << 4;
    QTest::newRow("49.7") << ParameterKind::Tenths << 49.7f << 497;
    QTest::newRow("-0.3") << ParameterKind::Tenths << -0.3f << -3;
    QTest::newRow("600.0") << ParameterKind::Tenths << 600.0f << 6000;
    QTest::newRow("10.0") << ParameterKind::Tenths << 10.0f << 100;
    QTest::newRow("-10.0") << ParameterKind::Tenths << -10.0f << -100;
    QTest::newRow("0.0") << ParameterKind::Tenths << 0.0f << 0;
    // Extra decimals typed by the operator are cut, not rounded.
    QTest::newRow("0.99 cut") << ParameterKind::Tenths << 0.99f << 9;
    QTest::newRow("1.25 cut") << ParameterKind::Tenths << 1.25f << 12;
    QTest::newRow("-0.99 cut toward zero") << ParameterKind::Tenths << -0.99f << -9;
    // The 10001 factor adds a ten-thousandth of the value before the cut, and the product
    // is single precision: these values go up where value * 10 or double precision would not.
    QTest::newRow("100.99 lifted") << ParameterKind::Tenths << 100.99f << 1010;
    QTest::newRow("299.97 single precision") << ParameterKind::Tenths << 299.97f << 3000;
    QTest::newRow("599.94 single precision") << ParameterKind::Tenths << 599.94f << 6000;
    QTest::newRow("500.05 single precision") << ParameterKind::Tenths << 500.05f << 5001;
    QTest::newRow("integer 716") << ParameterKind::Integer << 716.0f << 716;
    QTest::newRow("integer -9") << ParameterKind::Integer << -9.0f << -9;

    // A damaged parameter file can carry any number: the conversion saturates instead
    // of overflowing, and NaN gives 0.
    constexpr int kMax = std::numeric_limits<std::int32_t>::max();
    constexpr int kMin = std::numeric_limits<std::int32_t>::min();
    QTest::newRow("hostile tenths 1e30") << ParameterKind::Tenths << 1e30f << kMax / 1000;
    QTest::newRow("hostile tenths -1e30") << ParameterKind::Tenths << -1e30f << kMin / 1000;
    QTest::newRow("hostile tenths +inf")
        << ParameterKind::Tenths << std::numeric_limits<float>::infinity() << kMax / 1000;
    QTest::newRow("hostile tenths NaN")
        << ParameterKind::Tenths << std::numeric_limits<float>::quiet_NaN() << 0;
    QTest::newRow("hostile integer 1e30") << ParameterKind::Integer << 1e30f << kMax;
    QTest::newRow("hostile integer -inf")
        << ParameterKind::Integer << -std::numeric_limits<float>::infinity() << kMin;
    QTest::newRow("hostile integer NaN")
        << ParameterKind::Integer << std::numeric_limits<float>::quiet_NaN() << 0;
}

void TestDeviceParameterTable::registerFromValue()
{
    QFETCH(ParameterKind, kind);
    QFETCH(float, value);
    QFETCH(int, reg);
    QCOMPARE(RegisterFromValue(kind, value), reg);
}

// A word read from the relay, the value it shows, and the word written back.
void TestDeviceParameterTable::registerWords_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("shown");

    QTest::newRow("Temp S1 Corr 0xFFF7") << 203 << 0xFFF7 << QStringLiteral("-9");
    QTest::newRow("Frequency Min 497") << 189 << 497 << QStringLiteral("49.7");
    QTest::newRow("Imax delay 6000") << 156 << 6000 << QStringLiteral("600.0");
    QTest::newRow("Correct Time 0xFF9C") << 232 << 0xFF9C << QStringLiteral("-10.0");
    QTest::newRow("Correct Time 0xFFFD") << 232 << 0xFFFD << QStringLiteral("-0.3");
    QTest::newRow("Password 716") << 220 << 716 << QStringLiteral("716");
}

void TestDeviceParameterTable::registerWords()
{
    QFETCH(int, address);
    QFETCH(int, word);
    QFETCH(QString, shown);
    const std::optional<DeviceParameter> row = FindParameter(7, std::uint16_t(address));
    QVERIFY(row);
    const float value = ValueFromRegister(row->kind, std::int16_t(std::uint16_t(word)));
    const QString formatted = row->kind == ParameterKind::Tenths ? QString::asprintf("%.1f", double(value))
                                                                 : QString::asprintf("%d", int(value));
    QCOMPARE(formatted, shown);
    QCOMPARE(int(std::uint16_t(RegisterFromValue(row->kind, value))), word);
}

void TestDeviceParameterTable::everyRegisterSurvivesTheRoundTrip()
{
    for (int reg = -100; reg <= 6000; ++reg) {
        const float value = ValueFromRegister(ParameterKind::Tenths, std::int16_t(reg));
        if (RegisterFromValue(ParameterKind::Tenths, value) != reg)
            QFAIL(qPrintable(QStringLiteral("tenths register %1 came back as %2")
                                 .arg(reg)
                                 .arg(RegisterFromValue(ParameterKind::Tenths, value))));
    }
    for (int reg = -32768; reg <= 32767; ++reg) {
        const float value = ValueFromRegister(ParameterKind::Integer, std::int16_t(reg));
        if (RegisterFromValue(ParameterKind::Integer, value) != reg)
            QFAIL(qPrintable(QStringLiteral("integer register %1 did not survive").arg(reg)));
    }
}

QTEST_APPLESS_MAIN(TestDeviceParameterTable)
#include "tst_device_parameter_table.moc"
