// SPDX-License-Identifier: MIT
#include "ParameterTransfer.h"

#include "RelayClockRules.h"
#include "ZRQ7DLL.h"

#include <QDateTime>
#include <array>

using namespace zrq7::params;

namespace {

constexpr int kClockAttempts = 4;
constexpr int32_t kRestartCommand = 88;
constexpr uint32_t kCommandRegister = 903;
constexpr int kRestartPauseMs = 2000; // the relay is silent while it restarts

CalendarTime calendarTime(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime c = t.time();
    return {d.year(), d.month(), d.day(), c.hour(), c.minute(), c.second()};
}

} // namespace

RegisterLink RegisterLink::library(uint32_t deviceAddress, uint32_t retries)
{
    return {[=](uint32_t first, uint32_t count, uint8_t* buffer, uint32_t size) {
                return MODBUS_Read03(deviceAddress, first, count, buffer, size, retries);
            },
            [=](uint32_t reg, int32_t value) { return MODBUS_Write06(deviceAddress, reg, &value, retries); }};
}

ParameterTransfer::ParameterTransfer(QObject* parent) : QObject(parent) {}

ParameterTransfer::~ParameterTransfer()
{
    stop();
}

bool ParameterTransfer::isRunning() const
{
    return m_thread.joinable();
}

bool ParameterTransfer::begin(std::function<void()> work)
{
    if (m_thread.joinable())
        return false;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = false;
        m_asking = false;
    }
    m_linkUse->begin();
    try {
        m_thread = std::thread([work = std::move(work), use = m_linkUse] {
            work();
            use->end();
        });
    } catch (...) {
        m_linkUse->end();
        throw;
    }
    return true;
}

void ParameterTransfer::requestStop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void ParameterTransfer::stop()
{
    requestStop();
    if (m_thread.joinable())
        m_thread.join();
}

bool ParameterTransfer::stopRequested() const
{
    const std::lock_guard lock(m_mutex);
    return m_stop;
}

bool ParameterTransfer::pause(int ms)
{
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}

void ParameterTransfer::answer(quint64 id, Answer answer)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_asking || id != m_questionId)
            return;
        m_answer = answer;
    }
    m_wake.notify_all();
}

bool ParameterTransfer::isWaitingFor(quint64 id) const
{
    const std::lock_guard lock(m_mutex);
    return m_asking && id == m_questionId && !m_answer && !m_stop;
}

ParameterTransfer::Answer ParameterTransfer::ask(const QString& text)
{
    std::unique_lock lock(m_mutex);
    if (m_stop)
        return Answer::Cancel;
    const quint64 id = ++m_questionId;
    m_answer.reset();
    m_asking = true;
    lock.unlock();
    emit questionAsked(id, text);
    lock.lock();
    m_wake.wait(lock, [this] { return m_answer.has_value() || m_stop; });
    m_asking = false;
    return m_stop ? Answer::Cancel : *m_answer;
}

bool ParameterTransfer::startReadAll(RegisterLink link, std::vector<TransferRegister> registers,
                                     int groupCount)
{
    return begin([this, link = std::move(link), registers = std::move(registers), groupCount] {
        runRegisters(Kind::ReadAll, link, registers, groupCount);
    });
}

bool ParameterTransfer::startWriteAll(RegisterLink link, std::vector<TransferRegister> registers,
                                      int groupCount)
{
    return begin([this, link = std::move(link), registers = std::move(registers), groupCount] {
        runRegisters(Kind::WriteAll, link, registers, groupCount);
    });
}

void ParameterTransfer::runRegisters(Kind kind, const RegisterLink& link,
                                     const std::vector<TransferRegister>& registers, int groupCount)
{
    const bool reading = kind == Kind::ReadAll;
    int skipped = 0;
    std::optional<std::size_t> stoppedAt; // the first register not transferred after an interruption
    int shownGroup = -1;
    emit progressChanged(0);
    for (std::size_t i = 0; i < registers.size() && !stoppedAt; ++i) {
        const TransferRegister& reg = registers[i];
        if (reg.group != shownGroup && groupCount > 0) {
            shownGroup = reg.group;
            emit progressChanged(reg.group * 100 / groupCount);
        }
        for (;;) {
            if (stopRequested()) {
                stoppedAt = i;
                break;
            }
            bool done = false;
            if (reading) {
                std::array<uint8_t, 10> buffer{};
                // Both bytes of the register must have come back.
                if (link.read(reg.address, 1, buffer.data(), uint32_t(buffer.size())) >= 2) {
                    emit registerRead(reg.group, reg.row, int16_t(buffer[0] << 8 | buffer[1]));
                    done = true;
                }
            } else if (link.write(reg.address, reg.value) > 0) {
                emit registerWritten(reg.group, reg.row);
                done = true;
            }
            if (done)
                break;
            const QString text = (reading ? QStringLiteral("Błąd pobrania parametru 'adres:%1'\r\n\"%2\"")
                                          : QStringLiteral("Błąd zapisu parametru 'adres:%1'\r\n\"%2\""))
                                     .arg(reg.address)
                                     .arg(reg.name);
            const Answer answer = ask(text);
            if (answer == Answer::TryAgain)
                continue;
            if (answer == Answer::Cancel) {
                stoppedAt = i;
            } else {
                ++skipped;
                emit registerSkipped(reg.group, reg.row);
            }
            break;
        }
    }
    // Not transferred: those given up with Continue and, after an interruption,
    // the register it came at and every one after it.
    const int notTransferred = skipped + (stoppedAt ? int(registers.size() - *stoppedAt) : 0);
    emit progressChanged(0);
    emit finished(kind, notTransferred, stoppedAt.has_value(), 0);
}

bool ParameterTransfer::startClockSync(RegisterLink link)
{
    return begin([this, link = std::move(link)] {
        const int code = runClockSync(link);
        emit finished(Kind::ClockSync, code == 0 ? 0 : 1, stopRequested(), code);
    });
}

int ParameterTransfer::runClockSync(const RegisterLink& link)
{
    // Waits for the PC clock's next second boundary after `after`; empty when stopped.
    const auto nextSecond = [this](const QDateTime& after) -> std::optional<QDateTime> {
        for (;;) {
            const QDateTime now = QDateTime::currentDateTime();
            if (now.time().second() != after.time().second() || now.date() != after.date() ||
                now.time().minute() != after.time().minute())
                return now;
            if (!pause(1000 - now.time().msec()))
                return std::nullopt;
        }
    };
    int code = ClockReadFailed;
    QDateTime remembered = QDateTime::currentDateTime();
    for (int attempt = 0; attempt < kClockAttempts; ++attempt) {
        if (attempt > 0)
            remembered = QDateTime::currentDateTime();
        const auto setAt = nextSecond(remembered);
        if (!setAt)
            return code;
        const ClockRegisters words = clockRegistersFor(calendarTime(*setAt));
        code = 0;
        for (int field = 0; field < kClockRegisterCount && code == 0; ++field)
            if (link.write(kClockFirstRegister + uint32_t(field), words[std::size_t(field)]) != 1)
                code = ClockWriteSecondsFailed + field;
        if (code != 0)
            continue;
        const auto readAt = nextSecond(QDateTime::currentDateTime());
        if (!readAt)
            return ClockReadFailed;
        std::array<uint8_t, 20> buffer{};
        // All six registers (12 bytes) or nothing.
        if (link.read(kClockFirstRegister, kClockRegisterCount, buffer.data(), uint32_t(buffer.size())) <
            2 * kClockRegisterCount) {
            code = ClockReadFailed;
            continue;
        }
        ClockRegisters relay{};
        for (std::size_t i = 0; i < relay.size(); ++i)
            relay[i] = uint16_t(buffer[2 * i] << 8 | buffer[2 * i + 1]);
        code = compareRelayClock(relay, calendarTime(*readAt));
        if (code == 0)
            return 0;
    }
    return code;
}

bool ParameterTransfer::startRestart(RegisterLink link)
{
    return begin([this, link = std::move(link)] {
        link.write(kCommandRegister, kRestartCommand); // the relay may not answer: not looked at
        pause(kRestartPauseMs);
        emit finished(Kind::Restart, 0, stopRequested(), 0);
    });
}
