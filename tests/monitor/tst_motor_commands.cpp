// SPDX-License-Identifier: MIT
// START, STOP and the fault reset against a running relay simulator: the
// written command shows in the relay's status word, a refused write gives the
// operator's message, and without a running poll nothing is written.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CIconButton.h"
#include "CXLed.h"
#include "ConnectionManager.h"
#include "ModalHelpers.h"
#include "PollWorker.h"
#include "SimulatorProcess.h"
#include "ZRQ7DLL.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

using zrq7::test::SimulatorProcess;

namespace {

constexpr uint16_t statusRegister = 900;
constexpr int motorRelayBit = 1;

std::optional<uint16_t> readRegister(uint16_t reg)
{
    uint8_t buffer[10] = {};
    if (MODBUS_Read03(uint32_t(theApp().settings.nDeviceAddress), reg, 1, buffer, sizeof buffer, 2) < 2)
        return std::nullopt;
    return uint16_t(buffer[0] << 8 | buffer[1]);
}

bool motorRelayClosed()
{
    const auto status = readRegister(statusRegister);
    return status && (*status >> motorRelayBit & 1);
}

// The window connected to a simulator over Modbus TCP, polled by a real poll worker.
class ConnectedWindow
{
public:
    explicit ConnectedWindow(const QStringList& simulatorOptions)
        : sim(QStringList{u"--tcp"_qs, u"0"_qs} + simulatorOptions)
    {
    }
    bool open()
    {
        if (!sim.start())
            return false;
        DLL_SetIOTimeout(1000);
        if (TCP_Open(sim.tcpHost().toStdU16String().c_str(), sim.tcpPort()) != 0)
            return false;
        worker = std::make_unique<pollcycle::PollWorker>(window.snapshot(), window.pollFlags(),
                                                         window.pollDisplay());
        window.setConnectedState(true);
        window.ResetLiveDisplay();
        return worker->start(pollSettingsFrom(theApp().settings));
    }
    ~ConnectedWindow()
    {
        if (worker)
            worker->stop();
        window.setConnectedState(false);
        TCP_Close();
        sim.stop();
    }
    const MainWindowControls& ui() const { return window.controls(); }

    SimulatorProcess sim;
    CCPL_ZRQ7Dlg window;
    std::unique_ptr<pollcycle::PollWorker> worker;
};

} // namespace

class TestMotorCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startStopAndFaultReset();
    void refusedCommandShowsMessage();
    void nothingIsSentWithoutPoll();

private:
    QTemporaryDir m_dir;
    QString m_log;
};

void TestMotorCommands::initTestCase()
{
    m_log = m_dir.filePath(u"messages.log"_qs);
    qputenv("ZRQ7_MESSAGE_LOG", m_log.toUtf8());
    ResetSettings(theApp().settings);
}

void TestMotorCommands::startStopAndFaultReset()
{
    // No start on power-up: the motor waits for a start command.
    ConnectedWindow rig({u"--setting"_qs, u"198=0"_qs, u"--verbose"_qs});
    QVERIFY2(rig.open(), qPrintable(rig.sim.errorString()));
    QTRY_VERIFY(!rig.ui().start->isHidden());
    QVERIFY(!rig.ui().stop->isHidden());
    QVERIFY(rig.ui().motorPicture->isHidden());
    QCOMPARE(rig.ui().remoteLamp->GetState(), 1);
    QVERIFY(!motorRelayClosed());

    QTest::mouseClick(rig.ui().start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(motorRelayClosed(), 10000);
    QTRY_COMPARE(rig.ui().motorRelayLamp->GetState(), 1); // the poll sees it too

    QTest::mouseClick(rig.ui().stop, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!motorRelayClosed(), 10000);

    // The fault reset (55 in the command register) is written even with no
    // fault; the relay accepts it.
    rig.window.OnFaultReset();
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim.registerWrites(903), (QList<int>{2, 0, 55}), 10000);
    QCOMPARE(takeMessages(m_log), QStringList());
}

void TestMotorCommands::refusedCommandShowsMessage()
{
    // Remote control forbidden: the relay answers a start with an exception.
    ConnectedWindow rig({u"--remote-control"_qs, u"0"_qs});
    QVERIFY2(rig.open(), qPrintable(rig.sim.errorString()));
    QTRY_COMPARE(rig.ui().remoteLamp->GetState(), 0);
    QVERIFY(rig.ui().start->isHidden());
    QVERIFY(!rig.ui().motorPicture->isHidden());

    takeMessages(m_log);
    rig.window.OnStart();
    QTRY_VERIFY(QFileInfo::exists(m_log));
    QCOMPARE(takeMessages(m_log),
             QStringList{u"warning|Błąd|Błąd zapisu parametru.\\r\\nMożliwe przyczyny: wystąpił błąd podczas "
                         u"zapisu \\r\\nlub urządzenie nie obsługuje tej funkcji"_qs});
    QVERIFY(rig.ui().start->isHidden()); // buttons stay as they were
    QVERIFY(!rig.ui().motorPicture->isHidden());
    QVERIFY(!motorRelayClosed());

    // Pressed while the first is on the line, each command is still sent and
    // each refusal told once, in the order pressed.
    rig.window.OnStart();
    rig.window.OnStop();
    rig.window.OnStart();
    QStringList told;
    QTRY_COMPARE((told += takeMessages(m_log)).size(), 3);
    QTest::qWait(300);
    QCOMPARE(takeMessages(m_log), QStringList());

    // The box itself stays on top of other windows.
    {
        MessageBoxesShown realBoxes;
        MessageBoxAnswerer box;
        rig.window.OnStart();
        QTRY_COMPARE(box.onTop, QList<bool>{true});
    }
}

void TestMotorCommands::nothingIsSentWithoutPoll()
{
    ConnectedWindow rig({u"--setting"_qs, u"198=0"_qs});
    QVERIFY2(rig.open(), qPrintable(rig.sim.errorString()));
    QTRY_VERIFY(!rig.ui().start->isHidden());
    rig.window.liveDisplay().setFaultResetVisible(true);
    rig.worker->stop(); // the poll has ended, the window still says connected

    QTest::mouseClick(rig.ui().start, Qt::LeftButton);
    QVERIFY(rig.ui().start->isHidden());
    QVERIFY(rig.ui().stop->isHidden());
    QVERIFY(!rig.ui().motorPicture->isHidden());
    rig.window.OnFaultReset();
    QVERIFY(rig.ui().faultReset->isHidden());
    QTest::qWait(300);
    QVERIFY(!motorRelayClosed());
    QCOMPARE(takeMessages(m_log), QStringList());
}

QTEST_MAIN(TestMotorCommands)
#include "tst_motor_commands.moc"
