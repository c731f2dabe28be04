// SPDX-License-Identifier: MIT
#include "PollWorker.h"

#include "BlockDecoding.h"
#include "MeasurementSnapshot.h"
#include "PollSchedule.h"
#include "ZRQ7DLL.h"

#include <QDateTime>
#include <array>
#include <chrono>
#include <system_error>

namespace pollcycle {

namespace {
int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

// A request reads the settings without a lock.
static_assert(std::atomic<PollSettings>::is_always_lock_free);

PollWorker::PollWorker(MeasurementSnapshot& snapshot, PollFlags& flags, PollDisplay& display,
                       RegisterReader read)
    : m_snapshot(snapshot), m_flags(flags), m_display(display),
      m_read(read ? std::move(read) : RegisterReader(&MODBUS_Read03))
{
}

PollWorker::~PollWorker()
{
    stop();
}

bool PollWorker::start(PollSettings settings)
{
    if (m_thread.joinable()) {
        if (m_flags.bPollRunning.load() != 0)
            return false;
        m_thread.join(); // a poll that ended on its own
    }
    m_settings.store(settings);
    m_flags.bPollRunning.store(1);
    m_flags.bLinkOk.store(1);
    try {
        m_thread = std::thread(&PollWorker::run, this);
    } catch (const std::system_error&) {
        m_flags.bPollRunning.store(0);
        return false;
    }
    return true;
}

void PollWorker::setSettings(PollSettings settings)
{
    m_settings.store(settings);
}

void PollWorker::stop()
{
    m_flags.bPollRunning.store(0);
    {
        std::lock_guard lock(m_wakeMutex);
        if (m_uiWait)
            m_uiWait->cancel();
        m_wake.notify_all();
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void PollWorker::run()
{
    m_currentScale = 10;
    m_currentScaleKnown = false;
    m_ratedCurrentMissing = false;
    m_restartDelays = {};
    m_throughput.emplace(nowMs());
    try {
        runCycles();
    } catch (...) {
        // A display that throws ends the poll like a stop; the flag below tells the window.
    }
    m_flags.bPollRunning.store(0);
}

void PollWorker::runCycles()
{
    PollSchedule schedule;
    while (!stopRequested()) {
        {
            std::unique_lock lock(m_wakeMutex);
            if (m_wake.wait_for(lock, std::chrono::milliseconds(1), [this] { return stopRequested(); }))
                return;
        }
        if (const auto rate = m_throughput->sample(nowMs()))
            m_flags.fParamsPerSecond.store(*rate);
        // The transformer rating (block K) comes before everything else, and
        // again in every cycle until the relay has answered it: a current
        // decoded with a guessed scale could be ten times too large.
        if (!m_currentScaleKnown && !pollBlock(Block::K))
            return;

        for (Block block : {Block::A, Block::B, Block::C, Block::D, Block::E})
            if (!pollBlock(block))
                return;
        const PollSchedule::Groups groups = schedule.nextCycle();
        if (!groups.medium)
            continue;
        for (Block block : {Block::F, Block::G, Block::H, Block::I, Block::J})
            if (!pollBlock(block))
                return;
        if (!groups.slow)
            continue;
        for (Block block : {Block::K, Block::L, Block::M, Block::N})
            if (!pollBlock(block))
                return;
    }
}

int32_t PollWorker::readRegisters(uint32_t firstRegister, uint32_t count, uint8_t* buffer)
{
    const PollSettings settings = m_settings.load();
    return m_read(static_cast<uint32_t>(settings.nDeviceAddress), firstRegister, count, buffer,
                  readBufferBytes, settings.nRetries);
}

PollWorker::Outcome PollWorker::readBlock(const BlockSpec& spec, std::span<uint16_t> words)
{
    std::array<uint8_t, readBufferBytes> buffer{};
    const int32_t result = readRegisters(spec.firstRegister, spec.count, buffer.data());
    // A positive result shorter than the block would leave registers undecoded;
    // it counts as a failed read like any other.
    if (result <= 0 || result < 2 * spec.count) {
        m_flags.bLinkOk.store(0);
        return Outcome::Failed;
    }
    if (spec.block != Block::N)
        m_flags.bLinkOk.store(1);
    m_throughput->addRegisters(spec.count);
    wordsFromBytes(buffer, words.first(spec.count));
    return Outcome::Read;
}

bool PollWorker::pollBlock(Block block)
{
    const BlockSpec& spec = blockSpec(block);
    std::array<uint16_t, maxBlockRegisters> words{};
    if (readBlock(spec, words) == Outcome::Read) {
        const std::span<const uint16_t> registers(words.data(), spec.count);
        if (block == Block::J) {
            if (!pollStatus(registers))
                return false;
        } else {
            decodeAndShow(block, registers);
        }
    }
    return !stopRequested();
}

void PollWorker::decodeAndShow(Block block, std::span<const uint16_t> r)
{
    // A measurement block: its slots into the snapshot, then its display step.
    const auto storeAndShow = [this](const auto& update, auto show) {
        storeSlots(m_snapshot, update);
        (m_display.*show)(update);
    };
    if ((block == Block::A || block == Block::F) && !m_currentScaleKnown)
        return; // currents wait for the rating
    switch (block) {
    case Block::A:
        storeAndShow(decodeCurrents(r, m_currentScale), &PollDisplay::showCurrents);
        break;
    case Block::B:
        storeAndShow(decodeVoltages(r), &PollDisplay::showVoltages);
        break;
    case Block::C: {
        // The per-phase powers need this block's cos φ in the snapshot first.
        PowersUpdate u;
        u.measured = decodePowers(r);
        storeSlots(m_snapshot, u.measured);
        u.perPhase = derivePhasePowers(m_snapshot);
        storeSlots(m_snapshot, u.perPhase);
        m_display.showPowers(u);
        break;
    }
    case Block::D:
        storeAndShow(decodeEnergies(r), &PollDisplay::showEnergies);
        break;
    case Block::E:
        m_display.showRelayClock(decodeClock(r));
        break;
    case Block::F:
        storeAndShow(decodeAverageCurrents(r, m_currentScale), &PollDisplay::showAverageCurrents);
        break;
    case Block::G:
        storeAndShow(decodeMotorTimes(r), &PollDisplay::showMotorTimes);
        break;
    case Block::H:
        storeAndShow(decodeSensors(r), &PollDisplay::showSensors);
        break;
    case Block::I:
        storeAndShow(decodeHeating(r), &PollDisplay::showHeating);
        break;
    case Block::K: {
        const CurrentSettingsUpdate u = decodeCurrentSettings(r);
        m_currentScale = u.currentScale;
        m_currentScaleKnown = true;
        m_ratedCurrentMissing = u.ratedCurrentMissing;
        m_display.showCurrentSettings(u);
        break;
    }
    case Block::L:
        m_display.showLineVoltageLimits(decodeLineVoltageLimits(r));
        break;
    case Block::M:
        m_restartDelays = decodeRestartDelays(r);
        m_display.showRestartDelays(m_restartDelays);
        break;
    case Block::N:
        m_display.showMotorControl(decodeMotorControl(r));
        break;
    case Block::J:
        break; // pollStatus
    }
}

bool PollWorker::pollStatus(std::span<const uint16_t> r)
{
    // A fault's value may be a current: the list waits for the rating too.
    if (!m_currentScaleKnown)
        return !stopRequested();
    StatusUpdate update;
    update.statusWord = r[0];
    update.faultMask = static_cast<uint32_t>(r[2]) << 16 | r[1];
    update.noFault = (update.statusWord & 1) == 0 && !m_ratedCurrentMissing;
    update.restartBarMax =
        restartBarMaxFor(update, m_restartDelays.afterMinimumCurrent, m_restartDelays.restart);
    if (!update.noFault) {
        update.faultIndicator = faultIndicatorFor(update.statusWord, m_ratedCurrentMissing);
        const auto flags = faultFlagsFor(update.faultMask, m_ratedCurrentMissing);
        for (int i = 0; i < faultEntryCount; ++i) {
            if (flags[i] == m_snapshot.IsFaultActive(i))
                continue;
            FaultChange change{i, flags[i], {}};
            if (change.active) {
                std::optional<uint16_t> raw;
                if (const uint32_t reg = dll_nErrInfo[i].nRegister; reg != 0) {
                    std::array<uint8_t, readBufferBytes> buffer{};
                    if (readRegisters(reg, 1, buffer.data()) >= 2) {
                        raw = static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
                        m_throughput->addRegisters(1);
                    }
                    if (stopRequested())
                        return false;
                }
                const QDateTime now = QDateTime::currentDateTime();
                change.row = {i, faultValueText(i, raw, m_currentScale),
                              now.toString(QStringLiteral("HH:mm:ss")),
                              now.toString(QStringLiteral("dd.MM.yyyy"))};
            }
            update.changes.push_back(std::move(change));
        }
    }
    return waitForUi(std::move(update));
}

bool PollWorker::waitForUi(StatusUpdate update)
{
    auto handshake = std::make_shared<UiHandshake>();
    {
        std::lock_guard lock(m_wakeMutex);
        m_uiWait = handshake;
    }
    // stop() cancels the handshake it finds; one that came later sees the flag here.
    if (stopRequested())
        handshake->cancel();
    m_display.showStatus(update, UiTicket(handshake));
    handshake->wait([this] { return stopRequested(); });
    {
        std::lock_guard lock(m_wakeMutex);
        m_uiWait.reset();
    }
    return !stopRequested();
}

} // namespace pollcycle
