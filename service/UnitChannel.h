// SPDX-License-Identifier: MIT
#pragma once

// One relay unit of zrq7rec: its poll (the panel's PollWorker on the shared
// line), its recorder (the panel's Recorder, into the unit's day-file folder),
// its MQTT topics, and a thread of its own that connects it and keeps it
// connected:
//
//   identify (the panel's rule) -> poll -> silent for 6 s (the panel's link
//   watchdog: bLinkOk sampled once a second) -> link lost -> identify again
//   after 1 s, 2 s, 4 s ... at most 30 s between attempts.
//
// The recorder runs from start to stop, whatever the link does: while the unit
// is not polled its records carry link state 0, zero values and the link-lost
// fault. Each record written is also published as the unit's measurements.

#include "MqttPublisher.h"
#include "PollWorker.h"
#include "Recorder.h"
#include "ServiceDisplay.h"
#include "ServiceLog.h"
#include "SharedLine.h"
#include "UnitIdentification.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace zrq7rec {

struct UnitSetup
{
    int unit = 1;
    uint32_t retries = 3;
    uint32_t intervalSeconds = 1;
    std::filesystem::path folder;     // the unit's day files
    std::optional<MqttSettings> mqtt; // none: no broker
    Recorder::Clock clock;            // the recorder's local clock
};

class UnitChannel
{
public:
    UnitChannel(UnitSetup setup, SharedLine& line, ServiceLog& log);
    ~UnitChannel(); // stops whatever still runs
    UnitChannel(const UnitChannel&) = delete;
    UnitChannel& operator=(const UnitChannel&) = delete;

    // The publisher (when a broker is named), the recorder, and the unit's thread.
    // False with error set when one cannot start.
    bool start(std::string& error);

    // The stop, in the order the service takes it (the line is shut before the
    // request, so nothing waits for a turn on it):
    void stopRecording();  // the record in flight is finished, the file closed
    void requestStop();    // wakes the unit's thread; it stops the poll and ends
    void stopPublishing(); // status "offline", disconnected
    void join();           // the unit's thread (and with it the poll) has ended

    // The first identification attempt has ended (either way): for READY=1.
    bool firstAttemptDone() const { return m_firstAttemptDone.load(); }
    // The unit's work moved on within `bound`: its thread ticked while it waits,
    // or a register read of its poll or identification ended.
    bool aliveWithin(std::chrono::steady_clock::duration bound) const;
    // Once a second from the service's main loop: what the recorder left for it
    // (a day file held by another program is tried again, a damaged one put aside).
    void maintain();

    int unit() const { return m_setup.unit; }
    bool isPolling() const { return m_polling.load(); }

private:
    void run();
    // Polls until the relay falls silent or a stop; true when it fell silent.
    bool watchPoll();
    void goUp(const Identification& identification);
    void goDown(bool lost);
    void reportIdentificationFailure(const Identification& identification);
    // Waits `duration` in one-second steps (ticking), or until a stop; false on a stop.
    bool waitFor(std::chrono::steady_clock::duration duration);
    bool stopRequested() const { return m_stop.load(); }
    void touch();
    int32_t readRegisters(uint32_t address, uint32_t firstRegister, uint32_t count, uint8_t* buffer,
                          uint32_t bufferSize, uint32_t retries);
    void connectRecorder();
    void recordWritten(const _tagSTRUCT_DATA& record, const DbClockReading& time,
                       const std::filesystem::path& file);
    std::string prefix() const;

    const UnitSetup m_setup;
    SharedLine& m_line;
    ServiceLog& m_log;

    MeasurementSnapshot m_snapshot;
    pollcycle::PollFlags m_flags;
    std::unique_ptr<MqttPublisher> m_publisher;
    ServiceDisplay m_display;
    pollcycle::PollWorker m_poll;
    Recorder m_recorder;

    std::thread m_thread;
    std::mutex m_waitLock;
    std::condition_variable m_wake;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_firstAttemptDone{false};
    std::atomic<bool> m_polling{false};
    std::atomic<int64_t> m_lastActivity; // steady clock, nanoseconds
    bool m_everUp = false;
    int32_t m_lastFailure = 1; // the failure logged last (1: none yet)

    // The recorder's reports, taken up by maintain() (never from its own signals,
    // which it emits holding its lock).
    std::mutex m_recorderLock;
    std::filesystem::path m_openFile;
    std::optional<std::filesystem::path> m_damagedFile; // asked about; answered No
    bool m_recorderStopped = false; // seen not recording (a file held by another program, a failed write)
    std::chrono::steady_clock::time_point m_retryRecordingAt;
};

} // namespace zrq7rec
