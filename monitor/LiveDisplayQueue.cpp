// SPDX-License-Identifier: MIT
#include "LiveDisplayQueue.h"

#include <QMetaObject>
#include <QTimer>
#include <utility>

using namespace pollcycle;

LiveDisplayQueue::LiveDisplayQueue(QObject* context, Show show) : m_context(context), m_show(std::move(show)) {}

void LiveDisplayQueue::open()
{
    PendingDisplay dropped;
    std::lock_guard lock(m_mutex);
    m_open = true;
    std::swap(dropped, m_pending);
}

void LiveDisplayQueue::close()
{
    PendingDisplay dropped; // destroyed after the lock: a dropped ticket wakes the poll
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
        std::swap(dropped, m_pending);
    }
}

bool LiveDisplayQueue::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

void LiveDisplayQueue::store(const std::function<void(PendingDisplay&)>& put, Delivery delivery)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return;
        put(m_pending);
    }
    if (delivery == Delivery::Now) {
        QMetaObject::invokeMethod(m_context, [this] { flush(); }, Qt::QueuedConnection);
        return;
    }
    // One refresh per period at most: the timer is started on the window's own thread.
    if (!m_refreshQueued.exchange(true))
        QMetaObject::invokeMethod(
            m_context,
            [this] {
                QTimer::singleShot(kRefreshMs, m_context, [this] {
                    // Cleared before taking, so a value stored meanwhile arms the next refresh.
                    m_refreshQueued.store(false);
                    flush();
                });
            },
            Qt::QueuedConnection);
}

void LiveDisplayQueue::flush()
{
    PendingDisplay batch;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return;
        std::swap(batch, m_pending);
    }
    m_show(batch);
}

void LiveDisplayQueue::showCurrents(const CurrentsUpdate& u)
{
    store([&](PendingDisplay& p) { p.currents = u; });
}
void LiveDisplayQueue::showVoltages(const VoltagesUpdate& u)
{
    store([&](PendingDisplay& p) { p.voltages = u; });
}
void LiveDisplayQueue::showPowers(const PowersUpdate& u)
{
    store([&](PendingDisplay& p) { p.powers = u; });
}
void LiveDisplayQueue::showEnergies(const EnergiesUpdate& u)
{
    store([&](PendingDisplay& p) { p.energies = u; });
}
void LiveDisplayQueue::showRelayClock(const ClockUpdate& u)
{
    store([&](PendingDisplay& p) { p.clock = u; });
}
void LiveDisplayQueue::showAverageCurrents(const AverageCurrentsUpdate& u)
{
    store([&](PendingDisplay& p) { p.averageCurrents = u; });
}
void LiveDisplayQueue::showMotorTimes(const MotorTimesUpdate& u)
{
    store([&](PendingDisplay& p) { p.motorTimes = u; });
}
void LiveDisplayQueue::showSensors(const SensorsUpdate& u)
{
    store([&](PendingDisplay& p) { p.sensors = u; });
}
void LiveDisplayQueue::showHeating(const HeatingUpdate& u)
{
    store([&](PendingDisplay& p) { p.heating = u; });
}
void LiveDisplayQueue::showStatus(const StatusUpdate& u, UiTicket ticket)
{
    store([&](PendingDisplay& p) {
        p.status = u;
        p.statusTicket = std::move(ticket);
    }, Delivery::Now);
}
void LiveDisplayQueue::showCurrentSettings(const CurrentSettingsUpdate& u)
{
    store([&](PendingDisplay& p) { p.currentSettings = u; });
}
void LiveDisplayQueue::showLineVoltageLimits(const LineVoltageLimitsUpdate& u)
{
    store([&](PendingDisplay& p) { p.lineVoltageLimits = u; });
}
void LiveDisplayQueue::showRestartDelays(const RestartDelaysUpdate&)
{
    // The poll keeps the delays for the restart bar's range of the next status block.
}
void LiveDisplayQueue::showMotorControl(const MotorControlUpdate& u)
{
    store([&](PendingDisplay& p) { p.motorControl = u; });
}
