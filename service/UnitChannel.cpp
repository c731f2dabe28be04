// SPDX-License-Identifier: MIT
#include "UnitChannel.h"

#include "DayFile.h"
#include "FaultList.h"
#include "ZRQ7DLL.h"

#include <algorithm>
#include <system_error>

namespace zrq7rec {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Seconds of failing reads the panel's link watchdog lets pass; the next one is a lost link.
constexpr int silenceGraceSeconds = 5;
// A recorder that stopped (a day file held by another program, a failed write) tries again.
constexpr auto recorderRetry = 30s;

// Waits between identification attempts: 1 s, doubling after each failure, at most 30 s.
class ReconnectBackoff
{
public:
    Clock::duration next()
    {
        const Clock::duration wait = m_next;
        m_next = std::min<Clock::duration>(m_next * 2, 30s);
        return wait;
    }
    void reset() { m_next = 1s; }

private:
    Clock::duration m_next = 1s;
};

int64_t ticks(Clock::time_point time)
{
    return time.time_since_epoch().count();
}

// A recorder message as one log line.
std::string oneLine(const QString& text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.toStdString();
}

// A damaged day file moves aside (never deleted: it may hold a day's data) so
// that recording goes on in a fresh file of the same name.
std::filesystem::path putAside(const std::filesystem::path& file)
{
    std::error_code error;
    for (int n = 1; n < 1000; ++n) {
        std::filesystem::path aside = file;
        aside += ".uszkodzony" + (n == 1 ? std::string() : "." + std::to_string(n));
        if (std::filesystem::exists(aside, error))
            continue;
        std::filesystem::rename(file, aside, error);
        return error ? std::filesystem::path() : aside;
    }
    return {};
}

} // namespace

UnitChannel::UnitChannel(UnitSetup setup, SharedLine& line, ServiceLog& log)
    : m_setup(std::move(setup)), m_line(line), m_log(log),
      m_display(m_snapshot,
                [this](const std::vector<ActiveFault>& faults) {
                    if (m_publisher)
                        m_publisher->publishFaults(faults);
                }),
      m_poll(
          m_snapshot, m_flags, m_display,
          [this](uint32_t address, uint32_t first, uint32_t count, uint8_t* buffer, uint32_t size,
                 uint32_t retries) { return readRegisters(address, first, count, buffer, size, retries); }),
      m_recorder(
          Recorder::Setup{&m_snapshot, m_setup.folder, m_setup.clock, nullptr,
                          [this](const _tagSTRUCT_DATA& record, const DbClockReading& time,
                                 const std::filesystem::path& file) { recordWritten(record, time, file); }}),
      m_lastActivity(ticks(Clock::now()))
{
}

UnitChannel::~UnitChannel()
{
    stopRecording();
    requestStop();
    join();
    stopPublishing();
}

std::string UnitChannel::prefix() const
{
    return "przekaźnik " + std::to_string(m_setup.unit) + ": ";
}

bool UnitChannel::start(std::string& error)
{
    if (m_setup.mqtt) {
        m_publisher = std::make_unique<MqttPublisher>(
            *m_setup.mqtt, m_setup.unit, [this](const std::string& line) { m_log.event(prefix() + line); });
        if (!m_publisher->start(error))
            return false;
    }
    connectRecorder();
    m_recorder.setInterval(m_setup.intervalSeconds);
    if (!m_recorder.start(true)) {
        error = prefix() + "nie można uruchomić zapisu";
        return false;
    }
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        error = prefix() + "nie można uruchomić wątku";
        return false;
    }
    return true;
}

void UnitChannel::requestStop()
{
    {
        std::lock_guard lock(m_waitLock);
        m_stop.store(true);
    }
    m_wake.notify_all();
}

void UnitChannel::stopRecording()
{
    m_recorder.quit();
}

void UnitChannel::stopPublishing()
{
    if (m_publisher)
        m_publisher->stop();
}

void UnitChannel::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool UnitChannel::aliveWithin(std::chrono::steady_clock::duration bound) const
{
    return ticks(Clock::now()) - m_lastActivity.load() < Clock::duration(bound).count();
}

void UnitChannel::touch()
{
    m_lastActivity.store(ticks(Clock::now()));
}

int32_t UnitChannel::readRegisters(uint32_t address, uint32_t firstRegister, uint32_t count, uint8_t* buffer,
                                   uint32_t bufferSize, uint32_t retries)
{
    const int32_t result = m_line.read(address, firstRegister, count, buffer, bufferSize, retries);
    touch();
    return result;
}

bool UnitChannel::waitFor(std::chrono::steady_clock::duration duration)
{
    const auto until = Clock::now() + duration;
    std::unique_lock lock(m_waitLock);
    while (!stopRequested()) {
        if (!m_polling.load())
            touch(); // waiting is all there is to do; a poll shows it lives by its reads
        const auto now = Clock::now();
        if (now >= until)
            return true;
        m_wake.wait_until(lock, std::min(until, now + 1s));
    }
    return false;
}

void UnitChannel::run()
{
    ReconnectBackoff backoff;
    const auto read = [this](uint32_t address, uint32_t first, uint32_t count, uint8_t* buffer, uint32_t size,
                             uint32_t retries) {
        return readRegisters(address, first, count, buffer, size, retries);
    };
    while (!stopRequested()) {
        touch();
        Identification identification;
        if (m_line.prepareForIdentification())
            identification =
                identifyUnit(read, m_setup.unit, m_setup.retries, [this] { return stopRequested(); });
        else
            identification.result = LINK_ERR_IO;
        if (stopRequested())
            break;
        if (identification.result != 0) {
            reportIdentificationFailure(identification);
            m_firstAttemptDone.store(true);
            if (!waitFor(backoff.next()))
                break;
            continue;
        }
        backoff.reset();
        goUp(identification);
        m_firstAttemptDone.store(true);
        const bool lost = watchPoll();
        goDown(lost);
        if (lost && !waitFor(backoff.next()))
            break;
    }
    if (m_polling.load())
        goDown(false);
    m_firstAttemptDone.store(true);
}

bool UnitChannel::watchPoll()
{
    int silentSeconds = 0;
    while (waitFor(1s)) {
        if (m_flags.bPollRunning.load() == 0)
            return true; // the poll ended by itself
        if (m_flags.bLinkOk.load() == 1)
            silentSeconds = 0;
        else if (++silentSeconds > silenceGraceSeconds)
            return true;
    }
    return false;
}

void UnitChannel::goUp(const Identification& identification)
{
    m_display.clearFaults();
    m_snapshot.ClearMeasurements();
    if (m_publisher) {
        m_publisher->publishIdentity(
            UnitIdentity{identification.id, identification.firmware, m_setup.unit, m_line.text()});
        m_publisher->publishFaults(m_display.activeFaults());
    }
    m_snapshot.SetLinkState(1);
    m_line.unitUp();
    m_polling.store(true);
    touch();
    if (!m_poll.start(pollcycle::PollSettings{m_setup.unit, m_setup.retries}))
        m_log.event(prefix() + "nie można uruchomić odczytu");
    m_log.event(prefix() + (m_everUp ? "łącze przywrócone" : "połączono") + " (" + m_line.text() + ", id " +
                std::to_string(identification.id) + ", wersja " + std::to_string(identification.firmware) +
                ")");
    m_everUp = true;
    m_lastFailure = 1;
}

void UnitChannel::goDown(bool lost)
{
    m_poll.stop();
    m_polling.store(false);
    m_line.unitDown();
    m_snapshot.SetLinkState(0);
    m_snapshot.ClearMeasurements();
    if (lost) {
        m_display.showLinkLost();
        m_log.event(prefix() + "łącze utracone");
    }
}

void UnitChannel::reportIdentificationFailure(const Identification& identification)
{
    m_display.showLinkLost();
    std::string text;
    if (identification.result == -1)
        text = "to nie jest zgodny przekaźnik (id " + std::to_string(identification.id) + ", wersja " +
               std::to_string(identification.firmware) + ")";
    else if (identification.result == -2)
        text = "brak odpowiedzi";
    else
        text = "brak odpowiedzi (błąd łącza " + std::to_string(identification.result) + ")";
    if (identification.result != m_lastFailure)
        m_log.event(prefix() + text);
    else
        m_log.detail(prefix() + text);
    m_lastFailure = identification.result;
}

void UnitChannel::connectRecorder()
{
    // Direct calls on the recorder's thread, which holds its lock meanwhile: the
    // handlers only log and leave notes for maintain().
    QObject::connect(&m_recorder, &Recorder::errorMessage,
                     [this](const QString& text) { m_log.event(prefix() + "zapis: " + oneLine(text)); });
    QObject::connect(&m_recorder, &Recorder::warningMessage,
                     [this](const QString& text) { m_log.event(prefix() + "zapis: " + oneLine(text)); });
    QObject::connect(&m_recorder, &Recorder::question, [this](const QString&) {
        const auto file = DbFilePath(m_setup.folder, m_setup.clock().date);
        m_log.event(prefix() + "plik dzienny " + file.string() + " jest uszkodzony lub w innym formacie");
        std::lock_guard lock(m_recorderLock);
        m_damagedFile = file;
    });
    QObject::connect(&m_recorder, &Recorder::fileReleased, [this] {
        std::lock_guard lock(m_recorderLock);
        if (!m_openFile.empty())
            m_log.event(prefix() + "plik zamknięty: " + m_openFile.string());
        m_openFile.clear();
    });
}

void UnitChannel::recordWritten(const _tagSTRUCT_DATA& record, const DbClockReading& time,
                                const std::filesystem::path& file)
{
    {
        std::lock_guard lock(m_recorderLock);
        if (file != m_openFile) {
            m_openFile = file;
            m_log.event(prefix() + "plik otwarty: " + file.string());
        }
    }
    if (m_publisher)
        m_publisher->publishMeasurements(readingOfRecord(record, timeOf(time)));
}

void UnitChannel::maintain()
{
    std::optional<std::filesystem::path> damaged;
    {
        std::lock_guard lock(m_recorderLock);
        damaged = m_damagedFile;
    }
    const auto now = Clock::now();
    if (damaged) {
        // The panel would ask whether to delete it; unattended, the answer is No,
        // the recorder gives up on it, and the file is kept aside.
        if (m_recorder.running()) {
            m_recorder.answer(false);
            return;
        }
        const std::filesystem::path aside = putAside(*damaged);
        m_log.event(prefix() + (aside.empty() ? "nie można odłożyć pliku " + damaged->string()
                                              : "plik odłożony jako " + aside.string()));
        {
            std::lock_guard lock(m_recorderLock);
            m_damagedFile.reset();
        }
        m_retryRecordingAt = now + (aside.empty() ? recorderRetry : 0s);
    }
    const bool recording = m_recorder.running() && (m_recorder.state() & REC_ON) != 0;
    if (recording) {
        m_recorderStopped = false;
        return;
    }
    if (!m_recorderStopped) {
        // Stopped since the last look: try again after a while.
        m_recorderStopped = true;
        if (m_retryRecordingAt < now)
            m_retryRecordingAt = now + recorderRetry;
        return;
    }
    if (now < m_retryRecordingAt)
        return;
    m_recorderStopped = false;
    m_log.detail(prefix() + "ponowna próba zapisu");
    if (m_recorder.running())
        m_recorder.record();
    else
        m_recorder.start(true);
}

} // namespace zrq7rec
