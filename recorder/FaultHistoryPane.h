// SPDX-License-Identifier: MIT
#pragma once

#include "DayFileFormat.h"
#include "MultiDayLoad.h"

#include <QGroupBox>
#include <optional>
#include <span>
#include <vector>

class QTableWidget;

// "Historia awarii": where each fault became active in the loaded records
// (over a run of days with its date before the time). A double click on a row
// asks for the graph to go to that time. UI thread only.
class FaultHistoryPane : public QGroupBox
{
    Q_OBJECT
public:
    explicit FaultHistoryPane(QWidget* parent = nullptr);

    void FillFaultHistory(const std::vector<_tagSTRUCT_DATA>& records);
    void FillFaultHistory(std::span<const multiday::RangeFault> faults);
    // The records grew from index `from` on: rows for the faults that start there.
    void AddNewFaults(const std::vector<_tagSTRUCT_DATA>& records, std::size_t from);
    // The range's faults grew: rows for those past the ones listed.
    void AddNewFaults(std::span<const multiday::RangeFault> faults);
    // Asks to go to the time of `row`; nothing for a row without a readable time.
    void GoToFaultAt(int row);

signals:
    // A time on the graph's axis (one day: seconds of the day).
    void timeChosen(double seconds);

private:
    int timeColumnWidth(bool withDate) const;
    void addRow(int fault, const QString& time, std::optional<std::int32_t> axisTime);

    QTableWidget* m_faults = nullptr;
};
