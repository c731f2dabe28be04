// SPDX-License-Identifier: MIT
#pragma once

#include "PollBlocks.h"
#include "PollDisplay.h"
#include "ThroughputMeter.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

class MeasurementSnapshot;

namespace pollcycle {

// The flags the poll shares with the main window's connection and timer duties.
// Single atomics, each written by one side and read by the other.
struct PollFlags
{
    // 1 while the poll thread runs. start() sets it, the thread clears it as its
    // last action; to stop a poll use PollWorker::stop(), which also ends a wait
    // for the user-interface thread and joins.
    std::atomic<int32_t> bPollRunning{0};
    std::atomic<int32_t> bLinkOk{0};           // result of the last register block: 1 answered, 0 failed
    std::atomic<float> fParamsPerSecond{0.0f}; // registers read per second (identification sets 0)
};

// The two settings every request uses, as the program settings name them. The
// poll keeps its own copy: start() hands it the first, setSettings() a new one
// while it runs, which applies from the next request.
struct PollSettings
{
    int32_t nDeviceAddress = 0;
    uint32_t nRetries = 0;
};

// A register read with the link library's contract (MODBUS_Read03): bytes copied,
// or 0 or less on failure.
using RegisterReader = std::function<int32_t(uint32_t address, uint32_t firstRegister, uint32_t count,
                                             uint8_t* buffer, uint32_t bufferSize, uint32_t retries)>;

// PollThread: while connected, reads the relay's register blocks in their
// rotation (fast A-E every cycle, medium F-J every third, slow K-N every twelfth,
// all in the first), stores the decoded values in the snapshot, derives the
// per-phase powers, keeps bLinkOk and fParamsPerSecond, and hands each block's
// values to the display. A request follows the previous response at once; each
// cycle opens with a 1 ms pause. A failed block changes only bLinkOk.
//
// Before its first cycle, and before each further cycle until the relay has
// answered it, the poll reads block K (the transformer rating, register 150):
// currents (blocks A and F) and the fault list (block J, whose values may be
// currents) are not decoded with a guessed scale.
//
// start() and stop() belong to the connection manager: start() on the
// user-interface thread, stop() there or on its disconnect thread (while it
// runs, nothing else touches the worker). setSettings() may come from any thread.
// The worker's own state (countdowns, current scale unknown, restart delays 0,
// rated current present, throughput point) starts afresh with every start().
class PollWorker
{
public:
    PollWorker(MeasurementSnapshot& snapshot, PollFlags& flags, PollDisplay& display,
               RegisterReader read = {});
    ~PollWorker();
    PollWorker(const PollWorker&) = delete;
    PollWorker& operator=(const PollWorker&) = delete;

    // Starts the poll thread: bPollRunning becomes 1 before the thread exists, so a
    // stop() right after can never be lost; bLinkOk becomes 1 (the relay has just
    // been identified). False when a poll already runs, or, with bPollRunning 0,
    // when the thread cannot be created. Requests use `settings` until setSettings().
    bool start(PollSettings settings);

    // Any thread: the requests after the one in progress use `settings`.
    void setSettings(PollSettings settings);

    // Clears bPollRunning, ends a wait for the user-interface thread, and joins the
    // thread. It returns once the register call in progress (retries included) has
    // ended, so the link can be closed safely afterwards. Safe to call when not
    // running; never call it from the display.
    void stop();

    bool isRunning() const { return m_thread.joinable(); }

private:
    enum class Outcome { Read, Failed, Stopped };

    void run();
    void runCycles();
    bool stopRequested() const { return m_flags.bPollRunning.load() == 0; }
    // One block: read it, update bLinkOk and the count; words get the registers.
    Outcome readBlock(const BlockSpec& spec, std::span<uint16_t> words);
    // One block with its decoding and display step; false when the poll is to end.
    bool pollBlock(Block block);
    void decodeAndShow(Block block, std::span<const uint16_t> words);
    // The status block: fault list changes with the value reads of new faults.
    bool pollStatus(std::span<const uint16_t> words);
    bool waitForUi(StatusUpdate update);
    int32_t readRegisters(uint32_t firstRegister, uint32_t count, uint8_t* buffer);

    MeasurementSnapshot& m_snapshot;
    PollFlags& m_flags;
    std::atomic<PollSettings> m_settings{};
    PollDisplay& m_display;
    RegisterReader m_read;
    std::thread m_thread;

    // Wakes the 1 ms pause and a UI wait on stop().
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::shared_ptr<UiHandshake> m_uiWait;

    // Per-thread state.
    int m_currentScale = 10;
    bool m_currentScaleKnown = false; // block K answered in this poll
    bool m_ratedCurrentMissing = false;
    RestartDelaysUpdate m_restartDelays;
    std::optional<ThroughputMeter> m_throughput;
};

} // namespace pollcycle
