// SPDX-License-Identifier: MIT
#include "LiveDisplayQueue.h"

#include <QMetaObject>
#include <QTimer>
#include <utility>

using namespace pollcycle;

LiveDisplayQueue::LiveDisplayQueue(QObject* context, Show show) : m_context(context), m_show(std::move(show))
{
}

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
    bool arm = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return;
        put(m_pending);
        if (delivery == Delivery::Refresh && !m_refreshArmed)
            arm = m_refreshArmed = true;
    }
    if (delivery == Delivery::Now)
        QMetaObject::invokeMethod(
            m_context, [this] { showStatusNow(); }, Qt::QueuedConnection);
    else if (arm)
        QMetaObject::invokeMethod(
            m_context, [this] { startRefreshTimer(); }, Qt::QueuedConnection);
}

void LiveDisplayQueue::startRefreshTimer()
{
    QTimer::singleShot(kRefreshMs, m_context, [this] { refresh(); });
}

void LiveDisplayQueue::refresh()
{
    PendingDisplay batch;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open || !m_pending.hasValues()) {
            m_refreshArmed = false; // the next value stored arms it again
            return;
        }
        // The status, if one waits, has its own delivery on the way.
        std::swap(batch.status, m_pending.status);
        std::swap(batch.statusTicket, m_pending.statusTicket);
        std::swap(batch, m_pending);
    }
    m_show(batch);
    // While the relay is polled values keep coming: the next refresh is armed
    // from here, without the poll thread waking this one to do it.
    startRefreshTimer();
}

void LiveDisplayQueue::showStatusNow()
{
    PendingDisplay batch;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open || !m_pending.status)
            return;
        std::swap(batch.status, m_pending.status);
        std::swap(batch.statusTicket, m_pending.statusTicket);
        // The settings read with it go along (rarely read; the status's faults
        // speak of them): ranges and marks land with the rows they explain.
        std::swap(batch.currentSettings, m_pending.currentSettings);
        std::swap(batch.lineVoltageLimits, m_pending.lineVoltageLimits);
        std::swap(batch.motorControl, m_pending.motorControl);
    }
    m_show(batch);
}

bool PendingDisplay::hasValues() const
{
    return currentSettings || lineVoltageLimits || motorControl || currents || voltages || powers ||
           energies || clock || averageCurrents || motorTimes || sensors || heating;
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
    store(
        [&](PendingDisplay& p) {
            p.status = u;
            p.statusTicket = std::move(ticket);
        },
        Delivery::Now);
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
