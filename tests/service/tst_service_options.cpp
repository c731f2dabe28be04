// SPDX-License-Identifier: MIT
// zrq7rec's options: the command line, the config file under it, the panel's
// profile under both, and where the day files go.
#include "AppPaths.h"
#include "PanelProfile.h"
#include "ProfileText.h"
#include "ProgramSettings.h"
#include "ServiceOptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zrq7rec;

namespace {

std::vector<std::string> toArgs(const QStringList& list)
{
    std::vector<std::string> args;
    for (const QString& arg : list)
        args.push_back(arg.toStdString());
    return args;
}

// The parsed options in one line, for comparing a whole result at once.
QString describe(const ServiceOptions& o)
{
    QStringList units;
    for (int unit : o.units)
        units << QString::number(unit);
    return QStringLiteral(
               "%1|units=%2|timeout=%3|retries=%4|interval=%5|db=%6|mqtt=%7 %8 %9 %10 %11|verbose=%12")
        .arg(QString::fromStdString(linkText(o.link)), units.join(QLatin1Char(',')),
             o.timeoutMs ? QString::number(*o.timeoutMs) : QStringLiteral("-"),
             o.retries ? QString::number(*o.retries) : QStringLiteral("-"),
             QString::number(o.intervalSeconds), QString::fromStdString(o.dbDir),
             QString::fromStdString(o.mqtt.url), QString::fromStdString(o.mqtt.topicPrefix),
             QString::fromStdString(o.mqtt.user), QString::fromStdString(o.mqtt.passwordFile),
             QString::fromStdString(o.mqtt.caFile))
        .arg(o.verbose ? 1 : 0);
}

const QString defaults = QStringLiteral("|units=|timeout=-|retries=-|interval=1|db=|mqtt=    |verbose=0");

// A profile text holding `settings` as the panel writes it.
std::string profileText(const ProgramSettings& settings)
{
    return ProfileFile::withValue("[other]\nkey=1\n", "settings", "system", EncodeSettings(settings));
}

ProgramSettings factorySettings()
{
    ProgramSettings s;
    ResetSettings(s);
    return s;
}

} // namespace

class tst_ServiceOptions : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void configFile_data();
    void configFile();
    void exitCodes();
    void mqttUrl_data();
    void mqttUrl();
    void profileLink_data();
    void profileLink();
    void completeFromProfile();
    void profileOfThePanel();
    void dayFileFolders();
};

void tst_ServiceOptions::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // describe(), or "error: <part of the message>"

    QTest::newRow("nothing: the profile's link") << QStringList{} << (QStringLiteral("profile") + defaults);
    QTest::newRow("tcp") << QStringList{"--tcp", "192.168.1.10:502"}
                         << (QStringLiteral("tcp 192.168.1.10:502") + defaults);
    QTest::newRow("serial defaults are the panel's")
        << QStringList{"--serial", "COM3"} << (QStringLiteral("COM3 9600 8N2 RTU") + defaults);
    QTest::newRow("serial all settings")
        << QStringList{"--serial", "/dev/ttyUSB0", "--ascii", "--baud",      "19200", "--data-bits",
                       "7",        "--parity",     "even",    "--stop-bits", "1"}
        << (QStringLiteral("/dev/ttyUSB0 19200 7E1 ASCII") + defaults);
    QTest::newRow("everything else")
        << QStringList{"--tcp=10.0.0.2:1502",
                       "--unit",
                       "1,5,247",
                       "--timeout",
                       "250",
                       "--retries",
                       "0",
                       "--interval",
                       "3600",
                       "--db-dir",
                       "/srv/zrq",
                       "--mqtt",
                       "mqtts://broker:8883",
                       "--mqtt-topic",
                       "plant/hall",
                       "--mqtt-user",
                       "rec",
                       "--mqtt-password-file",
                       "/etc/pw",
                       "--mqtt-cafile",
                       "/etc/ca.pem",
                       "--verbose"}
        << QStringLiteral("tcp 10.0.0.2:1502|units=1,5,247|timeout=250|retries=0|interval=3600|db=/srv/zrq|"
                          "mqtt=mqtts://broker:8883 plant/hall rec /etc/pw /etc/ca.pem|verbose=1");

    QTest::newRow("unknown option") << QStringList{"--speed", "1"}
                                    << QStringLiteral("error: nieznana opcja --speed");
    QTest::newRow("bare word") << QStringList{"COM3"} << QStringLiteral("error: nieoczekiwany argument");
    QTest::newRow("missing value") << QStringList{"--unit"}
                                   << QStringLiteral("error: --unit wymaga wartości");
    QTest::newRow("flag with value") << QStringList{"--verbose=yes"}
                                     << QStringLiteral("error: --verbose nie przyjmuje");
    QTest::newRow("both links") << QStringList{"--tcp", "1.2.3.4:502", "--serial", "COM1"}
                                << QStringLiteral("error: --tcp i --serial wykluczają się");
    QTest::newRow("host name") << QStringList{"--tcp", "relay.local:502"} << QStringLiteral("error: --tcp");
    QTest::newRow("port 0") << QStringList{"--tcp", "1.2.3.4:0"} << QStringLiteral("error: --tcp");
    QTest::newRow("no port") << QStringList{"--tcp", "1.2.3.4"} << QStringLiteral("error: --tcp");
    QTest::newRow("rtu and ascii") << QStringList{"--serial", "COM1", "--rtu", "--ascii"}
                                   << QStringLiteral("error: --rtu i --ascii");
    QTest::newRow("baud") << QStringList{"--serial", "COM1", "--baud", "38400"}
                          << QStringLiteral("error: --baud");
    QTest::newRow("data bits") << QStringList{"--serial", "COM1", "--data-bits", "6"}
                               << QStringLiteral("error: --data-bits");
    QTest::newRow("stop bits") << QStringList{"--serial", "COM1", "--stop-bits", "3"}
                               << QStringLiteral("error: --stop-bits");
    QTest::newRow("parity word") << QStringList{"--serial", "COM1", "--parity", "mark"}
                                 << QStringLiteral("error: --parity");
    // The link library drives none or even parity; odd would run as none and never answer.
    QTest::newRow("odd parity") << QStringList{"--serial", "COM1", "--parity", "odd"}
                                << QStringLiteral("error: --parity odd");
    QTest::newRow("line setting without a port")
        << QStringList{"--baud", "19200"} << QStringLiteral("error: --baud wymaga --serial");
    QTest::newRow("line setting with tcp")
        << QStringList{"--tcp", "1.2.3.4:502", "--rtu"} << QStringLiteral("error: --rtu wymaga --serial");
    QTest::newRow("unit 0") << QStringList{"--unit", "0"} << QStringLiteral("error: --unit");
    QTest::newRow("unit 248") << QStringList{"--unit", "248"} << QStringLiteral("error: --unit");
    QTest::newRow("unit twice") << QStringList{"--unit", "1,5,1"} << QStringLiteral("error: --unit");
    QTest::newRow("unit list gap") << QStringList{"--unit", "1,,5"} << QStringLiteral("error: --unit");
    QTest::newRow("unit list end") << QStringList{"--unit", "1,"} << QStringLiteral("error: --unit");
    QTest::newRow("unit sign") << QStringList{"--unit", "+1"} << QStringLiteral("error: --unit");
    QTest::newRow("interval 0") << QStringList{"--interval", "0"} << QStringLiteral("error: --interval");
    QTest::newRow("interval 3601") << QStringList{"--interval", "3601"}
                                   << QStringLiteral("error: --interval");
    QTest::newRow("interval text") << QStringList{"--interval", "1s"} << QStringLiteral("error: --interval");
    QTest::newRow("timeout huge") << QStringList{"--timeout", "4294967396"}
                                  << QStringLiteral("error: --timeout");
    QTest::newRow("mqtt scheme") << QStringList{"--mqtt", "http://broker"} << QStringLiteral("error: --mqtt");
    QTest::newRow("mqtt detail without url")
        << QStringList{"--mqtt-user", "a"} << QStringLiteral("error: opcje --mqtt-... wymagają --mqtt");
    QTest::newRow("cafile without tls") << QStringList{"--mqtt", "mqtt://b", "--mqtt-cafile", "/ca"}
                                        << QStringLiteral("error: --mqtt-cafile wymaga adresu mqtts://");
    QTest::newRow("password without user")
        << QStringList{"--mqtt", "mqtt://b", "--mqtt-password-file", "/p"}
        << QStringLiteral("error: --mqtt-password-file wymaga --mqtt-user");
    QTest::newRow("wildcard topic") << QStringList{"--mqtt", "mqtt://b", "--mqtt-topic", "a/#"}
                                    << QStringLiteral("error: --mqtt-topic");
    QTest::newRow("config missing") << QStringList{"--config", "/nonexistent/zrq7rec.conf"}
                                    << QStringLiteral("error: --config: nie można odczytać");
}

void tst_ServiceOptions::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const std::vector<std::string> argv = toArgs(args);
    const OptionsResult result = parseServiceOptions(argv);
    if (expected.startsWith(QLatin1String("error: "))) {
        QCOMPARE(result.outcome, OptionsResult::Outcome::Error);
        QVERIFY2(QString::fromStdString(result.error).startsWith(expected.mid(7)), result.error.c_str());
    } else {
        QVERIFY2(result.outcome == OptionsResult::Outcome::Run, result.error.c_str());
        QCOMPARE(describe(result.options), expected);
    }
}

void tst_ServiceOptions::configFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    QTest::newRow("file alone")
        << QStringLiteral(
               "# line 1\n\n; comment\n serial = COM2 \nascii=yes\nbaud=19200\nunit=1,5\ninterval=10\n"
               "mqtt=mqtt://127.0.0.1\nverbose=true\n")
        << QStringList{}
        << QStringLiteral("COM2 19200 8N2 ASCII|units=1,5|timeout=-|retries=-|interval=10|db=|"
                          "mqtt=mqtt://127.0.0.1    |verbose=1");
    QTest::newRow("command line wins")
        << QStringLiteral("serial=COM2\nunit=1,5\ninterval=10\nverbose=yes\n")
        << QStringList{"--unit", "7", "--interval", "60"}
        << QStringLiteral(
               "COM2 9600 8N2 RTU|units=7|timeout=-|retries=-|interval=60|db=|mqtt=    |verbose=1");
    // The link is one group: the command line's port does not take the file's line settings.
    QTest::newRow("link group whole")
        << QStringLiteral("serial=COM2\nbaud=19200\nparity=even\n") << QStringList{"--tcp", "10.1.1.1:502"}
        << (QStringLiteral("tcp 10.1.1.1:502") + defaults);
    QTest::newRow("serial over serial")
        << QStringLiteral("serial=COM2\nbaud=19200\n") << QStringList{"--serial", "COM4"}
        << (QStringLiteral("COM4 9600 8N2 RTU") + defaults);
    QTest::newRow("flag off") << QStringLiteral("tcp=1.2.3.4:502\nverbose=no\n") << QStringList{}
                              << (QStringLiteral("tcp 1.2.3.4:502") + defaults);

    QTest::newRow("bad line") << QStringLiteral("tcp=1.2.3.4:502\nunit\n") << QStringList{}
                              << QStringLiteral("error: :2: oczekiwano klucz=wartość");
    QTest::newRow("bad value") << QStringLiteral("\ninterval=0\n") << QStringList{}
                               << QStringLiteral("error: :2: --interval");
    QTest::newRow("bad flag") << QStringLiteral("verbose=maybe\n") << QStringList{}
                              << QStringLiteral("error: :1: verbose: oczekiwano");
    QTest::newRow("config in config")
        << QStringLiteral("config=/etc/x\n") << QStringList{} << QStringLiteral("error: :1: config nie może");
    QTest::newRow("unknown key") << QStringLiteral("speed=9600\n") << QStringList{}
                                 << QStringLiteral("error: :1: nieznana opcja --speed");
    QTest::newRow("file's line setting alone")
        << QStringLiteral("baud=19200\n") << QStringList{"--serial", "COM1"}
        << QStringLiteral("error: --baud wymaga --serial");
}

void tst_ServiceOptions::configFile()
{
    QFETCH(QString, file);
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zrq7rec.conf"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file.toUtf8());
    out.close();

    const std::vector<std::string> argv = toArgs(QStringList{QStringLiteral("--config"), path} + args);
    const OptionsResult result = parseServiceOptions(argv);
    if (expected.startsWith(QLatin1String("error: "))) {
        QCOMPARE(result.outcome, OptionsResult::Outcome::Error);
        QVERIFY2(QString::fromStdString(result.error).contains(expected.mid(7)), result.error.c_str());
    } else {
        QVERIFY2(result.outcome == OptionsResult::Outcome::Run, result.error.c_str());
        QCOMPARE(describe(result.options), expected);
    }
}

void tst_ServiceOptions::exitCodes()
{
    const std::vector<std::string> help{"--tcp", "1.2.3.4:502", "--help"};
    const OptionsResult helpResult = parseServiceOptions(help);
    QCOMPARE(helpResult.outcome, OptionsResult::Outcome::Help);
    QCOMPARE(reportOptionsOutcome(helpResult), 0);

    const std::vector<std::string> bad{"--interval", "0"};
    QCOMPARE(reportOptionsOutcome(parseServiceOptions(bad)), 2);

    const std::vector<std::string> good{"--tcp", "1.2.3.4:502"};
    QCOMPARE(reportOptionsOutcome(parseServiceOptions(good)), -1);
    QVERIFY(usageLine().find('\n') == std::string::npos);
}

void tst_ServiceOptions::mqttUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expected"); // host|port|tls, or "" for refused

    QTest::newRow("default port") << "mqtt://broker"
                                  << "broker|1883|0";
    QTest::newRow("tls default port") << "mqtts://broker.plant"
                                      << "broker.plant|8883|1";
    QTest::newRow("port") << "mqtt://127.0.0.1:18830"
                          << "127.0.0.1|18830|0";
    QTest::newRow("trailing slash") << "mqtts://b:1/"
                                    << "b|1|1";
    QTest::newRow("ipv6") << "mqtt://[::1]:1884"
                          << "::1|1884|0";
    QTest::newRow("no host") << "mqtt://:1883"
                             << "";
    QTest::newRow("port 0") << "mqtt://b:0"
                            << "";
    QTest::newRow("port text") << "mqtt://b:x"
                               << "";
    QTest::newRow("path") << "mqtt://b/topic"
                          << "";
    QTest::newRow("credentials in url") << "mqtt://u:p@b"
                                        << "";
    QTest::newRow("other scheme") << "tcp://b"
                                  << "";
}

void tst_ServiceOptions::mqttUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, expected);
    const auto endpoint = parseMqttUrl(url.toStdString());
    const QString got = endpoint ? QStringLiteral("%1|%2|%3")
                                       .arg(QString::fromStdString(endpoint->host))
                                       .arg(endpoint->port)
                                       .arg(endpoint->tls ? 1 : 0)
                                 : QString();
    QCOMPARE(got, expected);
}

void tst_ServiceOptions::profileLink_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("expected");

    QTest::newRow("factory serial") << "COM1" << 0 << 1 << 0 << 1 << 0 << "COM1 9600 8N2 RTU";
    QTest::newRow("every index other") << "COM12" << 1 << 0 << 1 << 0 << 1 << "COM12 19200 7E1 ASCII";
    QTest::newRow("device path") << "/dev/ttyUSB0" << 1 << 1 << 0 << 1 << 0 << "/dev/ttyUSB0 19200 8N2 RTU";
    QTest::newRow("tcp") << "Modbus TCP" << 0 << 1 << 0 << 1 << 0 << "tcp 10.20.30.40:1502";
}

void tst_ServiceOptions::profileLink()
{
    QFETCH(QString, port);
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, protocol);
    QFETCH(QString, expected);

    // The panel's own record and encoder: the offsets read here must be its fields.
    ProgramSettings s = factorySettings();
    QVERIFY(SetSettingsText(s.szPortName, port));
    s.nBaudRateIndex = baud;
    s.nDataBitsIndex = dataBits;
    s.nParityIndex = parity;
    s.nStopBitsIndex = stopBits;
    s.nProtocolIndex = protocol;
    s.dwIpAddress = 0x0A141E28; // 10.20.30.40
    s.nTcpPort = 1502;
    s.nDeviceAddress = 17;
    s.nResponseTimeout = 750;
    s.nRetries = 5;

    const auto link = decodePanelLink(profileText(s));
    QVERIFY(link);
    QCOMPARE(QString::fromStdString(linkText(link->link)), expected);
    QCOMPARE(link->deviceAddress, 17);
    QCOMPARE(link->timeoutMs, 750u);
    QCOMPARE(link->retries, 5u);
}

void tst_ServiceOptions::completeFromProfile()
{
    ProgramSettings s = factorySettings();
    QVERIFY(SetSettingsText(s.szPortName, QStringLiteral("COM3")));
    s.nDeviceAddress = 9;
    s.nResponseTimeout = 800;
    s.nRetries = 1;
    const std::string text = profileText(s);
    const auto profile = decodePanelLink(text);
    QVERIFY(profile);

    // A damaged or missing record gives no link.
    std::string damaged = text;
    damaged[damaged.find("system=") + 9] = 'Z';
    QVERIFY(!decodePanelLink(damaged));
    QVERIFY(!decodePanelLink("[settings]\nother=1\n"));

    ServiceOptions fromProfile;
    QCOMPARE(zrq7rec::completeFromProfile(fromProfile, profile), std::string());
    QCOMPARE(
        describe(fromProfile),
        QStringLiteral("COM3 9600 8N2 RTU|units=9|timeout=800|retries=1|interval=1|db=|mqtt=    |verbose=0"));

    ServiceOptions ownUnits;
    ownUnits.units = {1, 5};
    QCOMPARE(zrq7rec::completeFromProfile(ownUnits, profile), std::string());
    QCOMPARE(ownUnits.units, (std::vector<int>{1, 5}));

    // A named link takes nothing from the profile.
    ServiceOptions named;
    named.link.kind = LinkKind::Tcp;
    named.link.tcpHost = "1.2.3.4";
    QCOMPARE(zrq7rec::completeFromProfile(named, profile), std::string());
    QCOMPARE(
        describe(named),
        QStringLiteral("tcp 1.2.3.4:502|units=1|timeout=500|retries=3|interval=1|db=|mqtt=    |verbose=0"));

    ServiceOptions noProfile;
    QVERIFY(zrq7rec::completeFromProfile(noProfile, std::nullopt).find("brak ustawień łącza") == 0);
}

void tst_ServiceOptions::profileOfThePanel()
{
    // The panel saves its profile where the service looks for it (the test's private XDG home).
    QCOMPARE(QString::fromStdString(panelProfilePath()), SettingsProfilePath());
    QVERIFY(!readPanelLink(panelProfilePath()));
    ProgramSettings s = factorySettings();
    QVERIFY(SetSettingsText(s.szPortName, QStringLiteral("Modbus TCP")));
    s.dwIpAddress = 0xC0A80A05;
    QVERIFY(SaveSettings(s));
    const auto link = readPanelLink(panelProfilePath());
    QVERIFY(link);
    QCOMPARE(QString::fromStdString(linkText(link->link)), QStringLiteral("tcp 192.168.10.5:502"));
}

void tst_ServiceOptions::dayFileFolders()
{
    // Without a state directory: the panel's recordings folder.
    qunsetenv("STATE_DIRECTORY");
    QCOMPARE(QString::fromStdString(defaultDbDir()), RecordingsFolderPath());
    qputenv("STATE_DIRECTORY", "/var/lib/zrq7rec/line1:/var/lib/other");
    QCOMPARE(defaultDbDir(), std::string("/var/lib/zrq7rec/line1"));
    qunsetenv("STATE_DIRECTORY");

    QCOMPARE(unitDbDir("/srv/zrq", 5, 1), std::string("/srv/zrq"));
    QCOMPARE(unitDbDir("/srv/zrq", 5, 2), std::string("/srv/zrq/5"));
    QCOMPARE(unitDbDir("/srv/zrq", 247, 3), std::string("/srv/zrq/247"));
}

QTEST_GUILESS_MAIN(tst_ServiceOptions)
#include "tst_service_options.moc"
