// SPDX-License-Identifier: MIT
#include "SearchThread.h"

#include <system_error>

SearchThread::SearchThread(devicesearch::SearchLink link, devicesearch::ScanRange range, QObject* parent)
    : QObject(parent), m_link(std::move(link)), m_range(range)
{
}

SearchThread::~SearchThread()
{
    stop();
    wait();
}

bool SearchThread::start(uint32_t retries)
{
    if (bSearchRunning)
        return false;
    wait(); // the last scan's thread, which has ended
    bSearchRunning = true;
    const devicesearch::ScanListener listener{
        [this](const QString& text) { emit progress(text); },
        [this](const devicesearch::FoundDevice& device) { emit found(device); },
        [this](std::chrono::milliseconds duration) { pause(duration); }};
    try {
        m_thread = std::thread([this, retries, listener] {
            devicesearch::runScan(m_link, m_range, retries, bSearchRunning, listener);
            bSearchRunning = false;
            emit finished();
        });
    } catch (const std::system_error&) {
        bSearchRunning = false;
        return false;
    }
    return true;
}

void SearchThread::stop()
{
    {
        const std::lock_guard lock(m_pauseMutex);
        bSearchRunning = false;
    }
    m_pauseWake.notify_all();
}

void SearchThread::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void SearchThread::pause(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_pauseMutex);
    m_pauseWake.wait_for(lock, duration, [this] { return !bSearchRunning.load(); });
}
