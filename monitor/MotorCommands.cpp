// SPDX-License-Identifier: MIT
#include "MotorCommands.h"

#include "ZRQ7DLL.h"

#include <QMetaObject>
#include <system_error>

MotorCommandWriter::MotorCommandWriter(QObject* parent, Write write)
    : QObject(parent), m_write(write ? std::move(write) : Write(&MODBUS_Write06))
{
}

MotorCommandWriter::~MotorCommandWriter()
{
    wait();
    std::lock_guard lock(m_mutex);
    if (m_thread.joinable())
        m_thread.join(); // it has nothing left to do but end
}

bool MotorCommandWriter::isBusy() const
{
    std::lock_guard lock(m_mutex);
    return m_writing;
}

void MotorCommandWriter::dropQueued()
{
    std::lock_guard lock(m_mutex);
    m_queue.clear();
}

void MotorCommandWriter::wait()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_writing; });
}

bool MotorCommandWriter::send(int32_t value, uint32_t address, uint32_t retries)
{
    std::lock_guard lock(m_mutex);
    m_queue.push_back({value, address, retries});
    if (m_writing)
        return true; // the thread at work takes it next
    // The previous thread has left its loop (m_writing is false): only its end
    // remains, which needs no lock.
    if (m_thread.joinable())
        m_thread.join();
    try {
        m_thread = std::thread([this] { writeQueued(); });
    } catch (const std::system_error&) {
        m_queue.pop_back();
        return false;
    }
    m_writing = true;
    return true;
}

void MotorCommandWriter::writeQueued()
{
    for (;;) {
        Command command{};
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty()) {
                m_writing = false;
                m_idle.notify_all();
                return;
            }
            command = m_queue.front();
            m_queue.pop_front();
        }
        const int32_t result =
            m_write(command.address, motorcommand::commandRegister, &command.value, command.retries);
        // Delivered on this object's thread, in the order written; dropped if it is gone by then.
        QMetaObject::invokeMethod(
            this, [this, value = command.value, result] { emit finished(value, result); },
            Qt::QueuedConnection);
    }
}
