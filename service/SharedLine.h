// SPDX-License-Identifier: MIT
#pragma once

// The one link of zrq7rec (a serial line or a Modbus TCP connection, through the
// link library) shared by the relay units on it. Every register read of every
// unit takes its turn here, first come first served, so the units' polls
// alternate read by read instead of one starving the others; opening and
// closing take a turn too, so the link never closes under a read.
//
// Reopening: a unit that is about to be identified while no unit answers on the
// line has the line reopened first. A cut TCP connection and a serial adapter
// unplugged and plugged in again come back only that way; while another unit
// answers, the line is working and is left alone.

#include "ServiceLog.h"
#include "ServiceOptions.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace zrq7rec {

class SharedLine
{
public:
    SharedLine(LinkOptions link, uint32_t timeoutMs, ServiceLog& log);
    ~SharedLine(); // closes the link
    SharedLine(const SharedLine&) = delete;
    SharedLine& operator=(const SharedLine&) = delete;

    // MODBUS_Read03 in turn (the poll's register reader). LINK_ERR_IO at once,
    // without waiting for a turn, once the line is shut.
    int32_t read(uint32_t address, uint32_t firstRegister, uint32_t count, uint8_t* buffer,
                 uint32_t bufferSize, uint32_t retries);

    // Before an identification: opens the line when it is closed, reopens it when
    // no unit answers on it (see above). False when it cannot be opened (logged once
    // until it opens again) or the line is shut.
    bool prepareForIdentification();

    // A unit's poll started, or ended after its relay fell silent.
    void unitUp();
    void unitDown();

    // The service is stopping: reads and opens fail at once from now on, and the
    // reads waiting for a turn return. The read on the line ends as it ends.
    void shut();
    bool isShut() const;

    const std::string& text() const { return m_text; } // linkText()

private:
    class Turn;
    bool openLink();  // during a turn
    void closeLink(); // during a turn

    const LinkOptions m_link;
    const uint32_t m_timeoutMs;
    const std::string m_text;
    ServiceLog& m_log;

    mutable std::mutex m_lock;
    std::condition_variable m_turnChanged;
    uint64_t m_nextTicket = 0;
    uint64_t m_serving = 0;
    bool m_shut = false;
    // The fields below belong to the turn holder.
    bool m_open = false;
    bool m_openFailed = false; // the last open failed (logged once)
    int m_unitsUp = 0;         // under m_lock
    std::chrono::steady_clock::time_point m_openedAt;
};

} // namespace zrq7rec
