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
}

bool MotorCommandWriter::isBusy() const
{
    std::lock_guard lock(m_mutex);
    return m_busy;
}

void MotorCommandWriter::wait()
{
    std::thread finishedThread;
    {
        std::lock_guard lock(m_mutex);
        finishedThread = std::move(m_thread);
    }
    if (finishedThread.joinable())
        finishedThread.join();
}

bool MotorCommandWriter::send(int32_t value, uint32_t address, uint32_t retries)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_busy)
            return false;
        m_busy = true;
    }
    wait(); // the previous command's thread has ended its work; collect it
    std::lock_guard lock(m_mutex);
    try {
        m_thread = std::thread([this, value, address, retries] {
        const int32_t result = m_write(address, motorcommand::commandRegister, &value, retries);
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        // Delivered on this object's thread; dropped if it is gone by then.
        QMetaObject::invokeMethod(
            this, [this, value, result] { emit finished(value, result); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        m_busy = false;
        return false;
    }
    return true;
}
