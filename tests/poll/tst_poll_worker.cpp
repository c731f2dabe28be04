// SPDX-License-Identifier: MIT
// The poll worker against a Modbus TCP peer through the link library: rotation,
// values end to end, failed blocks, the fault value reads, and stopping.
#include "MeasurementSnapshot.h"
#include "ModbusTcpResponder.h"
#include "PollWorker.h"
#include "ZRQ7DLL.h"
#ifdef ZRQ7_HAVE_SIMULATOR
#include "SimulatorProcess.h"
#endif

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <vector>

using namespace pollcycle;
using Answer = ModbusTcpResponder::Answer;

namespace {

// The window's fault list rows, newest first.
struct Rows : FaultRows
{
    std::vector<std::pair<int, QStringList>> rows;
    void insertRowAtTop(const QStringList& cells, int index) override
    {
        rows.insert(rows.begin(), {index, cells});
    }
    void deleteRowsOf(int index) override
    {
        std::erase_if(rows, [index](const auto& row) { return row.first == index; });
    }
    void deleteAllRows() override { rows.clear(); }
};

// Records what the poll hands over. The status step is applied at once on the poll
// thread, kept unapplied, or dropped, as a test chooses.
class DisplayRecorder : public PollDisplay
{
public:
    enum class StatusMode { Apply, Keep, Drop };

    DisplayRecorder(MeasurementSnapshot& snapshot, PollFlags& flags) : m_snapshot(snapshot), m_flags(flags) {}

    void showCurrents(const CurrentsUpdate& u) override
    {
        record(Block::A, [&] { currents.push_back(u); });
    }
    void showVoltages(const VoltagesUpdate&) override
    {
        record(Block::B, [&] { ++voltages; });
    }
    void showPowers(const PowersUpdate& u) override
    {
        record(Block::C, [&] { powers.push_back(u); });
    }
    void showEnergies(const EnergiesUpdate&) override
    {
        record(Block::D, [&] { ++energies; });
    }
    void showRelayClock(const ClockUpdate& u) override
    {
        record(Block::E, [&] {
            clock = u;
            ++clocks;
        });
    }
    void showAverageCurrents(const AverageCurrentsUpdate&) override
    {
        record(Block::F, [&] { ++averages; });
    }
    void showMotorTimes(const MotorTimesUpdate&) override
    {
        record(Block::G, [&] { ++motorTimes; });
    }
    void showSensors(const SensorsUpdate& u) override
    {
        record(Block::H, [&] { sensors = u; });
    }
    void showHeating(const HeatingUpdate& u) override
    {
        record(Block::I, [&] { heating = u; });
    }
    void showStatus(const StatusUpdate& u, UiTicket ticket) override
    {
        record(Block::J, [&] { statuses.push_back(u); });
        switch (statusMode) {
        case StatusMode::Apply:
            ticket.apply([&] {
                {
                    std::lock_guard lock(m_mutex);
                    applyFaultList(u, rows, m_snapshot);
                    ++statusesApplied;
                }
                m_changed.notify_all();
            });
            break;
        case StatusMode::Keep:
            record(Block::J, [&] { keptTickets.push_back(ticket); });
            break;
        case StatusMode::Drop:
            break;
        }
    }
    void showCurrentSettings(const CurrentSettingsUpdate& u) override
    {
        record(Block::K, [&] { currentSettings.push_back(u); });
    }
    void showLineVoltageLimits(const LineVoltageLimitsUpdate&) override
    {
        record(Block::L, [&] { ++lineLimits; });
    }
    void showRestartDelays(const RestartDelaysUpdate&) override
    {
        record(Block::M, [&] { ++restartDelays; });
    }
    void showMotorControl(const MotorControlUpdate& u) override
    {
        record(Block::N, [&] {
            linkOkAtMotorControl.push_back(m_flags.bLinkOk.load());
            motorControl = u;
        });
    }

    // Waits until the condition holds over the recorded values (under the lock).
    template <typename Condition> bool waitFor(Condition condition, int timeoutMs = 10000)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), condition);
    }
    template <typename Read> auto read(Read reader)
    {
        std::lock_guard lock(m_mutex);
        return reader();
    }
    // Display steps other than block N's.
    int otherCalls()
    {
        return read([&] { return std::accumulate(shown.begin(), shown.end() - 1, 0); });
    }

    StatusMode statusMode = StatusMode::Apply;
    std::vector<CurrentsUpdate> currents;
    std::vector<PowersUpdate> powers;
    std::vector<StatusUpdate> statuses;
    std::vector<CurrentSettingsUpdate> currentSettings;
    std::vector<int32_t> linkOkAtMotorControl;
    std::vector<UiTicket> keptTickets;
    ClockUpdate clock;
    SensorsUpdate sensors;
    HeatingUpdate heating;
    MotorControlUpdate motorControl;
    Rows rows;
    std::array<int, 14> shown{}; // display steps per block
    int statusesApplied = 0;
    int voltages = 0, energies = 0, clocks = 0, averages = 0, motorTimes = 0, lineLimits = 0,
        restartDelays = 0;

private:
    template <typename Change> void record(Block block, Change change)
    {
        {
            std::lock_guard lock(m_mutex);
            ++shown[static_cast<int>(block)];
            change();
        }
        m_changed.notify_all();
    }

    MeasurementSnapshot& m_snapshot;
    PollFlags& m_flags;
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

int countOf(const ModbusTcpResponder::Log& log, uint16_t firstRegister)
{
    return int(std::count_if(log.begin(), log.end(), [firstRegister](const auto& request) {
        return request.firstRegister == firstRegister;
    }));
}

// Registers of a relay with a 10 A / 230 V / cos 0.850 phase 1 and some of everything.
void loadRelayValues(ModbusTcpResponder& relay)
{
    relay.setRegisters(30, {100, 20, 30, 5, 1, 2});
    relay.setRegisters(36, {11, 12, 13, 21, 22, 23, 400, 90, 7});
    relay.setRegisters(45, {230, 231, 232, 400, 401, 402, 230, 3, 1});
    relay.setRegisters(54, {1234, 550, 500, 899, 600, 901});
    relay.setRegisters(60, {0, 2045, 0x0001, 0x0002, 0, 1078, 850, 900, 1001});
    relay.setRegisters(69, {1000, 2000, 125, 55});
    relay.setRegisters(73, {0x0008, 0x6470}); // 550 000
    relay.setRegisters(80, {0x0045, 0x0030, 0x0012, 0x0024, 0x0012, 0x0025});
    relay.setRegisters(90, {0, 2045, 0, 7, 0x0001, 0});
    relay.setRegisters(150, {100, 32, 0, 60}); // rating 100 A: registers 30-43 count tenths
    relay.setRegisters(177, {340, 0, 0, 420});
    relay.setRegisters(195, {30, 20});
    relay.setRegisters(200, {1});
}

} // namespace

class TestPollWorker : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void rotationOrderAndFrequency();
    void valuesEndToEnd();
    void failedBlocksKeepValues();
    void motorControlBlockLeavesLinkStateAlone();
    void currentsWaitForTheTransformerRating();
    void throughputFollowsTheRelay();
    void newFaultsReadTheirValueOnce();
    void requestsUseTheCurrentSettings();
    void stopEndsASilentRead();
    void stopNeverWaitsForTheUi();
    void droppedStatusStepReleasesThePoll();
    void pollsTheSimulatedRelay();

private:
    bool connectTo(ModbusTcpResponder& relay, uint32_t timeoutMs);
    PollWorker& worker()
    {
        if (!m_worker)
            m_worker = std::make_unique<PollWorker>(m_snapshot, m_flags, *m_display);
        return *m_worker;
    }

    std::unique_ptr<ModbusTcpResponder> m_relay;
    MeasurementSnapshot m_snapshot;
    PollFlags m_flags;
    PollSettings m_settings{1, 0};
    std::unique_ptr<DisplayRecorder> m_display;
    std::unique_ptr<PollWorker> m_worker;
};

void TestPollWorker::init()
{
    m_relay = std::make_unique<ModbusTcpResponder>();
    QVERIFY(m_relay->start());
    m_snapshot.ClearMeasurements();
    m_snapshot.ClearMarks();
    m_settings = {1, 0};
    m_display = std::make_unique<DisplayRecorder>(m_snapshot, m_flags);
}

void TestPollWorker::cleanup()
{
    m_worker.reset(); // stops and joins before the link goes away
    TCP_Close();
    m_display.reset();
    m_relay.reset();
}

bool TestPollWorker::connectTo(ModbusTcpResponder& relay, uint32_t timeoutMs)
{
    DLL_SetIOTimeout(timeoutMs);
    return TCP_Open(u"127.0.0.1", relay.port()) == 0;
}

// The transformer rating first; then fast blocks every cycle, medium every
// third, slow every twelfth, all in the first, each block one request in the
// fixed order.
void TestPollWorker::rotationOrderAndFrequency()
{
    QVERIFY(connectTo(*m_relay, 1000));
    QVERIFY(worker().start(m_settings));
    QVERIFY(m_relay->waitFor([](const auto& log) { return countOf(log, 30) > 24; }));
    worker().stop();

    std::vector<std::pair<uint16_t, uint16_t>> expected{{150, 4}};
    for (int cycle = 0; cycle < 24; ++cycle) {
        for (auto block : {Block::A, Block::B, Block::C, Block::D, Block::E, Block::F, Block::G, Block::H,
                           Block::I, Block::J, Block::K, Block::L, Block::M, Block::N}) {
            const BlockSpec& spec = blockSpec(block);
            if ((spec.group == PollGroup::Medium && cycle % 3 != 0) ||
                (spec.group == PollGroup::Slow && cycle % 12 != 0))
                continue;
            expected.emplace_back(spec.firstRegister, spec.count);
        }
    }
    const auto log = m_relay->requests();
    QVERIFY(log.size() >= expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(log[i].firstRegister, expected[i].first);
        QCOMPARE(log[i].count, expected[i].second);
    }
    // 5 fast requests per cycle (36 registers), 5 medium (24), 4 slow (11).
    QCOMPARE(expected.size(), std::size_t(1 + 24 * 5 + 8 * 5 + 2 * 4));
    QCOMPARE(m_flags.bPollRunning.load(), 0);
    QCOMPARE(m_flags.bLinkOk.load(), 1);
}

void TestPollWorker::valuesEndToEnd()
{
    loadRelayValues(*m_relay);
    QVERIFY(connectTo(*m_relay, 1000));
    QVERIFY(worker().start(m_settings));
    QVERIFY(
        m_display->waitFor([&] { return m_display->powers.size() >= 2 && m_display->currents.size() >= 2; }));
    worker().stop();

    // The 100 A rating is read before the first currents: tenths from the start.
    const auto currents = m_display->read([&] { return m_display->currents; });
    QCOMPARE(currents[0].slot(0), 100);
    QCOMPARE(currents[1].slot(0), 100);
    QCOMPARE(m_snapshot.GetMeasurement(0), 100);
    QCOMPARE(m_snapshot.GetMeasurement(5), 2);
    QCOMPARE(m_snapshot.GetMeasurement(9), 21); // peak current read in the first cycle
    QCOMPARE(m_snapshot.GetMeasurement(14), 7); // start time, never scaled
    QCOMPARE(m_snapshot.GetMeasurement(15), 230);
    QCOMPARE(m_snapshot.GetMeasurement(23), 1);
    QCOMPARE(m_snapshot.GetMeasurement(24), 1234);
    QCOMPARE(m_snapshot.GetMeasurement(29), 901);
    QCOMPARE(m_snapshot.GetMeasurement(30), 2045);
    QCOMPARE(m_snapshot.GetMeasurement(31), 65538);
    QCOMPARE(m_snapshot.GetMeasurement(35), 1001);
    QCOMPARE(m_snapshot.GetMeasurement(36), -80);
    QCOMPARE(m_snapshot.GetMeasurement(37), 300);
    QCOMPARE(m_snapshot.GetMeasurement(38), 125);
    QCOMPARE(m_snapshot.GetMeasurement(40), 50);
    QCOMPARE(m_snapshot.GetMeasurement(41), 229);
    QCOMPARE(m_snapshot.GetMeasurement(44), 195);
    QCOMPARE(m_snapshot.GetMeasurement(47), 121);
    QCOMPARE(m_snapshot.GetMeasurement(50), 2045);
    QCOMPARE(m_snapshot.GetMeasurement(52), 65536);

    const auto powers = m_display->read([&] { return m_display->powers.back(); });
    QCOMPARE(powers.slot(33), 850);
    QCOMPARE(powers.slot(41), 229);
    QCOMPARE(powers.slot(47), 121);
    const RelayClock clock = m_display->read([&] { return m_display->clock; });
    QCOMPARE(relayClockText(clock), QStringLiteral("12 : 30 : 45\r\n24.12.2025"));
    const auto heating = m_display->read([&] { return m_display->heating; });
    QCOMPARE(heating.thermalState, 550000u);
    const auto sensors = m_display->read([&] { return m_display->sensors; });
    QVERIFY(sensors.sensor1.state == SensorState::Shorted);
    QVERIFY(sensors.sensor2.state == SensorState::Broken);
    const auto settings = m_display->read([&] { return m_display->currentSettings.front(); });
    QCOMPARE(settings.currentScale, 1);
    QCOMPARE(settings.averagingPeriod, uint16_t(60));
}

// A relay that stops answering: slots and display keep their contents, bLinkOk
// drops to 0; when it answers again the new values come.
void TestPollWorker::failedBlocksKeepValues()
{
    loadRelayValues(*m_relay);
    QVERIFY(connectTo(*m_relay, 50));
    QVERIFY(worker().start(m_settings));
    QVERIFY(m_display->waitFor([&] { return !m_display->powers.empty() && m_display->restartDelays > 0; }));
    m_relay->setPolicy([](uint16_t) { return Answer::Silent; });
    QTRY_COMPARE(m_flags.bLinkOk.load(), 0);
    const std::size_t silentFrom = m_relay->requests().size();
    const int shownBefore = m_display->otherCalls();
    std::array<int32_t, 53> before{};
    QVERIFY(m_snapshot.CopyMeasurements(before.data(), sizeof before));

    QVERIFY(m_relay->waitFor([&](const auto& log) { return log.size() >= silentFrom + 4; }));
    std::array<int32_t, 53> during{};
    QVERIFY(m_snapshot.CopyMeasurements(during.data(), sizeof during));
    QVERIFY(before == during);
    QCOMPARE(before[15], 230);
    QCOMPARE(m_display->otherCalls(), shownBefore);
    QVERIFY(worker().isRunning());

    m_relay->setRegisters(45, {240});
    m_relay->setPolicy({});
    QTRY_COMPARE(m_snapshot.GetMeasurement(15), 240);
    QTRY_COMPARE(m_flags.bLinkOk.load(), 1);
}

// Block N does not count as proof that the link works: with every other block
// failing, bLinkOk stays 0 when N succeeds.
void TestPollWorker::motorControlBlockLeavesLinkStateAlone()
{
    m_relay->setPolicy([](uint16_t first) { return first == 200 ? Answer::Registers : Answer::Exception; });
    QVERIFY(connectTo(*m_relay, 1000));
    QVERIFY(worker().start(m_settings));
    QVERIFY(m_relay->waitFor([](const auto& log) { return countOf(log, 200) >= 2; }));
    worker().stop();
    const auto seen = m_display->read([&] { return m_display->linkOkAtMotorControl; });
    QVERIFY(seen.size() >= 2);
    QVERIFY(std::all_of(seen.begin(), seen.end(), [](int32_t linkOk) { return linkOk == 0; }));
    QCOMPARE(m_display->otherCalls(), 0);
    std::array<int32_t, 53> values{};
    QVERIFY(m_snapshot.CopyMeasurements(values.data(), sizeof values));
    QVERIFY(std::all_of(values.begin(), values.end(), [](int32_t v) { return v == 0; }));
}

// A relay that does not answer the rating at first: the rotation runs, but no
// current and no fault row is decoded until it has; then tenths from the start
// (a 50 A transformer), and a current fault's value is in tenths too.
void TestPollWorker::currentsWaitForTheTransformerRating()
{
    loadRelayValues(*m_relay);
    m_relay->setRegisters(150, {50, 32, 0, 60});
    m_relay->setRegisters(900, {0x0001, 0x0001, 0}); // fault 0 (Imax) active
    m_relay->setRegisters(300, {123});
    std::atomic<bool> ratingAnswers{false};
    m_relay->setPolicy([&](uint16_t first) {
        return first == 150 && !ratingAnswers.load() ? Answer::Exception : Answer::Registers;
    });
    QVERIFY(connectTo(*m_relay, 1000));
    QVERIFY(worker().start(m_settings));
    // Two rotations' status blocks have come and gone without the rating.
    QVERIFY(m_relay->waitFor([](const auto& log) { return countOf(log, 900) >= 2; }));
    QCOMPARE(m_display->read([&] { return m_display->currents.size(); }), std::size_t(0));
    QCOMPARE(m_display->read([&] { return m_display->statuses.size(); }), std::size_t(0));
    QCOMPARE(m_snapshot.GetMeasurement(0), 0);
    QVERIFY(m_display->read([&] { return m_display->powers.size(); }) > 0); // the rest is polled

    ratingAnswers.store(true);
    QVERIFY(
        m_display->waitFor([&] { return !m_display->currents.empty() && !m_display->rows.rows.empty(); }));
    worker().stop();
    QCOMPARE(m_display->read([&] { return m_display->currents.front().slot(0); }), 100);
    const auto rows = m_display->read([&] { return m_display->rows.rows; });
    QCOMPARE(rows.front().first, 0);
    QCOMPARE(rows.front().second.at(2), QStringLiteral("12.3 A"));
}

// fParamsPerSecond is measured while the relay answers and falls to 0 once a whole
// second passes without a register read.
void TestPollWorker::throughputFollowsTheRelay()
{
    QVERIFY(connectTo(*m_relay, 100));
    QVERIFY(worker().start(m_settings));
    QTRY_VERIFY_WITH_TIMEOUT(m_flags.fParamsPerSecond.load() > 0.0f, 5000);
    // At least the fast group's 36 registers of each cycle, at one cycle a second
    // even on the slowest machine.
    QVERIFY2(m_flags.fParamsPerSecond.load() >= 36.0f,
             qPrintable(QString::number(m_flags.fParamsPerSecond.load())));
    m_relay->setPolicy([](uint16_t) { return Answer::Silent; });
    QTRY_COMPARE_WITH_TIMEOUT(m_flags.fParamsPerSecond.load(), 0.0f, 8000);
}

// A newly active fault costs one read of its value register; a fault still active
// costs nothing; the rows follow the relay's mask and the rated current.
void TestPollWorker::newFaultsReadTheirValueOnce()
{
    loadRelayValues(*m_relay);
    m_relay->setRegisters(150, {150, 0});            // 150 A: currents in amperes; no rated current
    m_relay->setRegisters(900, {0x0003, 0x0021, 0}); // faults 0 and 5, motor relay on
    m_relay->setRegisters(300, {125, 0, 0, 0, 0, 40});
    QVERIFY(connectTo(*m_relay, 1000));
    QVERIFY(worker().start(m_settings));
    // Cycle 0 lists faults 0 and 5 and the rated current pseudo-fault (block K,
    // read before the first cycle, found the rated current missing).
    QVERIFY(m_display->waitFor([&] { return m_display->statusesApplied >= 3; }));

    const auto log = m_relay->requests();
    QCOMPARE(countOf(log, 300), 1);
    QCOMPARE(countOf(log, 305), 1);
    QCOMPARE(countOf(log, 0), 0); // entry 39 has no value register
    // Each value read follows its status block directly, fault 0 first.
    const auto status =
        std::find_if(log.begin(), log.end(), [](const auto& r) { return r.firstRegister == 900; });
    QCOMPARE(status[1].firstRegister, uint16_t(300));
    QCOMPARE(status[1].count, uint16_t(1));
    QCOMPARE(status[2].firstRegister, uint16_t(305));
    QCOMPARE(status[3].firstRegister, uint16_t(150));

    const auto rows = m_display->read([&] { return m_display->rows.rows; });
    QCOMPARE(rows.size(), std::size_t(3));
    QCOMPARE(rows[0].first, 39);
    QCOMPARE(rows[0].second.at(2), QStringLiteral("Nie"));
    QCOMPARE(rows[1].first, 5);
    QCOMPARE(rows[1].second.at(2), QStringLiteral("40.0 A"));
    QCOMPARE(rows[2].first, 0);
    QCOMPARE(rows[2].second.at(1), QStringLiteral("Imax"));
    QCOMPARE(rows[2].second.at(2), QStringLiteral("125.0 A"));
    QVERIFY(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(rows[2].second.at(3)).hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}$"))
                .match(rows[2].second.at(4))
                .hasMatch());

    const StatusUpdate third = m_display->read([&] { return m_display->statuses[2]; });
    QCOMPARE(third.faultIndicator, 1);  // rated current missing
    QCOMPARE(third.restartBarMax, 30u); // minimum-current fault: larger of 195 and 196
    const StatusUpdate first = m_display->read([&] { return m_display->statuses[0]; });
    QCOMPARE(first.faultIndicator, 1); // rated current missing from the start
    QCOMPARE(first.restartBarMax, 0u); // restart delays not read yet in the first cycle

    // Fault 5 goes: its row goes, nothing is read.
    m_relay->setRegisters(901, {0x0001});
    QVERIFY(m_display->waitFor([&] {
        return std::none_of(m_display->rows.rows.begin(), m_display->rows.rows.end(),
                            [](const auto& row) { return row.first == 5; });
    }));
    QCOMPARE(m_snapshot.IsFaultActive(5), false);
    // No fault and a rated current again: the list empties at the status block after block K.
    m_relay->setRegisters(900, {0, 0, 0});
    m_relay->setRegisters(151, {32});
    QVERIFY(m_display->waitFor([&] { return m_display->rows.rows.empty(); }));
    worker().stop();
    QVERIFY(!m_snapshot.IsAnyMarked());
    QCOMPARE(countOf(m_relay->requests(), 300), 1);
}

// The unit address given at the start, then a new one while polling: every later request uses it.
void TestPollWorker::requestsUseTheCurrentSettings()
{
    m_settings.nDeviceAddress = 7;
    QVERIFY(connectTo(*m_relay, 1000));
    QVERIFY(worker().start(m_settings));
    QVERIFY(m_relay->waitFor([](const auto& log) { return log.size() >= 3; }));
    worker().setSettings({9, 0});
    QVERIFY(m_relay->waitFor([](const auto& log) { return !log.empty() && log.back().unit == 9; }));
    worker().stop();
    const auto log = m_relay->requests();
    QCOMPARE(log.front().unit, uint8_t(7));
    // Once changed, every later request uses the new address.
    const auto firstNew = std::find_if(log.begin(), log.end(), [](const auto& r) { return r.unit == 9; });
    QVERIFY(std::all_of(firstNew, log.end(), [](const auto& r) { return r.unit == 9; }));
}

// stop() during a read the relay never answers returns once that read has timed
// out, and the thread is gone.
void TestPollWorker::stopEndsASilentRead()
{
    m_relay->setPolicy([](uint16_t) { return Answer::Silent; });
    const uint32_t timeoutMs = 1500;
    QVERIFY(connectTo(*m_relay, timeoutMs));
    QVERIFY(worker().start(m_settings));
    QVERIFY(m_relay->waitFor([](const auto& log) { return !log.empty(); }));
    QElapsedTimer clock;
    clock.start();
    worker().stop();
    QVERIFY2(clock.elapsed() < timeoutMs + 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!worker().isRunning());
    QCOMPARE(m_flags.bPollRunning.load(), 0);
    QCOMPARE(m_relay->requests().size(), std::size_t(1));
    // A new connection's poll starts afresh.
    m_relay->setPolicy({});
    QVERIFY(worker().start(m_settings));
    QVERIFY(m_relay->waitFor([](const auto& log) { return countOf(log, 150) >= 1; }));
}

// The poll waits for the window to apply the fault list, but a stop never waits
// for the window, and a step the window reaches after the stop is not applied.
void TestPollWorker::stopNeverWaitsForTheUi()
{
    m_display->statusMode = DisplayRecorder::StatusMode::Keep;
    m_relay->setRegisters(900, {0x0001, 0x0001, 0});
    QVERIFY(connectTo(*m_relay, 1000));
    QVERIFY(worker().start(m_settings));
    QVERIFY(m_display->waitFor([&] { return !m_display->keptTickets.empty(); }));
    // Blocked on the window: the slow group that follows the status block is not
    // read (register 150 only once, before the first cycle).
    QCOMPARE(countOf(m_relay->requests(), 150), 1);

    QElapsedTimer clock;
    clock.start();
    worker().stop();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!worker().isRunning());

    const UiTicket late = m_display->read([&] { return m_display->keptTickets.front(); });
    bool applied = false;
    QVERIFY(!late.apply([&] { applied = true; }));
    QVERIFY(!applied);
}

// A window that drops the status step without applying it does not stall the poll.
void TestPollWorker::droppedStatusStepReleasesThePoll()
{
    m_display->statusMode = DisplayRecorder::StatusMode::Drop;
    QVERIFY(connectTo(*m_relay, 1000));
    QVERIFY(worker().start(m_settings));
    QVERIFY(m_display->waitFor([&] { return m_display->statuses.size() >= 2; }));
    QVERIFY(m_flags.bPollRunning.load() == 1);
}

// The whole rotation against the relay simulator: every block is one the relay
// answers, and what it serves arrives decoded.
void TestPollWorker::pollsTheSimulatedRelay()
{
#ifndef ZRQ7_HAVE_SIMULATOR
    QSKIP("built without the relay simulator");
#else
    zrq7::test::SimulatorProcess simulator(
        {"--tcp", "127.0.0.1:0", "--start-time", "2025-12-24T12:30:45", "--rated-current", "0"});
    QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
    DLL_SetIOTimeout(1000);
    QCOMPARE(TCP_Open(reinterpret_cast<const char16_t*>(simulator.tcpHost().utf16()), simulator.tcpPort()),
             0);
    QVERIFY(worker().start(m_settings));
    // The status block after block K lists the missing rated current.
    QVERIFY(m_display->waitFor([&] { return m_display->statusesApplied >= 2; }));
    worker().stop();

    const auto shown = m_display->read([&] { return m_display->shown; });
    for (std::size_t block = 0; block < shown.size(); ++block)
        QVERIFY2(shown[block] >= 1,
                 qPrintable(QStringLiteral("block %1 never shown").arg(QChar('A' + int(block)))));
    QCOMPARE(m_flags.bLinkOk.load(), 1);
    QCOMPARE(m_display->read([&] { return m_display->linkOkAtMotorControl; }).front(), 1);

    const RelayClock clock = m_display->read([&] { return m_display->clock; });
    QCOMPARE(QStringLiteral("%1.%2.%3 %4:%5")
                 .arg(clock.day)
                 .arg(clock.month)
                 .arg(clock.year)
                 .arg(clock.hours)
                 .arg(clock.minutes),
             QStringLiteral("24.12.2025 12:30"));
    const auto settings = m_display->read([&] { return m_display->currentSettings.front(); });
    QVERIFY(settings.ratedCurrentMissing);
    QVERIFY(m_display->read([&] { return m_display->motorControl.remoteControlAllowed; }));
    const auto rows = m_display->read([&] { return m_display->rows.rows; });
    QVERIFY(!rows.empty());
    QCOMPARE(rows.front().first, 39);
    QCOMPARE(rows.front().second.at(0), QStringLiteral("Rozruch nie nastąpi"));

    // The transformer rating straight from the relay, and the scale the poll took from it.
    std::array<uint8_t, 50> buffer{};
    QCOMPARE(MODBUS_Read03(1, 150, 1, buffer.data(), buffer.size(), 0), 2);
    const int rating = buffer[0] << 8 | buffer[1];
    QCOMPARE(int(settings.transformerRating), rating);
    QCOMPARE(settings.currentScale, rating > 100 ? 10 : 1);
    QCOMPARE(simulator.stop(), 0);
#endif
}

QTEST_GUILESS_MAIN(TestPollWorker)
#include "tst_poll_worker.moc"
