// SPDX-License-Identifier: MIT
#include "ServiceDisplay.h"

#include "FaultList.h"
#include "MeasurementSnapshot.h"

#include <algorithm>

namespace zrq7rec {

// The panel's list rows as plain values: the value column of each row.
class ServiceDisplay::Rows : public pollcycle::FaultRows
{
public:
    explicit Rows(std::vector<ActiveFault>& rows) : m_rows(rows) {}

    void insertRowAtTop(const QStringList& cells, int index) override
    {
        // Cells: description, short name, value, time, date.
        m_rows.insert(m_rows.begin(),
                      ActiveFault{index, cells.size() > 2 ? cells[2].toStdString() : std::string()});
    }
    void deleteRowsOf(int index) override
    {
        std::erase_if(m_rows, [index](const ActiveFault& row) { return row.code == index; });
    }
    void deleteAllRows() override { m_rows.clear(); }

private:
    std::vector<ActiveFault>& m_rows;
};

ServiceDisplay::ServiceDisplay(MeasurementSnapshot& snapshot, FaultsChanged changed)
    : m_snapshot(snapshot), m_changed(std::move(changed))
{
}

void ServiceDisplay::showStatus(const pollcycle::StatusUpdate& update, pollcycle::UiTicket ticket)
{
    ticket.apply([&] {
        std::lock_guard lock(m_lock);
        Rows rows(m_rows);
        pollcycle::applyFaultList(update, rows, m_snapshot);
    });
    reportIfChanged();
}

void ServiceDisplay::clearFaults()
{
    {
        std::lock_guard lock(m_lock);
        m_rows.clear();
        m_snapshot.ClearMarks();
    }
    reportIfChanged();
}

void ServiceDisplay::showLinkLost()
{
    {
        std::lock_guard lock(m_lock);
        m_rows.assign(1, ActiveFault{pollcycle::linkLostFault, std::string()});
        m_snapshot.ClearMarks();
        m_snapshot.Mark(pollcycle::linkLostFault);
    }
    reportIfChanged();
}

std::vector<ActiveFault> ServiceDisplay::activeFaults() const
{
    std::lock_guard lock(m_lock);
    std::vector<ActiveFault> faults = m_rows;
    // One entry per fault, in catalogue order; the newest row of a fault wins.
    std::stable_sort(faults.begin(), faults.end(),
                     [](const ActiveFault& a, const ActiveFault& b) { return a.code < b.code; });
    faults.erase(std::unique(faults.begin(), faults.end(),
                             [](const ActiveFault& a, const ActiveFault& b) { return a.code == b.code; }),
                 faults.end());
    return faults;
}

void ServiceDisplay::reportIfChanged()
{
    std::vector<ActiveFault> faults = activeFaults();
    const auto same = [](const std::vector<ActiveFault>& a, const std::vector<ActiveFault>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const ActiveFault& x, const ActiveFault& y) {
                              return x.code == y.code && x.value == y.value;
                          });
    };
    {
        std::lock_guard lock(m_lock);
        if (same(faults, m_reported))
            return;
        m_reported = faults;
    }
    if (m_changed)
        m_changed(faults);
}

} // namespace zrq7rec
