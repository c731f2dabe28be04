// SPDX-License-Identifier: MIT
#pragma once

#include "DayFile.h"
#include "MeasurementSnapshot.h"
#include "RecorderState.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

// The recorder thread: once per recording interval, while recording is on, it
// copies the snapshot's 53 values, its 40 fault flags and the link state with
// one clock reading into one record of the day file (DayFile.h). Records are
// written with and without a link.
//
// It never touches a widget: what the window must show or ask goes out as
// queued signals, and a question waits for answer() (or for quit()). Waits are
// on a condition variable, so a stop or a quit takes effect at once, never
// later than 100 ms. At most one thread runs per recorder; a second program's
// recorder finds today's file held (DbOpenStatus::Busy) and stays idle.
class Recorder : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<DbClockReading()>;

    struct Setup
    {
        MeasurementSnapshot* snapshot = nullptr;
        std::filesystem::path folder;             // the recordings folder (zrq_db)
        Clock clock;                              // the local clock; tests move it to midnight
        DayFileWriter::WriteCall write = nullptr; // pwrite unless a test fails it
        // Called on the recorder thread after each record it wrote, with the clock
        // reading that stamped it and the file it went into (the recorder service
        // publishes the same record); none of the recorder's locks is held.
        std::function<void(const _tagSTRUCT_DATA&, const DbClockReading&, const std::filesystem::path&)>
            written = nullptr;
    };

    Recorder(Setup setup, QObject* parent = nullptr);
    ~Recorder() override; // quits and joins

    // RecorderThread: starts the thread unless one runs. `autoRecord`
    // (bAutoRecord) switches recording on as the thread begins. Returns once
    // the thread has begun, or false when it could not be created.
    bool start(bool autoRecord);
    // nRecState = REC_QUIT, every wait ends, the thread is joined; the day file
    // is released. Returns within about 100 ms (a write in progress finishes).
    void quit();

    // "Zapis": resumes a pause, else switches recording on.
    void record();
    // "Pauza": toggles the pause; it takes effect after the current interval.
    void togglePause();
    // "Stop": switches recording off. The writer closes the day file and then
    // emits fileReleased().
    void stop();
    // "Interwał zapisu [s]", already clamped to 1..86400; a wait in progress
    // follows the new value.
    void setInterval(std::uint32_t seconds);
    // The operator's answer to question().
    void answer(bool yes);

    // Device and inode of the day file the thread holds open, if any (any
    // thread): the recordings list refuses to delete that file.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> heldFile() const;

    int state() const { return m_state.load(); }            // nRecState
    bool running() const { return m_running.load(); }       // bRecorderRunning
    bool writerBusy() const { return m_writerBusy.load(); } // bWriterBusy

    static DbClockReading localClock();
    // The local clock, or for tests the clock that ZRQ7_RECORDER_CLOCK starts.
    static Clock programClock();

signals:
    // The buttons follow RecordButtonsFor(state).
    void stateChanged(int nRecState);
    // Recording was switched on by the thread (automatic recording): the list
    // is to be refreshed 5 s later.
    void recordingStarted();
    // A message to show: error icon, caption "Błąd", topmost, no owner (warning:
    // caption "Uwaga", warning icon).
    void errorMessage(const QString& text);
    void warningMessage(const QString& text);
    // A Yes/No question with the error icon; answer() must follow.
    void question(const QString& text);
    // The thread gave up on a failed file: "Baza danych" is disabled.
    void databaseUnavailable();
    // The day file was closed after a stop, a failed write or at midnight.
    void fileReleased();
    // The thread has ended (its running flag is 0).
    void finished();

private:
    void run(bool autoRecord);
    // One turn of the loop with recording on; false ends the thread.
    bool recordTurn(std::unique_lock<std::mutex>& lock);
    bool openDayFile(std::unique_lock<std::mutex>& lock);
    // Waits until the time `until` gives (asked again after every wake-up)
    // while recording stays on; a stop or a quit ends it early.
    void waitWhileRecording(std::unique_lock<std::mutex>& lock,
                            const std::function<std::chrono::steady_clock::time_point()>& until);
    bool ask(std::unique_lock<std::mutex>& lock, const QString& text);
    void closeFile(std::unique_lock<std::mutex>& lock);
    void setState(int state); // with m_mutex held
    _tagSTRUCT_DATA takeRecord(const DbClockReading& now) const;
    static std::chrono::steady_clock::duration offsetToMidSecond();

    Setup m_setup;
    DayFileWriter m_writer;
    std::thread m_thread;
    std::mutex m_startLock; // start() and quit() from the UI thread only, but never together

    std::mutex m_mutex; // guards the waits below; the flags are atomics for readers
    std::condition_variable m_wake;
    std::atomic<int> m_state{0};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_writerBusy{false};
    std::atomic<std::uint32_t> m_interval{1};
    mutable std::mutex m_heldLock; // guards m_held only
    std::optional<std::pair<std::uint64_t, std::uint64_t>> m_held;
    int m_answer = -1;    // -1 none yet, 0 No, 1 Yes
    bool m_begun = false; // the thread has set its running flag
    std::optional<std::chrono::steady_clock::time_point>
        m_beat; // when the record just written was due; recorder thread only
};
