// SPDX-License-Identifier: MIT
// The parameters window's rules without a window: what the grid accepts and
// shows, parameter files (reading, writing, replacing), and the relay clock's
// BCD words and checks. Numbers must not change with the locale.
#include "DeviceParameterTable.h"
#include "GridValueRules.h"
#include "ParameterFile.h"
#include "RelayClockRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <sys/stat.h>
#include <unistd.h>

using namespace zrq7::params;

Q_DECLARE_METATYPE(ParameterKind)
Q_DECLARE_METATYPE(EditVerdict)

namespace {

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

// The checks every locale must give alike, also used under pl_PL.UTF-8.
void addEditCases()
{
    QTest::addColumn<ParameterKind>("kind");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<EditVerdict>("verdict");
    QTest::addColumn<int>("stored");
    const auto I = ParameterKind::Integer;
    const auto T = ParameterKind::Tenths;
    const auto ok = EditVerdict::Accepted, out = EditVerdict::OutOfRange, same = EditVerdict::Unchanged;
    // "Tm average i" 10..600
    QTest::newRow("upper bound accepted") << I << "600" << 60 << 10 << 600 << ok << 600;
    QTest::newRow("above upper bound") << I << "601" << 60 << 10 << 600 << out << 60;
    QTest::newRow("wraps to 100 in 32 bits") << I << "4294967396" << 60 << 10 << 600 << out << 60;
    QTest::newRow("longer than 64 bits") << I << "99999999999999999999999" << 60 << 10 << 600 << out << 60;
    QTest::newRow("leading digits") << I << " 42abc" << 60 << 10 << 600 << ok << 42;
    QTest::newRow("no digits reads 0, out of range") << I << "abc" << 60 << 10 << 600 << out << 60;
    QTest::newRow("negative in range") << I << "-5" << 0 << -9 << 9 << ok << -5;
    QTest::newRow("text unchanged") << I << "60" << 60 << 10 << 600 << same << 60;
    // "Imax delay" 0.3..600.0, "Termal C stop" 1.0..4.0
    QTest::newRow("below tenths bound") << T << "0.2" << 100 << 3 << 6000 << out << 100;
    QTest::newRow("shown text unchanged") << T << "10.0" << 100 << 3 << 6000 << same << 100;
    QTest::newRow("same value other text") << T << "10" << 100 << 3 << 6000 << ok << 100;
    QTest::newRow("1.06 stored as shown 1.1") << T << "1.06" << 10 << 10 << 40 << ok << 11;
    QTest::newRow("1.04 stored as 1.0") << T << "1.04" << 20 << 10 << 40 << ok << 10;
    QTest::newRow("rounding checked: 0.26 is 0.3") << T << "0.26" << 100 << 3 << 6000 << ok << 3;
    QTest::newRow("rounding checked: 0.24 is 0.2") << T << "0.24" << 100 << 3 << 6000 << out << 100;
    // The decimal comma reads as the point, wherever a point is read.
    // "Correct Time" -10.0..10.0
    QTest::newRow("comma: 2,5 is 2.5") << T << "2,5" << 0 << -100 << 100 << ok << 25;
    QTest::newRow("comma: negative") << T << "-2,5" << 0 << -100 << 100 << ok << -25;
    QTest::newRow("comma: range checks the whole number") << T << "10,1" << 0 << -100 << 100 << out << 0;
    QTest::newRow("comma: upper bound") << T << "10,0" << 0 << -100 << 100 << ok << 100;
    QTest::newRow("comma: 1,06 stored as shown 1.1") << T << "1,06" << 10 << 10 << 40 << ok << 11;
    QTest::newRow("comma: rounding checked, 0,24 is 0.2") << T << "0,24" << 100 << 3 << 6000 << out << 100;
    QTest::newRow("comma: shown text unchanged") << T << "10,0" << 100 << 3 << 6000 << same << 100;
    QTest::newRow("comma: exponent") << T << "4,5e1" << 100 << 3 << 6000 << ok << 450;
    QTest::newRow("comma: a second separator ends it") << T << "2,5,7" << 0 << -100 << 100 << ok << 25;
    QTest::newRow("comma: no digits before") << T << ",5" << 100 << 0 << 6000 << ok << 5;
    // Integers read leading digits: a comma ends them as a point does.
    QTest::newRow("integer: point ends the digits") << I << "42.7" << 60 << 10 << 600 << ok << 42;
    QTest::newRow("integer: comma ends the digits") << I << "42,7" << 60 << 10 << 600 << ok << 42;
    QTest::newRow("exponent") << T << "4e1" << 100 << 3 << 6000 << ok << 400;
    QTest::newRow("huge exponent") << T << "1e300" << 100 << 3 << 6000 << out << 100;
    QTest::newRow("negative tenths") << T << "-0.5" << 0 << -10 << 10 << ok << -5;
    QTest::newRow("nan is no number") << T << "nan" << 100 << 3 << 6000 << out << 100;
}

} // namespace

class TestParameterRules : public QObject
{
    Q_OBJECT

private slots:
    void editText_data() { addEditCases(); }
    void editText();
    void editTextUnderPolishLocale_data() { addEditCases(); }
    void editTextUnderPolishLocale();
    void shownTexts();
    void bcd_data();
    void bcd();
    void clockRegisters();
    void clockComparison_data();
    void clockComparison();
    void iniReading();
    void iniWritingKeepsOtherLines();
    void parameterValues_data();
    void parameterValues();
    void savingReplacesTheFileWhole();
    void savingThroughSymbolicLinks_data();
    void savingThroughSymbolicLinks();
    void wholeFileReading_data();
    void wholeFileReading();

private:
    void runEditCase();
};

void TestParameterRules::runEditCase()
{
    QFETCH(ParameterKind, kind);
    QFETCH(QString, typed);
    QFETCH(int, current);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(EditVerdict, verdict);
    QFETCH(int, stored);
    const EditCheck check = checkEditText(kind, typed.toStdString(), current, minimum, maximum);
    QCOMPARE(check.verdict, verdict);
    if (verdict == EditVerdict::Accepted)
        QCOMPARE(check.registerValue, stored);
}

void TestParameterRules::editText()
{
    runEditCase();
}

void TestParameterRules::editTextUnderPolishLocale()
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "pl_PL.UTF-8"))
        QSKIP("pl_PL.UTF-8 is not installed");
    runEditCase();
    QCOMPARE(text(formatRegisterValue(ParameterKind::Tenths, 497)), u"49.7"_qs);
    QCOMPARE(text(writeParameterValues({}, {{157, 497}})), u"[ZRQ7config]\r\n157=497\r\n"_qs);
    std::setlocale(LC_ALL, previous.c_str());
}

void TestParameterRules::shownTexts()
{
    QCOMPARE(text(formatRegisterValue(ParameterKind::Tenths, 497)), u"49.7"_qs);
    QCOMPARE(text(formatRegisterValue(ParameterKind::Tenths, -5)), u"-0.5"_qs);
    QCOMPARE(text(formatRegisterValue(ParameterKind::Tenths, 6000)), u"600.0"_qs);
    QCOMPARE(text(formatRegisterValue(ParameterKind::Integer, -9)), u"-9"_qs);
    QCOMPARE(text(parameterItemName(153, "Tm average i : x")), u"[ 153 adres ] Tm average i : x"_qs);
    QCOMPARE(text(rangeMessage(ParameterKind::Integer, 10, 600)),
             u"Wartość powinna znajdować się w przedziale od 10 do 600."_qs);
    QCOMPARE(text(rangeMessage(ParameterKind::Tenths, 3, 6000)),
             u"Wartość powinna znajdować się w przedziale od 0.3 do 600.0."_qs);
    QCOMPARE(text(rangeLine(ParameterKind::Integer, 10, 600, 60)),
             u"[ od 10 do 600 ] : [ nastawa fabryczna 60 ]"_qs);
    QCOMPARE(text(rangeLine(ParameterKind::Tenths, -10, 40, 10)),
             u"[ od -1.0 do 4.0 ] : [ nastawa fabryczna 1.0 ]"_qs);
}

void TestParameterRules::bcd_data()
{
    QTest::addColumn<uint>("number");
    QTest::addColumn<uint>("packed");
    QTest::newRow("seconds 7") << 7u << 0x0007u;
    QTest::newRow("59") << 59u << 0x0059u;
    QTest::newRow("2024") << 2024u << 0x2024u;
    QTest::newRow("five digits keep four") << 12345u << 0x2345u;
    QTest::newRow("taken as 16 bits") << 70000u << 0x4464u;
}

void TestParameterRules::bcd()
{
    QFETCH(uint, number);
    QFETCH(uint, packed);
    QCOMPARE(uint(ToBcd(number)), packed);
    QCOMPARE(FromBcd(packed), number % 65536 % 10000);
    QCOMPARE(FromBcd(0x00AB), 111u); // nibbles above 9 count as they are
}

void TestParameterRules::clockRegisters()
{
    const ClockRegisters words = clockRegistersFor({2024, 3, 15, 13, 45, 7});
    QCOMPARE(words, (ClockRegisters{0x0007, 0x0045, 0x0013, 0x0015, 0x0003, 0x0024}));
    QCOMPARE(clockRegistersFor({1999, 12, 31, 23, 59, 59})[5], 0);
    QCOMPARE(compareRelayClock(clockRegistersFor({1999, 12, 31, 23, 59, 59}), {1999, 12, 31, 23, 59, 59}),
             int(ClockYearMismatch));
}

void TestParameterRules::clockComparison_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("code");
    QTest::newRow("equal") << 0 << 0 << 0;
    QTest::newRow("seconds one ahead") << 0 << 1 << 0;
    QTest::newRow("seconds one behind") << 0 << -1 << 0;
    QTest::newRow("seconds two ahead") << 0 << 2 << 205;
    QTest::newRow("minutes") << 1 << 1 << 204;
    QTest::newRow("hours") << 2 << 1 << 203;
    QTest::newRow("day") << 3 << 1 << 202;
    QTest::newRow("month") << 4 << 1 << 201;
    QTest::newRow("year") << 5 << 1 << 200;
}

void TestParameterRules::clockComparison()
{
    QFETCH(int, field);
    QFETCH(int, delta);
    QFETCH(int, code);
    const CalendarTime pc{2024, 3, 15, 13, 45, 30};
    CalendarTime relay = pc;
    int* fields[] = {&relay.second, &relay.minute, &relay.hour, &relay.day, &relay.month, &relay.year};
    *fields[field] += delta;
    QCOMPARE(compareRelayClock(clockRegistersFor(relay), pc), code);
    if (code != 0)
        QVERIFY(QString::fromUtf8(clockSyncMessage(code)).startsWith(u"Błąd synchronizacji czasu.\r\n"_qs));
}

void TestParameterRules::iniReading()
{
    const std::string file = "\xEF\xBB\xBF; comment\n[other]\n150=1\r\n[ zrq7CONFIG ]\r\n 150 = 100 \r\n"
                             "151=\"7\"\nlong=12345678901234567890123\n152=\n150=999\n";
    const IniDocument ini = IniDocument::parse(file);
    QVERIFY(ini.hasSection("ZRQ7config"));
    QCOMPARE(ini.value("ZRQ7config", "150"), std::optional<std::string>("100"));
    QCOMPARE(ini.value("zrq7config", "151"), std::optional<std::string>("7"));
    QCOMPARE(ini.value("ZRQ7config", "LONG")->size(), kMaxIniValueLength);
    QCOMPARE(ini.value("ZRQ7config", "152"), std::optional<std::string>(""));
    QCOMPARE(ini.value("ZRQ7config", "153"), std::nullopt);
    QCOMPARE(ini.value("missing", "150"), std::nullopt);
    QCOMPARE(ini.value("other", "150"), std::optional<std::string>("1"));
}

void TestParameterRules::iniWritingKeepsOtherLines()
{
    const std::string existing = "; made by hand\n[ZRQ7config]\n150=1\n243=5\n\n[notes]\nx=y\n";
    const std::string written = writeParameterValues(existing, {{150, 100}, {151, -9}});
    QCOMPARE(text(written), u"; made by hand\r\n[ZRQ7config]\r\n150=100\r\n243=5\r\n151=-9\r\n\r\n"
                            "[notes]\r\nx=y\r\n"_qs);
    QCOMPARE(text(writeParameterValues({}, {{150, 100}, {151, 0}})),
             u"[ZRQ7config]\r\n150=100\r\n151=0\r\n"_qs);
    QCOMPARE(text(writeParameterValues("[other]\nk=v", {{150, 1}})),
             u"[other]\r\nk=v\r\n[ZRQ7config]\r\n150=1\r\n"_qs);
    // Two byte order marks (found by the fuzzer): the first save drops both, the next changes nothing.
    const std::string twoMarks =
        writeParameterValues("\xEF\xBB\xBF\xEF\xBB\xBF; x\n[ZRQ7config]\n150=1\n", {{150, 2}});
    QCOMPARE(text(twoMarks), u"; x\r\n[ZRQ7config]\r\n150=2\r\n"_qs);
    QCOMPARE(writeParameterValues(twoMarks, {{150, 2}}), twoMarks);
}

void TestParameterRules::parameterValues_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("problem");
    QTest::addColumn<QList<int>>("values"); // of 150, 151, 152; 99999 for none
    QTest::addColumn<QList<int>>("refused");
    const int none = 99999;
    QTest::newRow("plain") << QByteArray("[ZRQ7config]\r\n150=100\r\n151=-9\r\n152=497\r\n") << 0
                           << QList<int>{100, -9, 497} << QList<int>{};
    QTest::newRow("missing and empty keys")
        << QByteArray("[ZRQ7config]\n151=\n") << 0 << QList<int>{none, none, none} << QList<int>{};
    QTest::newRow("does not fit 16 bits") << QByteArray("[ZRQ7config]\n150=70000\n151=-32768\n152=32768\n")
                                          << 0 << QList<int>{none, -32768, none} << QList<int>{150, 152};
    QTest::newRow("leading digits, no digits")
        << QByteArray("[ZRQ7config]\n150=12abc\n151=abc\n") << 0 << QList<int>{12, 0, none} << QList<int>{};
    QTest::newRow("no section") << QByteArray("[other]\n150=1\n") << int(ParameterFileProblem::NoSection)
                                << QList<int>{} << QList<int>{};
    QTest::newRow("empty file") << QByteArray() << int(ParameterFileProblem::NoSection) << QList<int>{}
                                << QList<int>{};
    // Files that are no parameter file, or were damaged: the window's "no section"
    // message or the values that can be read, never more.
    QByteArray noise(4096, '\0');
    QRandomGenerator random(11);
    for (char& byte : noise)
        byte = char(random.bounded(256));
    QTest::newRow("random bytes") << noise << int(ParameterFileProblem::NoSection) << QList<int>{}
                                  << QList<int>{};
    QTest::newRow("random bytes after the section")
        << "[ZRQ7config]\n151=5\n" + noise << 0 << QList<int>{none, 5, none} << QList<int>{};
    // Lines end with LF or CRLF: after "]" the rest of a header line is ignored.
    QTest::newRow("CR alone ends no line")
        << QByteArray("[ZRQ7config]\r150=1\r") << 0 << QList<int>{none, none, none} << QList<int>{};
    QTest::newRow("section name not closed")
        << QByteArray("[ZRQ7config\n150=1\n") << int(ParameterFileProblem::NoSection) << QList<int>{}
        << QList<int>{};
    QTest::newRow("NUL inside a value")
        << QByteArray("[ZRQ7config]\n150=1\0002\n", 19) << 0 << QList<int>{1, none, none} << QList<int>{};
    QTest::newRow("100000 digits") << "[ZRQ7config]\n150=" + QByteArray(100000, '7') + "\n"
                                   << 0 << QList<int>{none, none, none} << QList<int>{150};
}

void TestParameterRules::parameterValues()
{
    QFETCH(QByteArray, file);
    QFETCH(int, problem);
    QFETCH(QList<int>, values);
    QFETCH(QList<int>, refused);
    const LoadedParameters loaded = readParameterValues(file.toStdString(), {150, 151, 152});
    QCOMPARE(int(loaded.problem), problem);
    QList<int> got;
    for (const auto& value : loaded.values)
        got.append(value ? *value : 99999);
    QCOMPARE(got, values);
    QCOMPARE(QList<int>(loaded.refused.begin(), loaded.refused.end()), refused);
}

// What readWholeFile gives the parameters window (which says "Nie można odczytać
// pliku ustawień" for nothing): files up to 1 MiB, nothing for larger ones
// (a full parameter file is under 2 KiB), and no wait on a pipe nobody writes to.
void TestParameterRules::wholeFileReading_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("read");
    QTest::newRow("1 MiB") << u"file"_qs << (qint64(1) << 20) << true;
    QTest::newRow("1 MiB and a byte") << u"file"_qs << (qint64(1) << 20) + 1 << false;
    QTest::newRow("64 GiB with a hole") << u"file"_qs << (qint64(64) << 30) << false;
    QTest::newRow("named pipe without a writer") << u"fifo"_qs << qint64(0) << false;
}

void TestParameterRules::wholeFileReading()
{
    QFETCH(QString, kind);
    QFETCH(qint64, size);
    QFETCH(bool, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"a.zrq7"_qs);
    if (kind == u"fifo"_qs) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!file.resize(size))
            QSKIP("no sparse files here");
    }
    const auto contents = readWholeFile(path.toStdString());
    QCOMPARE(contents.has_value(), read);
    if (read)
        QCOMPARE(qint64(contents->size()), size);
}

void TestParameterRules::savingReplacesTheFileWhole()
{
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath(u"a.zrq7"_qs).toStdString();
    QVERIFY(replaceFileAtomically(path, "one\r\n"));
    ::chmod(path.c_str(), 0640);
    QVERIFY(replaceFileAtomically(path, "two\r\n"));
    QCOMPARE(readWholeFile(path), std::optional<std::string>("two\r\n"));
    struct stat info
    {
    };
    QCOMPARE(::stat(path.c_str(), &info), 0);
    QCOMPARE(info.st_mode & 07777, 0640u);
    // Nothing is left behind, and a failed save keeps the good file.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"a.zrq7"_qs});
    ::chmod(dir.path().toLocal8Bit().constData(), 0500);
    const bool writable = ::access(dir.path().toLocal8Bit().constData(), W_OK) == 0; // root ignores modes
    if (!writable) {
        QVERIFY(!replaceFileAtomically(path, "three\r\n"));
        QCOMPARE(readWholeFile(path), std::optional<std::string>("two\r\n"));
    }
    ::chmod(dir.path().toLocal8Bit().constData(), 0700);
    QVERIFY(!replaceFileAtomically(dir.path().toStdString() + "/missing/b.zrq7", "x"));
    QCOMPARE(readWholeFile(dir.path().toStdString() + "/missing/b.zrq7"), std::nullopt);
    QCOMPARE(readWholeFile(dir.path().toStdString()), std::nullopt); // a folder is no file
}

void TestParameterRules::savingThroughSymbolicLinks_data()
{
    // Links as "name>target" in a fresh folder ("@" stands for the folder);
    // real/b.zrq7 exists (mode 0640) before the save of a.zrq7.
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("savedInto"); // empty: refused
    QTest::newRow("relative link into another folder")
        << QStringList{u"a.zrq7>real/b.zrq7"_qs} << u"real/b.zrq7"_qs;
    QTest::newRow("absolute link") << QStringList{u"a.zrq7>@/real/b.zrq7"_qs} << u"real/b.zrq7"_qs;
    QTest::newRow("chain of links") << QStringList{u"a.zrq7>real/c.zrq7"_qs, u"real/c.zrq7>b.zrq7"_qs}
                                    << u"real/b.zrq7"_qs;
    QTest::newRow("link to a file not made yet")
        << QStringList{u"a.zrq7>real/new.zrq7"_qs} << u"real/new.zrq7"_qs;
    QTest::newRow("links in a loop") << QStringList{u"a.zrq7>c.zrq7"_qs, u"c.zrq7>a.zrq7"_qs} << QString();
}

void TestParameterRules::savingThroughSymbolicLinks()
{
    QFETCH(QStringList, links);
    QFETCH(QString, savedInto);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"real"_qs));
    const auto at = [&](const QString& name) { return QFile::encodeName(dir.filePath(name)); };
    {
        QFile existing(dir.filePath(u"real/b.zrq7"_qs));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("[ZRQ7config]\r\n150=100\r\n");
    }
    ::chmod(at(u"real/b.zrq7"_qs).constData(), 0640);
    for (const QString& link : links) {
        QString target = link.section(u'>', 1);
        target.replace(u'@', dir.path());
        QCOMPARE(::symlink(QFile::encodeName(target).constData(), at(link.section(u'>', 0, 0)).constData()),
                 0);
    }
    const auto entries = [&] {
        const auto flags = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
        return QDir(dir.path()).entryList(flags) + QDir(dir.filePath(u"real"_qs)).entryList(flags);
    };
    const QStringList before = entries();

    const bool saved = replaceFileAtomically(at(u"a.zrq7"_qs).toStdString(), "[ZRQ7config]\r\n150=120\r\n");
    QCOMPARE(saved, !savedInto.isEmpty());
    // Every link is still a link, and nothing else (no temporary file) appeared.
    for (const QString& link : links) {
        struct stat info = {};
        QCOMPARE(::lstat(at(link.section(u'>', 0, 0)).constData(), &info), 0);
        QVERIFY(S_ISLNK(info.st_mode));
    }
    QStringList expected = before;
    if (saved && !expected.contains(QFileInfo(savedInto).fileName()))
        expected.append(QFileInfo(savedInto).fileName());
    const QStringList after = entries();
    QCOMPARE(QSet<QString>(after.begin(), after.end()), QSet<QString>(expected.begin(), expected.end()));
    if (!saved)
        return;
    QCOMPARE(readWholeFile(at(savedInto).toStdString()),
             std::optional<std::string>("[ZRQ7config]\r\n150=120\r\n"));
    struct stat info = {};
    QCOMPARE(::stat(at(savedInto).constData(), &info), 0);
    // An existing file keeps its permissions; a new one gets the usual 0644.
    QCOMPARE(info.st_mode & 07777, savedInto.endsWith(u"b.zrq7"_qs) ? 0640u : 0644u);
}

QTEST_APPLESS_MAIN(TestParameterRules)
#include "tst_parameter_rules.moc"
