// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The relay's command register and the values the main window writes to it.
namespace motorcommand {
inline constexpr uint32_t commandRegister = 903;
inline constexpr int32_t start = 2;
inline constexpr int32_t stop = 0;
inline constexpr int32_t faultReset = 55;
} // namespace motorcommand

// Writes command values to the relay (MODBUS_Write06, register 903) on a thread
// of its own, so the window keeps painting while a write and its retries wait
// for the relay; each result comes back on the thread of this object, in the
// order sent. One command on the line at a time: a command sent while another
// is in flight waits in a queue and follows it, in the order the operator
// pressed them. The destructor waits for the write in progress.
class MotorCommandWriter : public QObject
{
    Q_OBJECT
public:
    // The link library's single-register write contract: 1 when the relay confirmed.
    using Write =
        std::function<int32_t(uint32_t address, uint32_t reg, const int32_t* value, uint32_t retries)>;

    explicit MotorCommandWriter(QObject* parent = nullptr, Write write = {});
    ~MotorCommandWriter() override;

    // Queues the command; it is written as soon as the ones before it are done.
    // False only when no thread could be started for it (nothing sent).
    bool send(int32_t value, uint32_t address, uint32_t retries);
    // A write in progress or waiting.
    bool isBusy() const;
    // Forgets the commands that have not gone on the line yet (the link is
    // about to close); the write in progress, if any, goes on.
    void dropQueued();
    // Waits until nothing is in progress or waiting. Any thread; results are
    // still delivered.
    void wait();

signals:
    void finished(int32_t value, int32_t result);

private:
    struct Command
    {
        int32_t value;
        uint32_t address;
        uint32_t retries;
    };
    void writeQueued();

    Write m_write;
    mutable std::mutex m_mutex; // guards everything below
    std::condition_variable m_idle;
    std::deque<Command> m_queue;
    bool m_writing = false; // the thread is at work (a write on the line or about to be)
    std::thread m_thread;   // writes the queue until it is empty, then ends
};
