// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <cstdint>
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

// Writes one command value to the relay (MODBUS_Write06, register 903) on a
// short-lived thread of its own, so the window keeps painting while the write
// and its retries wait for the relay; the result comes back on the thread of
// this object. One command at a time: a click while one is on the line is
// ignored. The destructor waits for the write in progress.
class MotorCommandWriter : public QObject
{
    Q_OBJECT
public:
    // The link library's single-register write contract: 1 when the relay confirmed.
    using Write = std::function<int32_t(uint32_t address, uint32_t reg, const int32_t* value, uint32_t retries)>;

    explicit MotorCommandWriter(QObject* parent = nullptr, Write write = {});
    ~MotorCommandWriter() override;

    // False when a write is still in progress (nothing sent).
    bool send(int32_t value, uint32_t address, uint32_t retries);
    bool isBusy() const;
    // Waits for the write in progress, if any (its result is still delivered).
    void wait();

signals:
    void finished(int32_t value, int32_t result);

private:
    Write m_write;
    mutable std::mutex m_mutex; // guards m_thread and m_busy
    std::thread m_thread;
    bool m_busy = false;
};
