// SPDX-License-Identifier: MIT
#include "Recorder.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <system_error>

namespace {

// How far behind the file's last record the clock may be for a record to wait
// for it, in seconds.
constexpr int kLongestWaitForClock = 60;

const QString openFailedText = QStringLiteral(
    "Błąd krytyczny, nie można utworzyć lub otworzyć pliku bazy danych. Należy ponownie uruchomić program. "
    "Prawdopodobnie potrzebne będzie ręczne usunięcie pliku przez użytkownika.");
const QString tooShortText = QStringLiteral("Bieżący plik bazy danych jest uszkodzony. Dalsza praca z danym "
                                            "plikiem jest niemożliwa.\r\nCzy chcesz usunąć plik?");
const QString wrongFormatText =
    QStringLiteral("Bieżący plik bazy danych jest uszkodzony lub posiada przestarzałą wersję. Dalsza praca z "
                   "danym plikiem jest niemożliwa.\r\nCzy chcesz usunąć plik?");
const QString headerFailedText = QStringLiteral(
    "Błąd krytyczny, nie można utworzyć pliku bazy danych. Należy ponownie uruchomić program.");

QString fileName(const std::filesystem::path& path)
{
    return QString::fromStdString(path.filename().string());
}

QString busyText(const std::filesystem::path& path)
{
    return QStringLiteral("Plik bazy danych %1 jest zapisywany przez inny uruchomiony program CPL_ZRQ7. "
                          "Zapis danych został wyłączony.")
        .arg(fileName(path));
}

QString writeFailedText(const std::filesystem::path& path, int error)
{
    const QString reason = error == ENOSPC ? QStringLiteral(" (brak miejsca na dysku)") : QString();
    return QStringLiteral(
               "Nie można zapisać danych do pliku bazy danych %1%2. Zapis danych został zatrzymany.")
        .arg(fileName(path), reason);
}

DbClockReading readingOf(std::time_t t)
{
    std::tm local{};
    localtime_r(&t, &local);
    return {
        {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900}, local.tm_hour, local.tm_min, local.tm_sec};
}

} // namespace

Recorder::Recorder(Setup setup, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)), m_writer(m_setup.write)
{
    if (!m_setup.clock)
        m_setup.clock = &Recorder::localClock;
}

Recorder::~Recorder()
{
    quit();
}

DbClockReading Recorder::localClock()
{
    return readingOf(std::time(nullptr));
}

Recorder::Clock Recorder::programClock()
{
    // ZRQ7_RECORDER_CLOCK=YYYY-MM-DDTHH:MM:SS starts the recorder's clock at that
    // local time, running on from there (tests reach midnight without waiting).
    const char* start = std::getenv("ZRQ7_RECORDER_CLOCK");
    std::tm tm{};
    if (!start || std::sscanf(start, "%d-%d-%dT%d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                              &tm.tm_min, &tm.tm_sec) != 6)
        return &Recorder::localClock;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    const std::time_t origin = std::mktime(&tm);
    const auto began = std::chrono::steady_clock::now();
    return [origin, began] {
        const auto elapsed = std::chrono::steady_clock::now() - began;
        return readingOf(origin + std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
    };
}

bool Recorder::start(bool autoRecord)
{
    std::lock_guard startGuard(m_startLock);
    if (m_thread.joinable()) {
        if (m_running.load())
            return true;
        m_thread.join(); // an earlier thread that gave up
    }
    {
        std::lock_guard lock(m_mutex);
        m_state.store(m_state.load() & ~REC_QUIT);
        m_begun = false;
    }
    try {
        m_thread = std::thread([this, autoRecord] { run(autoRecord); });
    } catch (const std::system_error&) {
        return false;
    }
    std::unique_lock lock(m_mutex);
    return m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_begun; });
}

void Recorder::quit()
{
    std::lock_guard startGuard(m_startLock);
    {
        std::lock_guard lock(m_mutex);
        m_state.store(REC_QUIT);
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void Recorder::record()
{
    {
        std::lock_guard lock(m_mutex);
        const int state = m_state.load();
        m_state.store(state & REC_PAUSED ? state & ~REC_PAUSED : state | REC_ON);
    }
    m_wake.notify_all();
}

void Recorder::togglePause()
{
    {
        std::lock_guard lock(m_mutex);
        m_state.store(m_state.load() ^ REC_PAUSED);
    }
    m_wake.notify_all();
}

void Recorder::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_state.store(m_state.load() & ~(REC_ON | REC_PAUSED));
    }
    m_wake.notify_all();
}

void Recorder::setInterval(std::uint32_t seconds)
{
    {
        std::lock_guard lock(m_mutex);
        m_interval.store(ClampRecordInterval(seconds));
    }
    m_wake.notify_all();
}

void Recorder::answer(bool yes)
{
    {
        std::lock_guard lock(m_mutex);
        m_answer = yes ? 1 : 0;
    }
    m_wake.notify_all();
}

void Recorder::setState(int state)
{
    // A quit asked meanwhile stays asked.
    m_state.store(state | (m_state.load() & REC_QUIT));
    emit stateChanged(m_state.load());
}

// The beat falls in the middle of the clock's seconds: a record taken there
// carries the next whole second, whichever way the wake-up strays by less
// than half a second.
std::chrono::steady_clock::duration Recorder::offsetToMidSecond()
{
    const auto sinceSecond = std::chrono::system_clock::now().time_since_epoch() % std::chrono::seconds(1);
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::milliseconds(500) -
                                                                           sinceSecond);
}

void Recorder::run(bool autoRecord)
{
    std::unique_lock lock(m_mutex);
    m_running.store(true);
    m_begun = true;
    m_wake.notify_all();
    if (autoRecord && !(m_state.load() & REC_QUIT)) {
        setState(REC_ON);
        emit recordingStarted();
    }
    while (!(m_state.load() & REC_QUIT)) {
        if (m_state.load() & REC_ON) {
            if (!recordTurn(lock))
                break;
        } else {
            if (m_writer.isOpen())
                closeFile(lock);
            m_writerBusy.store(false);
            m_beat.reset(); // a restart begins a new beat
            m_wake.wait(lock, [this] { return m_state.load() & (REC_ON | REC_QUIT); });
            continue;
        }
        if (m_state.load() & REC_PAUSED) {
            // The resume writes at once and begins a new beat: the old one
            // would count that record as the one due and follow it within
            // less than an interval.
            m_beat.reset();
            m_wake.wait(lock,
                        [this] { return !(m_state.load() & REC_PAUSED) || (m_state.load() & REC_QUIT); });
        }
    }
    if (m_writer.isOpen())
        closeFile(lock);
    m_state.store(0);
    m_writerBusy.store(false);
    m_running.store(false);
    lock.unlock();
    m_wake.notify_all();
    emit finished();
}

bool Recorder::recordTurn(std::unique_lock<std::mutex>& lock)
{
    m_writerBusy.store(true);
    if (!m_writer.isOpen())
        return openDayFile(lock);

    // One clock reading decides the file and stamps the record.
    const DbClockReading now = m_setup.clock();
    if (!(now.date == m_writer.date())) {
        closeFile(lock); // past midnight: the next turn opens the new day's file
        return true;
    }
    const int aheadOfClock = m_writer.lastRecordSecond() - (now.hour * 3600 + now.minute * 60 + now.second);
    if (aheadOfClock >= 0 && aheadOfClock <= kLongestWaitForClock) {
        // The file has a record of this second already (a resume or a restart
        // within it, a copy of the program just ended) or of one a little later
        // (the clock was stepped back): times in a day file only go forward, so
        // this record waits for the clock to pass the last one. A clock set back
        // further (the end of summer time) is not waited for: an hour without
        // records would lose more than a stretch of repeated times.
        m_beat.reset();
        const auto nextSecond =
            std::chrono::steady_clock::now() + offsetToMidSecond() + std::chrono::milliseconds(500);
        waitWhileRecording(lock, [nextSecond] { return nextSecond; });
        return true;
    }
    const _tagSTRUCT_DATA record = takeRecord(now);
    lock.unlock();
    const bool written = m_writer.append(record);
    if (written && m_setup.written)
        m_setup.written(record, now, m_writer.path());
    lock.lock();
    if (!written) {
        const QString text = writeFailedText(m_writer.path(), m_writer.lastError());
        closeFile(lock);
        setState(0);
        emit errorMessage(text);
        return true;
    }

    // Records keep a steady beat: the next is due one interval after this one
    // was due, not after it was written, so write times and late wake-ups
    // never add up to a lost interval. A stop, a quit or a shorter interval
    // ends the wait early.
    const auto writtenAt = std::chrono::steady_clock::now();
    const auto interval = [&] { return std::chrono::seconds(m_interval.load()); };
    // This record was due one interval after the last; the first one, or one
    // written a whole interval late (a stalled disk), starts a new beat; so do
    // a resume and a restart (run).
    const bool onBeat = m_beat && *m_beat + 2 * interval() > writtenAt;
    m_beat = onBeat ? *m_beat + interval() : writtenAt + offsetToMidSecond();
    waitWhileRecording(lock, [&] { return *m_beat + interval(); });
    return true;
}

void Recorder::waitWhileRecording(std::unique_lock<std::mutex>& lock,
                                  const std::function<std::chrono::steady_clock::time_point()>& until)
{
    while ((m_state.load() & REC_ON) && !(m_state.load() & REC_QUIT) &&
           std::chrono::steady_clock::now() < until())
        m_wake.wait_until(lock, until());
}

bool Recorder::openDayFile(std::unique_lock<std::mutex>& lock)
{
    // One reading names the file and dates its header.
    const DbClockReading now = m_setup.clock();
    lock.unlock();
    std::error_code ignored; // made at start; a folder removed meanwhile comes back
    std::filesystem::create_directories(m_setup.folder, ignored);
    const DbOpenStatus status = m_writer.open(m_setup.folder, now.date);
    lock.lock();
    switch (status) {
    case DbOpenStatus::Created:
    case DbOpenStatus::Reopened: {
        struct stat info
        {
        };
        if (::stat(m_writer.path().c_str(), &info) == 0) {
            std::lock_guard held(m_heldLock);
            m_held = std::pair<std::uint64_t, std::uint64_t>(info.st_dev, info.st_ino);
        }
        return true;
    }
    case DbOpenStatus::Busy:
        // Another copy of the program records today: stay idle, keep the thread.
        setState(0);
        m_writerBusy.store(false);
        emit warningMessage(busyText(m_writer.path()));
        return true;
    case DbOpenStatus::TooShort:
    case DbOpenStatus::WrongFormat: {
        setState(0);
        const std::filesystem::path path = m_writer.path();
        if (ask(lock, status == DbOpenStatus::TooShort ? tooShortText : wrongFormatText))
            std::filesystem::remove(path, ignored);
        return false;
    }
    case DbOpenStatus::OpenFailed:
    case DbOpenStatus::ReadFailed:
        setState(0);
        emit errorMessage(openFailedText);
        emit databaseUnavailable();
        return false;
    case DbOpenStatus::HeaderWriteFailed:
        setState(0);
        emit errorMessage(headerFailedText);
        emit databaseUnavailable();
        return false;
    }
    return false;
}

bool Recorder::ask(std::unique_lock<std::mutex>& lock, const QString& text)
{
    m_answer = -1;
    emit question(text);
    // A quit while the question is open counts as No.
    m_wake.wait(lock, [this] { return m_answer >= 0 || (m_state.load() & REC_QUIT); });
    return m_answer == 1;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> Recorder::heldFile() const
{
    std::lock_guard held(m_heldLock);
    return m_held;
}

void Recorder::closeFile(std::unique_lock<std::mutex>& lock)
{
    {
        std::lock_guard held(m_heldLock);
        m_held.reset();
    }
    lock.unlock();
    m_writer.close();
    lock.lock();
    emit fileReleased();
}

_tagSTRUCT_DATA Recorder::takeRecord(const DbClockReading& now) const
{
    _tagSTRUCT_DATA record;
    const MeasurementSnapshot& snapshot = *m_setup.snapshot;
    record.nLinkState = snapshot.LinkState() & 0xFF;
    record.stTime.wHour = static_cast<std::uint16_t>(now.hour);
    record.stTime.wMinute = static_cast<std::uint16_t>(now.minute);
    record.stTime.wSecond = static_cast<std::uint16_t>(now.second);
    for (int i = 0; i < DbFaultCount; ++i)
        record.bFaultActive[i] = snapshot.IsFaultActive(i) ? 1 : 0;
    snapshot.CopyMeasurements(record.nValue.data(), sizeof(record.nValue));
    return record;
}
