// SPDX-License-Identifier: MIT
#pragma once

// What zrq7rec keeps of the poll's display steps: the fault list. The values
// themselves reach the day file and the broker through the snapshot the poll
// fills; only the status block matters here, and it is applied at once on the
// poll's own thread (there is no window to wait for), with the panel's rules
// (applyFaultList): the same faults become active, with the same value texts.

#include "PollDisplay.h"
#include "UnitReading.h"

#include <functional>
#include <mutex>
#include <vector>

class MeasurementSnapshot;

namespace zrq7rec {

class ServiceDisplay : public pollcycle::SilentDisplay
{
public:
    // Called with the listed faults (catalogue order) whenever the list changed.
    using FaultsChanged = std::function<void(const std::vector<ActiveFault>&)>;

    ServiceDisplay(MeasurementSnapshot& snapshot, FaultsChanged changed);

    // Outside the poll (stopped): the list emptied, or holding only the link-lost
    // fault, marks as the list; both report the change.
    void clearFaults();
    void showLinkLost();

    std::vector<ActiveFault> activeFaults() const;

    void showStatus(const pollcycle::StatusUpdate& update, pollcycle::UiTicket ticket) override;

private:
    class Rows;
    void reportIfChanged();

    MeasurementSnapshot& m_snapshot;
    const FaultsChanged m_changed;
    mutable std::mutex m_lock;
    std::vector<ActiveFault> m_rows; // top row first, as the panel's list
    std::vector<ActiveFault> m_reported;
};

} // namespace zrq7rec
