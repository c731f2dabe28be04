// SPDX-License-Identifier: MIT
// COM_GetDevicePath: port-map entries, the default device ranges, absolute paths, bad names
// and buffers too small for the answer.
#include "ZRQ7DLL.h"

#include <QtTest>

namespace {

struct Resolved
{
    int result = 0;
    QByteArray path;
};

Resolved resolve(const char16_t* name, std::uint32_t size = 256)
{
    QByteArray buffer(int(size ? size : 1), '\x7f');
    Resolved r;
    r.result = COM_GetDevicePath(name, buffer.data(), size);
    if (r.result == 0)
        r.path = QByteArray(buffer.constData());
    return r;
}

} // namespace

class TestPortResolver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void names_data();
    void names();
    void mapEntryWins();
    void mapFolderFallbacks();
    void bufferSize();

private:
    QString m_ports;
};

void TestPortResolver::initTestCase()
{
    m_ports = qEnvironmentVariable("ZRQ7_PORTS");
    QVERIFY(!m_ports.isEmpty());
    QDir().mkpath(m_ports);
}

void TestPortResolver::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("path");

    QTest::newRow("COM1") << "COM1" << 0 << QByteArray("/dev/ttyS0");
    QTest::newRow("COM32") << "COM32" << 0 << QByteArray("/dev/ttyS31");
    QTest::newRow("COM33") << "COM33" << 0 << QByteArray("/dev/ttyUSB0");
    QTest::newRow("COM64") << "COM64" << 0 << QByteArray("/dev/ttyUSB31");
    QTest::newRow("COM65") << "COM65" << 0 << QByteArray("/dev/ttyACM0");
    QTest::newRow("COM96") << "COM96" << 0 << QByteArray("/dev/ttyACM31");
    QTest::newRow("COM97 without map entry") << "COM97" << -1 << QByteArray();
    QTest::newRow("COM255 without map entry") << "COM255" << -1 << QByteArray();
    QTest::newRow("COM256") << "COM256" << -1 << QByteArray();
    QTest::newRow("COM0") << "COM0" << -1 << QByteArray();
    QTest::newRow("leading zero") << "COM01" << -1 << QByteArray();
    QTest::newRow("lower case") << "com1" << -1 << QByteArray();
    QTest::newRow("no number") << "COM" << -1 << QByteArray();
    QTest::newRow("trailing space") << "COM1 " << -1 << QByteArray();
    QTest::newRow("sign") << "COM+1" << -1 << QByteArray();
    QTest::newRow("Windows device path") << "\\\\.\\COM1" << -1 << QByteArray();
    QTest::newRow("bare device name") << "ttyS0" << -1 << QByteArray();
    QTest::newRow("empty") << "" << -1 << QByteArray();
    QTest::newRow("absolute path") << "/dev/ttyS3" << 0 << QByteArray("/dev/ttyS3");
    QTest::newRow("absolute path, UTF-8")
        << QString::fromUtf8("/tmp/łącze-Ω") << 0 << QString::fromUtf8("/tmp/łącze-Ω").toUtf8();
    QTest::newRow("unpaired surrogate") << QString(QChar(u'/')) + QChar(0xD800) << -1 << QByteArray();
}

void TestPortResolver::names()
{
    QFETCH(QString, name);
    QFETCH(int, result);
    QFETCH(QByteArray, path);

    const std::u16string text = name.toStdU16String();
    const Resolved r = resolve(text.c_str());
    QCOMPARE(r.result, result);
    QCOMPARE(r.path, path);
}

void TestPortResolver::mapEntryWins()
{
    QCOMPARE(resolve(nullptr).result, -1);
    // A symlink (even to a device that is unplugged) or a plain entry names the port.
    QVERIFY(QFile::link(QStringLiteral("/dev/ttyUSB7"), m_ports + "/COM5"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zrq7-unplugged"), m_ports + "/COM200"));
    QFile plain(m_ports + "/COM97");
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();

    QCOMPARE(resolve(u"COM5").path, (m_ports + "/COM5").toUtf8());
    QCOMPARE(resolve(u"COM200").path, (m_ports + "/COM200").toUtf8());
    QCOMPARE(resolve(u"COM97").path, (m_ports + "/COM97").toUtf8());
    QCOMPARE(resolve(u"COM6").path, QByteArray("/dev/ttyS5"));
}

void TestPortResolver::mapFolderFallbacks()
{
    const QByteArray ports = qgetenv("ZRQ7_PORTS");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const QByteArray home = qgetenv("HOME");
    const QString root = QFileInfo(m_ports).absolutePath();
    const QString xdgPorts = root + "/xdg/CPL_ZRQ7/ports";
    const QString homePorts = root + "/home/.config/CPL_ZRQ7/ports";
    QVERIFY(QDir().mkpath(xdgPorts));
    QVERIFY(QDir().mkpath(homePorts));
    QVERIFY(QFile::link(QStringLiteral("/dev/ttyS9"), xdgPorts + "/COM150"));
    QVERIFY(QFile::link(QStringLiteral("/dev/ttyS9"), homePorts + "/COM151"));

    // An empty ZRQ7_PORTS counts as unset.
    qputenv("ZRQ7_PORTS", "");
    qputenv("XDG_CONFIG_HOME", (root + "/xdg").toUtf8());
    qputenv("HOME", (root + "/home").toUtf8());
    const Resolved viaXdg = resolve(u"COM150");
    qunsetenv("XDG_CONFIG_HOME");
    const Resolved viaHome = resolve(u"COM151");
    qputenv("ZRQ7_PORTS", ports);
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("HOME", home);

    QCOMPARE(viaXdg.path, (xdgPorts + "/COM150").toUtf8());
    QCOMPARE(viaHome.path, (homePorts + "/COM151").toUtf8());
}

void TestPortResolver::bufferSize()
{
    // "/dev/ttyS0" is 10 characters and needs 11 bytes with its terminating zero.
    QCOMPARE(resolve(u"COM1", 11).result, 0);
    QCOMPARE(resolve(u"COM1", 11).path, QByteArray("/dev/ttyS0"));
    QCOMPARE(resolve(u"COM1", 10).result, -7);
    QCOMPARE(resolve(u"COM1", 0).result, -7);
    QCOMPARE(COM_GetDevicePath(u"COM1", nullptr, 64), -7);
    // A name that maps to nothing stays -1 whatever the buffer.
    QCOMPARE(resolve(u"COM0", 1).result, -1);
}

QTEST_GUILESS_MAIN(TestPortResolver)
#include "tst_port_resolver.moc"
