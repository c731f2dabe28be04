// SPDX-License-Identifier: MIT
#pragma once

#include "LinkUse.h"

#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The two link library calls the parameters window makes, with the relay's
// MODBUS address and the retry count already bound (MODBUS_Read03 and
// MODBUS_Write06 contracts: bytes copied or 1 on success, 0 or less on failure).
struct RegisterLink
{
    std::function<int32_t(uint32_t firstRegister, uint32_t count, uint8_t* buffer, uint32_t bufferSize)> read;
    std::function<int32_t(uint32_t reg, int32_t value)> write;

    static RegisterLink library(uint32_t deviceAddress, uint32_t retries);
};

// One register of a transfer: the grid item it belongs to and, for writing, the
// value to send (register units).
struct TransferRegister
{
    int group;
    int row;
    uint16_t address;
    int32_t value;
    QString name; // the item's name, quoted when the register fails
};

// Every exchange of the parameters window runs here, on a thread of its own,
// one at a time: reading and writing all parameters, the clock synchronisation
// and the restart. Results reach the window through queued signals. After a
// failed register the worker asks the window (questionAsked) and waits until
// answer() arrives; requestStop() ends a transfer early (a pending question
// counts as Cancel), and linkUse() tells another thread when the exchange in
// progress has ended, so the link can be closed afterwards. Lives on the
// user-interface thread.
class ParameterTransfer : public QObject
{
    Q_OBJECT
public:
    enum class Kind { ReadAll, WriteAll, ClockSync, Restart };
    Q_ENUM(Kind)
    enum class Answer { Cancel, TryAgain, Continue };

    explicit ParameterTransfer(QObject* parent = nullptr);
    ~ParameterTransfer() override;

    // Each returns false (nothing started) while another transfer runs.
    // groupCount: for the progress, which moves once per group (i x 100 / n).
    bool startReadAll(RegisterLink link, std::vector<TransferRegister> registers, int groupCount);
    bool startWriteAll(RegisterLink link, std::vector<TransferRegister> registers, int groupCount);
    bool startClockSync(RegisterLink link);
    bool startRestart(RegisterLink link);

    bool isRunning() const;
    // The window's answer to question `id`; ignored when that question is over.
    void answer(quint64 id, Answer answer);
    // True while question `id` still waits for its answer.
    bool isWaitingFor(quint64 id) const;
    // Ends the running transfer at the next register without waiting for it.
    // Its finished() still arrives, with cancelled set.
    void requestStop();
    // requestStop(), then joins the transfer's thread.
    void stop();
    // Ends after the running transfer's last register call (at once when none
    // runs); any thread may wait for it.
    std::shared_ptr<LinkUse> linkUse() const { return m_linkUse; }

signals:
    void progressChanged(int percent);
    void registerRead(int group, int row, int32_t value);
    void registerWritten(int group, int row);
    // A failed register the operator chose to go on past.
    void registerSkipped(int group, int row);
    void questionAsked(quint64 id, const QString& text);
    // failures: for reading and writing, the registers not transferred: those
    // given up with Continue and, when cancelled (Cancel, or stop()), every
    // register from the one it stopped at to the end; for the clock 1 when it
    // failed. code: the clock synchronisation's failure code, 0 otherwise.
    void finished(ParameterTransfer::Kind kind, int failures, bool cancelled, int code);

private:
    bool begin(std::function<void()> work);
    void runRegisters(Kind kind, const RegisterLink& link, const std::vector<TransferRegister>& registers,
                      int groupCount);
    int runClockSync(const RegisterLink& link);
    Answer ask(const QString& text);
    // Waits up to `ms` unless stop() is called; false when stopped.
    bool pause(int ms);
    bool stopRequested() const;

    mutable std::mutex m_mutex; // guards everything below except m_thread (UI thread only)
    std::condition_variable m_wake;
    bool m_stop = false;
    quint64 m_questionId = 0;
    std::optional<Answer> m_answer;
    bool m_asking = false;
    std::thread m_thread;
    const std::shared_ptr<LinkUse> m_linkUse = std::make_shared<LinkUse>();
};
