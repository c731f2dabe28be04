// SPDX-License-Identifier: MIT
#pragma once

#include "SearchScan.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// SearchThread: runs the scan on a thread of its own and tells the window
// through queued signals, every text and row by value. stop() asks it to end
// before its next exchange; wait() joins it. The destructor does both.
class SearchThread : public QObject
{
    Q_OBJECT
public:
    SearchThread(devicesearch::SearchLink link, devicesearch::ScanRange range, QObject* parent = nullptr);
    ~SearchThread() override;

    // Starts a scan; false when one runs or the thread could not be started.
    bool start(uint32_t retries);
    void stop();
    void wait();
    // bSearchRunning: true from start() until the scan has ended.
    bool isRunning() const { return bSearchRunning.load(); }

signals:
    void progress(const QString& text);
    void found(const devicesearch::FoundDevice& device);
    void finished();

private:
    void pause(std::chrono::milliseconds duration);

    devicesearch::SearchLink m_link;
    devicesearch::ScanRange m_range;
    std::atomic<bool> bSearchRunning{false};
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseWake;
    std::thread m_thread;
};
