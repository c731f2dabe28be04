// SPDX-License-Identifier: MIT
// The settings record: defaults, the profile's letter encoding, what is
// accepted from a profile, and how the profile file is written.

#include "ProfileFile.h"
#include "ProgramSettings.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// A record whose every byte differs from its neighbours, so a field read from
// the wrong offset or a byte swapped shows.
ProgramSettings patternRecord()
{
    ProgramSettings s;
    auto* bytes = reinterpret_cast<unsigned char*>(&s);
    for (std::size_t i = 0; i < sizeof s; ++i)
        bytes[i] = static_cast<unsigned char>((i * 7 + 3) & 0xFF);
    return s;
}

uint32_t wordAt(const std::string& letters, std::size_t offset)
{
    uint32_t value = 0;
    for (int b = 3; b >= 0; --b) {
        const std::size_t i = 2 * (offset + std::size_t(b));
        value = value << 8 | uint32_t((letters[i + 1] - 'A') * 16 + (letters[i] - 'A'));
    }
    return value;
}

int failingRename(const char*, const char*)
{
    errno = EIO;
    return -1;
}

} // namespace

class TestProgramSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaultsAtTheirOffsets_data();
    void defaultsAtTheirOffsets();
    void defaultTextBeginsAsStored();
    void saveThenLoadKeepsEveryByte();
    void damagedProfileLeavesRecordUntouched_data();
    void damagedProfileLeavesRecordUntouched();
    void profileIsPrivateAndKeepsOtherEntries();
    void failedReplaceKeepsOldProfile();
    void profileBehindALinkStaysALink();
    void saveThatCannotWriteSaysSo();
    void oversizedProfileIsNeitherReadNorReplaced();
    void withValue_data();
    void withValue();
    void textBuffers();

private:
    QTemporaryDir m_dir;
    QString m_profile;
};

void TestProgramSettings::init()
{
    QVERIFY(m_dir.isValid());
    m_profile = m_dir.filePath(QStringLiteral("CPL_ZRQ7/CPL_ZRQ7.INI"));
    QFile::remove(m_profile);
}

// Read from the encoded bytes, not the struct, so the stored layout is checked.
void TestProgramSettings::defaultsAtTheirOffsets_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<uint32_t>("value");
    const struct
    {
        const char* name;
        int offset;
        uint32_t value;
    } rows[] = {
        {"crBackground", 0, 0xA89486},
        {"crText", 4, 0},
        {"crParameter", 8, 0xFF0000},
        {"nDeviceAddress", 12, 1},
        {"nTcpPort", 16, 502},
        {"dwIpAddress", 20, 0x7F000001},
        {"szPortName empty", 24, 0},
        {"nBaudRateIndex", 544, 0},
        {"nDataBitsIndex", 548, 1},
        {"nParityIndex", 552, 0},
        {"nStopBitsIndex", 556, 1},
        {"nProtocolIndex", 560, 0},
        {"nResponseTimeout", 564, 500},
        {"nRetries", 568, 3},
        {"bAlwaysOnTop", 572, 0},
        {"bStartWithWindows", 576, 0},
        {"nInterfaceStyle", 580, 1},
        {"bPasswordProtection", 584, 0},
        {"szPassword empty", 588, 0},
        {"bAutoConnect", 1108, 0},
        {"nPasswordFlags", 1112, 0},
        {"nPowerSelection[0]", 1116, 0},
        {"nPowerSelection[1]", 1120, 1},
        {"nPowerSelection[2]", 1124, 2},
        {"nGraphQuantity[4]", 1144, 0},
        {"bGraphVisible[0]", 1148, 0},
        {"nLineThickness", 1168, 1},
        {"bAutoRecord", 1172, 0},
        {"nRecordInterval", 1176, 1},
        {"nReadInterval", 1180, 10},
        {"crGraphLine[0]", 1184, 0x43B251},
        {"crGraphLine[1]", 1188, 0x3034DC},
        {"crGraphLine[2]", 1192, 0x30AFE3},
        {"crGraphLine[3]", 1196, 0xEBE743},
        {"crGraphLine[4]", 1200, 0x393A6F},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << r.offset << r.value;
}

void TestProgramSettings::defaultsAtTheirOffsets()
{
    QFETCH(int, offset);
    QFETCH(uint32_t, value);
    ProgramSettings s = patternRecord();
    ResetSettings(s);
    QCOMPARE(wordAt(EncodeSettings(s), std::size_t(offset)), value);
}

void TestProgramSettings::defaultTextBeginsAsStored()
{
    ProgramSettings s = patternRecord();
    ResetSettings(s);
    const std::string letters = EncodeSettings(s);
    QCOMPARE(letters.size(), std::size_t(2408));
    QCOMPARE(QByteArray::fromStdString(letters.substr(0, 8)), QByteArray("GIEJIKAA"));
    // Both text buffers are all zero, not only their first unit.
    QCOMPARE(QByteArray::fromStdString(letters.substr(2 * 24, 1040)), QByteArray(1040, 'A'));
    QCOMPARE(QByteArray::fromStdString(letters.substr(2 * 588, 1040)), QByteArray(1040, 'A'));
}

void TestProgramSettings::saveThenLoadKeepsEveryByte()
{
    const ProgramSettings saved = patternRecord();
    QVERIFY(SaveSettings(saved, m_profile));
    ProgramSettings loaded;
    ResetSettings(loaded);
    QVERIFY(LoadSettings(loaded, m_profile));
    QVERIFY(std::memcmp(&saved, &loaded, sizeof saved) == 0);
}

void TestProgramSettings::damagedProfileLeavesRecordUntouched_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray good = QByteArray::fromStdString(EncodeSettings(patternRecord()));
    QTest::newRow("1203 bytes") << "[settings]\nsystem=" + good.left(2406) + "\n";
    QTest::newRow("1205 bytes") << "[settings]\nsystem=" + good + "AB\n";
    QTest::newRow("odd letter out") << "[settings]\nsystem=" + good + "A\n";
    QTest::newRow("letter beyond P") << "[settings]\nsystem=" + good.left(2000) + "Q" + good.mid(2001) + "\n";
    QTest::newRow("lower case") << "[settings]\nsystem=" + good.toLower() + "\n";
    QTest::newRow("empty value") << QByteArray("[settings]\nsystem=\n");
    QTest::newRow("other section") << "[other]\nsystem=" + good + "\n";
    QTest::newRow("other key") << "[settings]\nsystems=" + good + "\n";
    QTest::newRow("binary garbage") << QByteArray("\x00\xff[settings\x01system", 18);
    QByteArray noise = "[settings]\nsystem=" + good + "\n";
    QRandomGenerator random(3);
    for (qsizetype i = 0; i < noise.size(); i += 1 + random.bounded(97))
        noise[i] = char(random.bounded(256)); // about one byte in fifty changed
    QTest::newRow("random bytes changed") << noise;
    QTest::newRow("no file") << QByteArray();
}

void TestProgramSettings::damagedProfileLeavesRecordUntouched()
{
    QFETCH(QByteArray, text);
    if (!text.isEmpty()) {
        QDir().mkpath(QFileInfo(m_profile).absolutePath());
        writeText(m_profile, text);
    }
    ProgramSettings s, before;
    ResetSettings(s);
    before = s;
    QVERIFY(!LoadSettings(s, m_profile));
    QVERIFY(std::memcmp(&s, &before, sizeof s) == 0);
}

void TestProgramSettings::profileIsPrivateAndKeepsOtherEntries()
{
    QDir().mkpath(QFileInfo(m_profile).absolutePath());
    writeText(m_profile, "; kept\r\n[Settings]\r\nSYSTEM=AAAA\r\nother=1\r\n\r\n[recent]\r\nfile=a.zrq7\r\n");
    ::chmod(QFile::encodeName(m_profile).constData(), 0644);

    ProgramSettings s;
    ResetSettings(s);
    QVERIFY(SaveSettings(s, m_profile));

    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(m_profile).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));
    const QByteArray expected =
        "; kept\r\n[Settings]\r\nsystem=" + QByteArray::fromStdString(EncodeSettings(s)) +
        "\r\nother=1\r\n\r\n[recent]\r\nfile=a.zrq7\r\n";
    QCOMPARE(readAll(m_profile), expected);
    // No temporary file is left beside it.
    QCOMPARE(QDir(QFileInfo(m_profile).absolutePath()).entryList(QDir::Files), QStringList{"CPL_ZRQ7.INI"});
}

void TestProgramSettings::failedReplaceKeepsOldProfile()
{
    ProgramSettings old;
    ResetSettings(old);
    QVERIFY(SaveSettings(old, m_profile));
    const QByteArray before = readAll(m_profile);

    const ProgramSettings changed = patternRecord();
    QVERIFY(
        !ProfileFile::writeValue(m_profile, "settings", "system", EncodeSettings(changed), &failingRename));

    QCOMPARE(readAll(m_profile), before);
    QCOMPARE(QDir(QFileInfo(m_profile).absolutePath()).entryList(QDir::Files), QStringList{"CPL_ZRQ7.INI"});
    ProgramSettings loaded = changed;
    QVERIFY(LoadSettings(loaded, m_profile));
    QVERIFY(std::memcmp(&loaded, &old, sizeof old) == 0);
}

void TestProgramSettings::profileBehindALinkStaysALink()
{
    // A profile kept elsewhere (with the user's other settings) and linked in.
    QTemporaryDir elsewhere;
    const QString real = elsewhere.filePath("cpl_zrq7.ini");
    writeText(real, "[settings]\r\nsystem=AAAA\r\n");
    ::chmod(QFile::encodeName(real).constData(), 0644);
    QDir().mkpath(QFileInfo(m_profile).absolutePath());
    QCOMPARE(::symlink(QFile::encodeName(real).constData(), QFile::encodeName(m_profile).constData()), 0);

    ProgramSettings s;
    ResetSettings(s);
    QVERIFY(SaveSettings(s, m_profile));
    QVERIFY(QFileInfo(m_profile).isSymLink());
    QCOMPARE(readAll(real), "[settings]\r\nsystem=" + QByteArray::fromStdString(EncodeSettings(s)) + "\r\n");
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(real).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600)); // private, as every profile
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"cpl_zrq7.ini"});
}

void TestProgramSettings::saveThatCannotWriteSaysSo()
{
    // A folder where the profile belongs can be neither read nor replaced.
    QVERIFY(QDir().mkpath(m_profile));
    ProgramSettings s;
    ResetSettings(s);
    QVERIFY(!SaveSettings(s, m_profile));
    QVERIFY(QFileInfo(m_profile).isDir());
    QCOMPARE(QDir(QFileInfo(m_profile).absolutePath()).entryList(QDir::Files), QStringList());
    QVERIFY(QDir(m_profile).removeRecursively());
}

// A profile grown to 64 GiB (a hole, as a damaged file system may leave it) is
// neither read into memory at start nor replaced when settings are saved.
void TestProgramSettings::oversizedProfileIsNeitherReadNorReplaced()
{
    ProgramSettings s;
    ResetSettings(s);
    QVERIFY(SaveSettings(s, m_profile));
    QFile file(m_profile);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (!file.resize(qint64(64) << 30))
        QSKIP("no sparse files here");
    file.close();

    ProgramSettings loaded = patternRecord();
    const ProgramSettings before = loaded;
    QVERIFY(!LoadSettings(loaded, m_profile));
    QVERIFY(std::memcmp(&loaded, &before, sizeof loaded) == 0);
    QVERIFY(!SaveSettings(s, m_profile));
    QCOMPARE(QFileInfo(m_profile).size(), qint64(64) << 30);
}

void TestProgramSettings::withValue_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("empty file") << QByteArray() << QByteArray("[settings]\nsystem=X\n");
    QTest::newRow("section added after others")
        << QByteArray("[a]\nk=1") << QByteArray("[a]\nk=1\n\n[settings]\nsystem=X\n");
    QTest::newRow("key added at end of its section")
        << QByteArray("[settings]\nk=1\n\n[b]\nsystem=keep\n")
        << QByteArray("[settings]\nk=1\nsystem=X\n\n[b]\nsystem=keep\n");
    QTest::newRow("value replaced, spaces and case") << QByteArray("  [ SETTINGS ]\n System = old \nz=2\n")
                                                     << QByteArray("  [ SETTINGS ]\nsystem=X\nz=2\n");
    QTest::newRow("comment that looks like the key")
        << QByteArray("[settings]\n;system=old\n") << QByteArray("[settings]\n;system=old\nsystem=X\n");
    QTest::newRow("windows line ends")
        << QByteArray("[settings]\r\nz=2\r\n") << QByteArray("[settings]\r\nz=2\r\nsystem=X\r\n");
    // Found by fuzzing: the line end a save adds must not make the next save choose another.
    QTest::newRow("last line ends in a lone CR")
        << QByteArray("[settings]\nz=2\r") << QByteArray("[settings]\nz=2\r\nsystem=X\n");
}

void TestProgramSettings::withValue()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const std::string out = ProfileFile::withValue(before.toStdString(), "settings", "system", "X");
    QCOMPARE(QByteArray::fromStdString(out), after);
    // Saving the same value again changes nothing.
    QCOMPARE(ProfileFile::withValue(out, "settings", "system", "X"), out);
}

void TestProgramSettings::textBuffers()
{
    ProgramSettings s = patternRecord();
    QVERIFY(SetSettingsText(s.szPortName, QStringLiteral("Modbus TCP")));
    QCOMPARE(SettingsText(s.szPortName), QStringLiteral("Modbus TCP"));
    QCOMPARE(s.szPortName[259], u'\0'); // the rest is zero-filled
    const QString longest(259, QLatin1Char('x'));
    QVERIFY(SetSettingsText(s.szPassword, longest));
    QCOMPARE(SettingsText(s.szPassword), longest);
    QVERIFY(!SetSettingsText(s.szPassword, longest + QLatin1Char('y')));
    QCOMPARE(SettingsText(s.szPassword), longest);
}

QTEST_GUILESS_MAIN(TestProgramSettings)
#include "tst_program_settings.moc"
