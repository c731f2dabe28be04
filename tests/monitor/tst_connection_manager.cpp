// SPDX-License-Identifier: MIT
// The connection manager against a stand-in link library and window: the order
// of the library calls, the address text, identification results and their
// messages, the password gate, and that the poll is over before the link closes.

#include "CCPL_ZRQ7App.h"
#include "CPasswordDlg.h"
#include "ConnectionManager.h"
#include "MainWindowView.h"
#include "MeasurementSnapshot.h"
#include "ModalHelpers.h"
#include "PasswordGate.h"
#include "ZRQ7DLL.h"

#include <QApplication>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// A display that takes the poll's values and drops them (a dropped ticket
// releases the poll at once).

// One answer to the identification read (registers 0 and 1).
struct Answer
{
    int32_t result = 4;
    uint16_t id = 11;
    uint16_t version = 12;
};

// The window and the link library as the manager sees them; every call lands in
// one log. The poll's reads (any register but 0) answer after 2 ms and are not
// logged, but a read while the link is closed, or a close while a read is in
// progress, is recorded as a violation.
class Bench : public MainWindowView
{
public:
    // ---- script ----
    std::deque<Answer> answers; // identification answers; when empty: a time-out
    uint32_t deviceErrorCode = 0;
    std::function<void()> beforeIdentification; // runs in each identification read
    int32_t openResult = 0;                     // COM_Open / TCP_Open
    uint32_t openFailure = 0;                   // COM_GetOpenFailure
    int32_t setupResult = 0;                    // COM_Setup
    std::atomic<int> pollReadMs{2}; // how long each poll read takes (a silent relay: its time-out)
    std::atomic<int> pollReadsStarted{0};

    // ---- record ----
    QStringList log;
    QStringList messages;
    QStringList violations;
    bool connected = false;
    QString title;

    MeasurementSnapshot values;
    pollcycle::PollFlags flags;
    pollcycle::SilentDisplay display;

    LinkCalls calls()
    {
        LinkCalls c;
        c.setUserFlag = [this](uint32_t v) { note(QStringLiteral("DLL_SetUserFlag %1").arg(v)); };
        c.setIOTimeout = [this](uint32_t v) { note(QStringLiteral("DLL_SetIOTimeout %1").arg(v)); };
        c.setIOProtocol = [this](uint32_t v) { note(QStringLiteral("DLL_SetIOProtocol %1").arg(v)); };
        c.comOpen = [this](const char16_t* name) {
            note(QStringLiteral("COM_Open ") + QString::fromUtf16(name));
            m_open = openResult == 0;
            return openResult;
        };
        c.comOpenFailure = [this] { return openFailure; };
        c.comSetup = [this](uint32_t b, uint32_t d, uint32_t p, uint32_t s) {
            note(QStringLiteral("COM_Setup %1 %2 %3 %4").arg(b).arg(d).arg(p).arg(s));
            return setupResult;
        };
        c.comClose = [this] { return close(QStringLiteral("COM_Close")); };
        c.tcpOpen = [this](const char16_t* host, uint32_t port) {
            note(QStringLiteral("TCP_Open %1 %2").arg(QString::fromUtf16(host)).arg(port));
            m_open = openResult == 0;
            return openResult;
        };
        c.tcpClose = [this] { return close(QStringLiteral("TCP_Close")); };
        c.read03 = [this](uint32_t unit, uint32_t reg, uint32_t count, uint8_t* buffer, uint32_t size,
                          uint32_t retries) { return read(unit, reg, count, buffer, size, retries); };
        c.deviceError = [this] { return deviceErrorCode; };
        c.pause = [this](std::chrono::milliseconds ms) {
            if (ms.count() >= 1000)
                note(QStringLiteral("pause %1").arg(ms.count()));
        };
        // The pause after a disconnect, without its time (the order is what counts here).
        c.pauseThen = [this](std::chrono::milliseconds ms, QObject* context, std::function<void()> then) {
            note(QStringLiteral("pause %1").arg(ms.count()));
            QTimer::singleShot(0, context, std::move(then));
        };
        return c;
    }

    // ---- MainWindowView ----
    MeasurementSnapshot& snapshot() override { return values; }
    pollcycle::PollFlags& pollFlags() override { return flags; }
    pollcycle::PollDisplay& pollDisplay() override { return display; }
    void setConnectedState(bool c) override
    {
        connected = c;
        note(c ? QStringLiteral("connected") : QStringLiteral("disconnected"));
    }
    bool isConnected() const override { return connected; }
    void setConnecting(bool c) override
    {
        note(c ? QStringLiteral("connecting") : QStringLiteral("settled"));
    }
    void linkCommandEnded() override { note(QStringLiteral("ended")); }
    void endLinkCommands() override { note(QStringLiteral("link commands ended")); }
    void waitForLinkCommands() override
    {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            violation(QStringLiteral("link commands waited for on the window's thread"));
        note(QStringLiteral("link commands waited for"));
    }
    void setLinkButtons(bool) override {}
    void hideMotorCommands() override {}
    void ResetGraph() override {}
    void RunGraph(bool) override {}
    void ResetLiveDisplay() override {}
    void showLinkIdle() override {}
    int programVersionMajor() const override { return 2; }
    int programVersionMinor() const override { return 5; }
    void setTitle(const QString& t) override { title = t; }
    void showError(const QString& text, MessageIcon) override { messages << text; }
    void requestClose() override { note(QStringLiteral("close requested")); }

private:
    void note(const QString& entry)
    {
        std::lock_guard lock(m_mutex);
        log << entry;
    }

    int32_t close(const QString& name)
    {
        if (m_pollReadsInFlight.load() != 0)
            violation(name + QStringLiteral(" during a poll read"));
        m_open = false;
        note(name);
        return 0;
    }

    void violation(const QString& what)
    {
        std::lock_guard lock(m_mutex);
        violations << what;
    }

    int32_t read(uint32_t unit, uint32_t reg, uint32_t count, uint8_t* buffer, uint32_t size,
                 uint32_t retries)
    {
        if (!m_open)
            violation(QStringLiteral("read of register %1 on a closed link").arg(reg));
        if (reg != 0) {
            ++pollReadsStarted;
            ++m_pollReadsInFlight;
            std::this_thread::sleep_for(std::chrono::milliseconds(pollReadMs.load()));
            --m_pollReadsInFlight;
            return LINK_ERR_TIMEOUT;
        }
        if (beforeIdentification)
            beforeIdentification();
        note(QStringLiteral("MODBUS_Read03 %1 %2 %3 %4 %5")
                 .arg(unit)
                 .arg(reg)
                 .arg(count)
                 .arg(size)
                 .arg(retries));
        if (answers.empty())
            return LINK_ERR_TIMEOUT;
        const Answer a = answers.front();
        answers.pop_front();
        if (a.result > 0) {
            buffer[0] = uint8_t(a.id >> 8), buffer[1] = uint8_t(a.id), buffer[2] = uint8_t(a.version >> 8),
            buffer[3] = uint8_t(a.version);
        }
        return a.result;
    }

    std::mutex m_mutex;
    std::atomic<bool> m_open{false};
    std::atomic<int> m_pollReadsInFlight{0};
};

// A connect returns while the link opens, a disconnect while the link work
// ends; either has ended once the manager says so.
void toggleAndSettle(ConnectionManager& manager)
{
    manager.ToggleConnection();
    QTRY_VERIFY(!manager.isBusy());
}

void useTcp(ProgramSettings& s)
{
    SetSettingsText(s.szPortName, QStringLiteral("Modbus TCP"));
    s.dwIpAddress = 0x7F000001;
    s.nTcpPort = 502;
}

} // namespace

Q_DECLARE_METATYPE(std::deque<Answer>)

class TestConnectionManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void libraryCallsInOrder_data();
    void libraryCallsInOrder();
    void identification_data();
    void identification();
    void openFailures_data();
    void openFailures();
    void passwordGuardsConnectingOnly();
    void closesTheLinkItOpened();
    void identificationLeavesTheWindowResponsive();
    void disconnectLeavesTheWindowResponsive();
    void title();
};

void TestConnectionManager::init()
{
    ResetSettings(theApp().settings);
}

void TestConnectionManager::libraryCallsInOrder_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QStringList>("opening");
    QTest::addColumn<QString>("closing");
    QTest::newRow("Modbus TCP") << true << QStringList{"TCP_Open 127.0.0.1 502"} << "TCP_Close";
    QTest::newRow("serial RTU 19200 8E2")
        << false << QStringList{"COM_Open COM3", "COM_Setup 1 1 1 1"} << "COM_Close";
}

void TestConnectionManager::libraryCallsInOrder()
{
    QFETCH(bool, tcp);
    QFETCH(QStringList, opening);
    QFETCH(QString, closing);
    ProgramSettings& s = theApp().settings;
    s.nResponseTimeout = 250;
    s.nRetries = 2;
    s.nDeviceAddress = 7;
    if (tcp) {
        useTcp(s);
    } else {
        SetSettingsText(s.szPortName, QStringLiteral("COM3"));
        s.nBaudRateIndex = 1, s.nDataBitsIndex = 1, s.nParityIndex = 1, s.nStopBitsIndex = 1;
        s.nProtocolIndex = 0;
    }
    Bench bench;
    bench.answers = {Answer{}};
    ConnectionManager manager(bench, bench.calls());

    toggleAndSettle(manager);
    QVERIFY(bench.connected);
    QCOMPARE(bench.flags.bPollRunning.load(), 1);
    // Let the poll run into its reads before the disconnect.
    QTRY_VERIFY(bench.flags.bLinkOk.load() == 0);
    toggleAndSettle(manager);
    QVERIFY(!bench.connected);
    QCOMPARE(bench.flags.bPollRunning.load(), 0);

    QStringList expected{"DLL_SetUserFlag 0", "DLL_SetIOTimeout 250", "DLL_SetIOProtocol 0", "connecting"};
    expected << opening << "MODBUS_Read03 7 0 2 10 2"
             << "settled"
             << "connected"
             << "ended"
             << "DLL_SetUserFlag 0"
             << "connecting"
             << "link commands ended"
             << "disconnected"
             << "link commands waited for" << closing << "pause 1000"
             << "settled"
             << "ended";
    QCOMPARE(bench.log, expected);
    QCOMPARE(bench.violations, QStringList());
    QCOMPARE(bench.messages, QStringList());
}

void TestConnectionManager::identification_data()
{
    QTest::addColumn<std::deque<Answer>>("answers");
    QTest::addColumn<uint32_t>("deviceError");
    QTest::addColumn<QString>("message"); // empty: connected
    QTest::addColumn<int>("reads");
    QTest::addColumn<uint32_t>("version");

    const QString incompatible =
        QStringLiteral("Błąd identyfikacji urządzenia. \r\nPodłączono niekompatybilne urządzenie.");
    const Answer timeout{LINK_ERR_TIMEOUT, 0, 0};
    using A = std::deque<Answer>;
    QTest::newRow("version 7") << A{{4, 11, 7}} << 0u << QString() << 1 << 7u;
    QTest::newRow("version 15") << A{{4, 11, 15}} << 0u << QString() << 1 << 15u;
    QTest::newRow("version 6") << A{{4, 11, 6}} << 0u << incompatible << 1 << 6u;
    QTest::newRow("version 16") << A{{4, 11, 16}} << 0u << incompatible << 1 << 16u;
    QTest::newRow("identifier 10") << A{{4, 10, 12}} << 0u << incompatible << 1 << 12u;
    QTest::newRow("third read answers") << A{timeout, timeout, {4, 11, 12}} << 0u << QString() << 3 << 12u;
    QTest::newRow("time-out on all reads")
        << A{} << 0u << QStringLiteral("Błąd limitu czasu. Brak odpowiedzi urządzenia.") << 5 << 0u;
    QTest::newRow("exception 2 on all reads")
        << A(5, Answer{LINK_ERR_DEVICE}) << 2u
        << QStringLiteral("Urządzenie przesłało komunikat o wystąpieniu błędu 'ILLEGAL DATA ADDRESS'") << 5
        << 0u;
    QTest::newRow("exception 10") << A(5, Answer{LINK_ERR_DEVICE}) << 10u << QStringLiteral("Nieznany błąd!")
                                  << 5 << 0u;
    QTest::newRow("gateway exception 11")
        << A(5, Answer{LINK_ERR_DEVICE}) << 11u
        << QStringLiteral("Brama przesłała komunikat o wystąpieniu błędu 'Brak odpowiedzi urządzenia'") << 5
        << 0u;
    QTest::newRow("checksum") << A(5, Answer{LINK_ERR_CHECKSUM}) << 0u
                              << QStringLiteral(" Błąd sumy kontrolnej odebranego pakietu") << 5 << 0u;
    QTest::newRow("unknown link result")
        << A(5, Answer{-150}) << 0u << QStringLiteral("Nieznany kod błędu -150") << 5 << 0u;
    QTest::newRow("failures above -100")
        << A(5, Answer{-7}) << 0u
        << QStringLiteral("Połączenie jest niemożliwe.\r\nBrak komunikacji z "
                          "urządzeniem;")
        << 5 << 0u;
    QTest::newRow("last failure decides")
        << A{timeout, timeout, timeout, timeout, {-7}} << 0u
        << QStringLiteral("Połączenie jest niemożliwe.\r\nBrak komunikacji z "
                          "urządzeniem;")
        << 5 << 0u;
}

void TestConnectionManager::identification()
{
    QFETCH(std::deque<Answer>, answers);
    QFETCH(uint32_t, deviceError);
    QFETCH(QString, message);
    QFETCH(int, reads);
    QFETCH(uint32_t, version);
    useTcp(theApp().settings);
    Bench bench;
    bench.answers = answers;
    bench.deviceErrorCode = deviceError;
    bench.flags.fParamsPerSecond.store(12.5f);
    ConnectionManager manager(bench, bench.calls());

    toggleAndSettle(manager);
    QCOMPARE(bench.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(bench.connected, message.isEmpty());
    QCOMPARE(bench.log.filter(QStringLiteral("MODBUS_Read03")).size(), reads);
    QCOMPARE(manager.identifiedVersion(), version);
    QCOMPARE(bench.flags.fParamsPerSecond.load(), 0.0f);
    if (bench.connected)
        toggleAndSettle(manager);
    // Connected or not, the link is closed at the end and the window paused once.
    QCOMPARE(bench.log.filter(QStringLiteral("TCP_Close")).size(), 1);
    QCOMPARE(bench.log.filter(QStringLiteral("pause 1000")).size(), 1);
    QCOMPARE(bench.log.mid(bench.log.size() - 3), (QStringList{"pause 1000", "settled", "ended"}));
    QCOMPARE(bench.violations, QStringList());
}

void TestConnectionManager::openFailures_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<uint32_t>("ipAddress");
    QTest::addColumn<int32_t>("openResult");
    QTest::addColumn<uint32_t>("openFailure");
    QTest::addColumn<int32_t>("setupResult");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("message");
    // The disconnect that ends a failed connect; the link it closes comes between.
    const QStringList closing{"connecting", "link commands ended", "disconnected",
                              "link commands waited for"};
    const QStringList ended{"pause 1000", "settled", "ended"};
    const QStringList openFailed =
        QStringList{"connecting", "COM_Open COM4", "settled"} + closing + QStringList{"COM_Close"} + ended;
    QTest::newRow("port cannot be opened") << "COM4" << 0u << -1 << uint32_t(COM_OPEN_NOT_FOUND) << 0
                                           << openFailed << "COM - Nie można otworzyć portu";
    QTest::newRow("port refused to this user")
        << "COM4" << 0u << -1 << uint32_t(COM_OPEN_NO_PERMISSION) << 0 << openFailed
        << "COM - Nie można otworzyć portu\r\nBrak uprawnień do portu: użytkownik musi należeć do grupy "
           "dialout.";
    QTest::newRow("port held by another program")
        << "COM4" << 0u << -1 << uint32_t(COM_OPEN_BUSY) << 0 << openFailed
        << "COM - Nie można otworzyć portu\r\nPort jest zajęty przez inny program (np. ModemManager).";
    QTest::newRow("port cannot be set up")
        << "COM4" << 0u << 0 << uint32_t(COM_OPEN_NO_FAILURE) << -2
        << QStringList{"connecting", "COM_Open COM4", "COM_Setup 0 1 0 1", "settled"} + closing +
               QStringList{"COM_Close"} + ended
        << "COM - Nie można dokonać ustawień portu";
    QTest::newRow("node does not connect")
        << "Modbus TCP" << 0xC0A80A05u << -4 << uint32_t(COM_OPEN_NO_FAILURE) << 0
        << QStringList{"connecting", "TCP_Open 192.168.10.5 502", "settled"} + closing +
               QStringList{"TCP_Close"} + ended
        << "TCP/IP - Nie można podłączyć się do węzła IP:192.168.10.5";
}

void TestConnectionManager::openFailures()
{
    QFETCH(QString, portName);
    QFETCH(uint32_t, ipAddress);
    QFETCH(int32_t, openResult);
    QFETCH(uint32_t, openFailure);
    QFETCH(int32_t, setupResult);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);
    ProgramSettings& s = theApp().settings;
    SetSettingsText(s.szPortName, portName);
    s.dwIpAddress = ipAddress;
    s.nTcpPort = 502;
    Bench bench;
    bench.openResult = openResult;
    bench.openFailure = openFailure;
    bench.setupResult = setupResult;
    ConnectionManager manager(bench, bench.calls());

    toggleAndSettle(manager);
    QCOMPARE(bench.messages, QStringList{message});
    QCOMPARE(bench.log.mid(3), expected);
    QVERIFY(!bench.connected);
}

void TestConnectionManager::passwordGuardsConnectingOnly()
{
    ProgramSettings& s = theApp().settings;
    useTcp(s);
    s.bPasswordProtection = 1;
    s.nPasswordFlags = PWD_CONNECT;
    QVERIFY(SetSettingsText(s.szPassword, QStringLiteral("Hasło1")));
    Bench bench;
    bench.answers = {Answer{}};
    ConnectionManager manager(bench, bench.calls());

    // Cancelled: nothing but the user flag, no message.
    WhenModal<CPasswordDlg> gates([](CPasswordDlg* gate) { gate->reject(); },
                                  WhenModal<CPasswordDlg>::EachWindow);
    toggleAndSettle(manager);
    QCOMPARE(gates.count, 1);
    QCOMPARE(bench.log, QStringList{"DLL_SetUserFlag 0"});
    QVERIFY(bench.messages.isEmpty());
    QVERIFY(!bench.connected);

    // Connected (as if the password had been given): a disconnect never asks.
    s.bPasswordProtection = 0;
    toggleAndSettle(manager);
    QVERIFY(bench.connected);
    s.bPasswordProtection = 1;
    toggleAndSettle(manager);
    QCOMPARE(gates.count, 1);
    QVERIFY(!bench.connected);
    QCOMPARE(bench.log.filter(QStringLiteral("TCP_Close")).size(), 1);
}

void TestConnectionManager::closesTheLinkItOpened()
{
    // The settings window is reachable from the tray while connected: a port
    // name changed there must not make the disconnect close the wrong link.
    ProgramSettings& s = theApp().settings;
    useTcp(s);
    Bench bench;
    bench.answers = {Answer{}};
    ConnectionManager manager(bench, bench.calls());
    toggleAndSettle(manager);
    QVERIFY(bench.connected);
    SetSettingsText(s.szPortName, QStringLiteral("COM2"));
    toggleAndSettle(manager);
    QCOMPARE(bench.log.filter(QStringLiteral("_Close")), QStringList{"TCP_Close"});
    QCOMPARE(bench.violations, QStringList());
}

void TestConnectionManager::identificationLeavesTheWindowResponsive()
{
    useTcp(theApp().settings);
    Bench bench;
    bench.answers = {Answer{}};
    // The relay answers only once the window's thread has handled a few events.
    QSemaphore windowWorked;
    std::atomic<bool> readOnWindowThread{false};
    bench.beforeIdentification = [&] {
        readOnWindowThread.store(QThread::currentThread() == QCoreApplication::instance()->thread());
        windowWorked.tryAcquire(1, 3000);
    };
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] {
        if (++ticks == 3)
            windowWorked.release();
    });
    tick.start(10);
    ConnectionManager manager(bench, bench.calls());

    manager.ToggleConnection();
    QVERIFY(manager.isConnecting());
    manager.ToggleConnection(); // a second command while connecting is ignored
    QTRY_VERIFY(!manager.isConnecting());
    QVERIFY(!readOnWindowThread.load());
    QVERIFY(ticks >= 3);
    QVERIFY(bench.connected);
    QCOMPARE(bench.log.filter(QStringLiteral("TCP_Open")).size(), 1);
    QCOMPARE(bench.log.filter(QStringLiteral("DLL_SetUserFlag")).size(), 1);
    QCOMPARE(bench.log.filter(QStringLiteral("connecting")).size(), 1);
    QVERIFY(bench.log.indexOf(QStringLiteral("settled")) < bench.log.indexOf(QStringLiteral("connected")));
    QCOMPARE(bench.messages, QStringList());
    toggleAndSettle(manager);
    QVERIFY(!bench.connected);
}

void TestConnectionManager::disconnectLeavesTheWindowResponsive()
{
    useTcp(theApp().settings);
    Bench bench;
    bench.answers = {Answer{}};
    ConnectionManager manager(bench, bench.calls());
    toggleAndSettle(manager);
    QVERIFY(bench.connected);
    // The relay has fallen silent: each poll read waits out its time-out.
    bench.pollReadMs.store(400);
    QTRY_VERIFY(bench.flags.bLinkOk.load() == 0);
    // Disconnect just after a read has begun: most of its 400 ms are still to wait.
    const int started = bench.pollReadsStarted.load();
    QTRY_VERIFY(bench.pollReadsStarted.load() > started);

    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] { ++ticks; });
    tick.start(10);
    manager.ToggleConnection();
    // The click returns at once: the read in progress is waited for elsewhere.
    QVERIFY(manager.isBusy());
    QVERIFY(manager.isDisconnecting());
    QVERIFY(!bench.connected);
    manager.ToggleConnection(); // a second command while disconnecting is ignored
    QTRY_VERIFY(!manager.isBusy());
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    QCOMPARE(bench.log.filter(QStringLiteral("TCP_Close")).size(), 1);
    QCOMPARE(bench.log.filter(QStringLiteral("DLL_SetUserFlag")).size(), 2);
    QCOMPARE(bench.log.filter(QStringLiteral("TCP_Open")).size(), 1);
    QCOMPARE(bench.log.last(), QStringLiteral("ended"));
    QCOMPARE(bench.violations, QStringList());
    QCOMPARE(bench.messages, QStringList());
}

void TestConnectionManager::title()
{
    ProgramSettings& s = theApp().settings;
    useTcp(s);
    s.nDeviceAddress = 4;
    Bench bench;
    bench.answers = {Answer{4, 11, 9}};
    ConnectionManager manager(bench, bench.calls());
    manager.UpdateTitle(false);
    QCOMPARE(bench.title, QStringLiteral("Panel sterowania 7/8 (2.5) - www.zrq7.example.com"));
    toggleAndSettle(manager);
    QCOMPARE(bench.title,
             QStringLiteral("Panel sterowania 7/8 (2.5) - Adres [4] - Wersja mikroprogramu [9] - "
                            "www.zrq7.example.com"));
    toggleAndSettle(manager);
    QCOMPARE(bench.title, QStringLiteral("Panel sterowania 7/8 (2.5) - www.zrq7.example.com"));
}

QTEST_MAIN(TestConnectionManager)
#include "tst_connection_manager.moc"
