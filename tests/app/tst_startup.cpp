// SPDX-License-Identifier: MIT
// The real program started as another process (offscreen, its own XDG
// folders): command line, single instance, working folders, autostart entry,
// screen question. The program writes its message boxes and shown windows to
// ZRQ7_MESSAGE_LOG instead of waiting for an operator.

#include "ProgramSettings.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <memory>

namespace {

const QString kUsage = QStringLiteral(
    "information|CPL_ZRQ7|Zastosowanie:\\r\\n     cpl_zrq7.exe [-polecenie]\\r\\n\\r\\nPolecenia:\\r\\n     "
    "-copy : "
    "pozwala uruchomić kilka kopii programu;\\r\\n     -debug : aktywuje tryb debugowania;\\r\\n");
const QString kSecondCopy =
    QStringLiteral("error|CPL_ZRQ7|Wykryto uruchomienie drugiej kopii. Uruchomienie niemożliwe.");
const QString kMainWindow = QStringLiteral("window|CCPL_ZRQ7Dlg|");

// One private home: config, data and runtime folders shared by the copies
// started in it.
struct Home
{
    QTemporaryDir dir;
    QString config() const { return dir.filePath(QStringLiteral("config")); }
    QString data() const { return dir.filePath(QStringLiteral("data")); }
    QString run() const { return dir.filePath(QStringLiteral("run")); }
    QString profile() const { return config() + QStringLiteral("/CPL_ZRQ7/CPL_ZRQ7.INI"); }
    QString autostartEntry() const { return config() + QStringLiteral("/autostart/CPL_ZRQ7.desktop"); }
    Home()
    {
        QDir().mkpath(config());
        QDir().mkpath(data());
        QDir().mkpath(run());
        QFile::setPermissions(run(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

// One copy of the program.
class Program
{
public:
    Program(const Home& home, const QString& name, const QStringList& extraEnv = {})
        : m_log(home.dir.filePath(name + QStringLiteral(".log")))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.config());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.data());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.run());
        env.insert(QStringLiteral("ZRQ7_MESSAGE_LOG"), m_log);
        env.insert(QStringLiteral("ZRQ7_SPLASH_MS"), QStringLiteral("50"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const QString& setting : extraEnv)
            env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    void start(const QStringList& arguments)
    {
        m_process.start(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/cpl_zrq7"), arguments);
        QVERIFY2(m_process.waitForStarted(5000), qPrintable(m_process.errorString()));
    }
    bool finishes()
    {
        return m_process.waitForFinished(15000) && m_process.exitStatus() == QProcess::NormalExit;
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool running() const { return m_process.state() == QProcess::Running; }

    QStringList log() const
    {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The log without the screen question (the offscreen screen is small).
    QStringList messages() const
    {
        QStringList lines = log();
        lines.removeIf([](const QString& l) {
            return l.startsWith(QLatin1String("window|")) || l.contains(QLatin1String("rozszerzenie ekranu"));
        });
        return lines;
    }
    bool reachesMainWindow()
    {
        const auto up = [this] {
            const QStringList lines = log();
            return std::any_of(lines.begin(), lines.end(),
                               [](const QString& l) { return l.startsWith(kMainWindow); });
        };
        return QTest::qWaitFor([&] { return up() || !running(); }, 15000) && up();
    }

private:
    QString m_log;
    QProcess m_process;
};

void saveProfile(const Home& home, int32_t startWithSystem)
{
    ProgramSettings s;
    ResetSettings(s);
    s.bStartWithWindows = startWithSystem;
    QVERIFY(SaveSettings(s, home.profile()));
}

QString writeScreenConfig(const Home& home, QSize size)
{
    const QString path = home.dir.filePath(QStringLiteral("screen.json"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral(R"({"screens": [{"name": "s", "x": 0, "y": 0, "width": %1, "height": %2,
                                      "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                       .arg(size.width())
                       .arg(size.height())
                       .toUtf8());
    return path;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unknownOptionShowsUsage_data();
    void unknownOptionShowsUsage();
    void qtOptionsAreNotTheProgramsOptions();
    void secondCopyRefusedUnlessAllowed();
    void killedCopyDoesNotBlock();
    void foldersAndAutostartEntry();
    void autostartFailuresAreReported_data();
    void autostartFailuresAreReported();
    void screenQuestion_data();
    void screenQuestion();
};

void TestStartup::initTestCase()
{
    QVERIFY(QFileInfo(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/cpl_zrq7")).isExecutable());
}

void TestStartup::unknownOptionShowsUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown") << QStringList{u"-x"_qs};
    QTest::newRow("capital letter") << QStringList{u"-Copy"_qs};
    QTest::newRow("upper case") << QStringList{u"-DEBUG"_qs};
    QTest::newRow("without dash") << QStringList{u"copy"_qs};
    QTest::newRow("double dash") << QStringList{u"--copy"_qs};
    QTest::newRow("first decides") << QStringList{u"-help"_qs, u"-copy"_qs};
}

void TestStartup::unknownOptionShowsUsage()
{
    QFETCH(QStringList, arguments);
    Home home;
    Program program(home, QStringLiteral("a"));
    program.start(arguments);
    QVERIFY(program.finishes());
    QCOMPARE(program.log(), QStringList{kUsage});
    // The program ended before taking anything: no lock, no folders.
    QVERIFY(QDir(home.run()).isEmpty());
    QVERIFY(!QFileInfo::exists(home.data() + QStringLiteral("/CPL_ZRQ7")));
}

void TestStartup::qtOptionsAreNotTheProgramsOptions()
{
    Home home;
    Program program(home, QStringLiteral("a"));
    program.start({QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-debug")});
    QVERIFY(program.reachesMainWindow());
    QCOMPARE(program.messages(), QStringList());
    // A first start runs with the defaults and writes no profile of its own.
    QVERIFY(!QFileInfo::exists(home.profile()));
}

void TestStartup::secondCopyRefusedUnlessAllowed()
{
    Home home;
    Program first(home, QStringLiteral("first"));
    first.start({});
    QVERIFY(first.reachesMainWindow());

    Program second(home, QStringLiteral("second"));
    second.start({});
    QVERIFY(second.finishes());
    QCOMPARE(second.log(), QStringList{kSecondCopy});

    Program copy(home, QStringLiteral("copy"));
    copy.start({QStringLiteral("-copy"), QStringLiteral("-debug")});
    QVERIFY(copy.reachesMainWindow());
    QCOMPARE(copy.messages(), QStringList());

    // A copy started with "-copy" counts as running as well.
    first.kill();
    Program third(home, QStringLiteral("third"));
    third.start({});
    QVERIFY(third.finishes());
    QCOMPARE(third.log(), QStringList{kSecondCopy});
}

void TestStartup::killedCopyDoesNotBlock()
{
    Home home;
    Program first(home, QStringLiteral("first"));
    first.start({});
    QVERIFY(first.reachesMainWindow());
    first.kill(); // its lock file stays behind

    Program next(home, QStringLiteral("next"));
    next.start({});
    QVERIFY(next.reachesMainWindow());
    QCOMPARE(next.messages(), QStringList());
}

void TestStartup::foldersAndAutostartEntry()
{
    Home home;
    saveProfile(home, 1);
    {
        Program program(home, QStringLiteral("on"));
        program.start({});
        QVERIFY(program.reachesMainWindow());
        QCOMPARE(program.messages(), QStringList());
        QVERIFY(QFileInfo(home.data() + QStringLiteral("/CPL_ZRQ7/zrq_settings")).isDir());
        QVERIFY(QFileInfo(home.data() + QStringLiteral("/CPL_ZRQ7/zrq_db")).isDir());
        QFile entry(home.autostartEntry());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.startsWith(QLatin1String("[Desktop Entry]\n")));
        const QString exe =
            QFileInfo(qEnvironmentVariable("ZRQ7_BIN_DIR") + QStringLiteral("/cpl_zrq7")).canonicalFilePath();
        QVERIFY2(text.contains(QStringLiteral("\nExec=\"%1\"\n").arg(exe)), qPrintable(text));
    }
    saveProfile(home, 0);
    {
        Program program(home, QStringLiteral("off"));
        program.start({});
        QVERIFY(program.reachesMainWindow());
        QVERIFY(!QFileInfo::exists(home.autostartEntry()));
        QCOMPARE(program.messages(), QStringList());
    }
}

void TestStartup::autostartFailuresAreReported_data()
{
    QTest::addColumn<bool>("folderIsFile");
    QTest::addColumn<int>("startWithSystem");
    QTest::addColumn<QString>("message");
    const QString noFolder =
        u"warning|Błąd|Brak dostępu do rejestru Windows. Upewnij się, że twoje konto posiada "
        u"odpowiednie uprawnienia."_qs;
    const QString noWrite = u"warning|Błąd|Nie można zapisać do rejestru. Automatyczne uruchomienie programu "
                            u"podczas startu Windows nie jest możliwe."_qs;
    QTest::newRow("folder impossible, on") << true << 1 << noFolder;
    QTest::newRow("folder impossible, off") << true << 0 << noFolder;
    QTest::newRow("entry cannot be written") << false << 1 << noWrite;
}

void TestStartup::autostartFailuresAreReported()
{
    QFETCH(bool, folderIsFile);
    QFETCH(int, startWithSystem);
    QFETCH(QString, message);
    Home home;
    saveProfile(home, startWithSystem);
    if (folderIsFile) {
        QFile file(home.config() + QStringLiteral("/autostart"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else {
        // A folder where the entry belongs cannot be replaced by a file.
        QVERIFY(QDir().mkpath(home.autostartEntry() + QStringLiteral("/x")));
    }
    Program program(home, QStringLiteral("a"));
    program.start({});
    QVERIFY(program.reachesMainWindow()); // start-up goes on
    QCOMPARE(program.messages(), QStringList{message});
}

void TestStartup::screenQuestion_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QStringList>("questions");
    QTest::newRow("1024 x 768") << QSize(1024, 768) << QStringList();
    QTest::newRow("1023 x 768")
        << QSize(1023, 768)
        << QStringList{u"warning|Błąd|Uwaga: bieżące rozszerzenie ekranu (1023 x 768).\\r\\n\\nDo "
                       u"komfortowej pracy potrzebne jest rozszerzenie (1024 x 768).\\r\\n\\n"
                       u"Nadal chcesz uruchomić program?"_qs};
}

void TestStartup::screenQuestion()
{
    QFETCH(QSize, screen);
    QFETCH(QStringList, questions);
    Home home;
    Program program(
        home, QStringLiteral("a"),
        {QStringLiteral("QT_QPA_PLATFORM=offscreen:configfile=") + writeScreenConfig(home, screen)});
    program.start({});
    QVERIFY(program.reachesMainWindow()); // the default answer is Yes
    QStringList lines = program.log();
    lines.removeIf([](const QString& l) { return l.startsWith(QLatin1String("window|")); });
    QCOMPARE(lines, questions);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
