// SPDX-License-Identifier: MIT
#include "FaultHistoryPane.h"

#include "RecorderPaneSupport.h"
#include "RecordingList.h"
#include "ZRQ7DLL.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

using recorderpane::fromWide;
using recorderpane::listAlignments;

FaultHistoryPane::FaultHistoryPane(QWidget* parent) : QGroupBox(QStringLiteral("Historia awarii"), parent)
{
    auto* layout = new QVBoxLayout(this);
    m_faults = recorderpane::withId(new QTableWidget(this), 1168);
    recorderpane::setUpReportList(m_faults,
                                  {QStringLiteral("Nazwa"), QStringLiteral("###"), QStringLiteral("Czas")},
                                  {290, 70, 60}, listAlignments);
    // The description takes the room there is, so "###" and "Czas" always show
    // (the full description is the row's tool tip).
    m_faults->horizontalHeader()->setStretchLastSection(false);
    m_faults->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_faults->horizontalHeader()->setMinimumSectionSize(40);
    m_faults->setWordWrap(false);
    const int timeWidth =
        std::max(60, m_faults->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 14);
    m_faults->setColumnWidth(2, timeWidth);
    recorderpane::fitColumns(m_faults, 70 + timeWidth + 150);
    layout->addWidget(m_faults);
    connect(m_faults, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { GoToFaultAt(row); });
}

void FaultHistoryPane::FillFaultHistory(const std::vector<_tagSTRUCT_DATA>& records)
{
    m_faults->setRowCount(0);
    if (records.empty())
        return;
    for (const recordings::FaultStart& start : recordings::faultStarts(records)) {
        const _tagSTRUCT_ERR_INFO& info = dll_nErrInfo[start.fault];
        recorderpane::appendRow(m_faults, {fromWide(info.szDescription), fromWide(info.szName), start.time},
                                start.fault, listAlignments);
        m_faults->item(m_faults->rowCount() - 1, 0)->setToolTip(fromWide(info.szDescription));
    }
}

void FaultHistoryPane::GoToFaultAt(int row)
{
    const QTableWidgetItem* item = m_faults->item(row, 2);
    if (!item)
        return;
    const std::optional<recordings::TimeOfDay> time = recordings::parseTimeOfDay(item->text());
    if (!time)
        return;
    emit timeChosen(time->hour, time->minute, time->second);
}
