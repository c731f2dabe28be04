// SPDX-License-Identifier: MIT
#pragma once

#include "DayFileFormat.h"

#include <QGroupBox>
#include <vector>

class QTableWidget;

// "Historia awarii": where each fault became active in the loaded records. A
// double click on a row asks for the graph to go to that time. UI thread only.
class FaultHistoryPane : public QGroupBox
{
    Q_OBJECT
public:
    explicit FaultHistoryPane(QWidget* parent = nullptr);

    void FillFaultHistory(const std::vector<_tagSTRUCT_DATA>& records);
    // Asks to go to the time of `row`; nothing for a row without a readable time.
    void GoToFaultAt(int row);

signals:
    void timeChosen(int hour, int minute, int second);

private:
    QTableWidget* m_faults = nullptr;
};
