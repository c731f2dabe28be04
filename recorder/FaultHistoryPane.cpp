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

namespace {
constexpr int timeColumn = 2;
constexpr int axisTimeRole = Qt::UserRole; // of the time cell: the time on the graph's axis
} // namespace

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
    const int timeWidth = timeColumnWidth(false);
    m_faults->setColumnWidth(timeColumn, timeWidth);
    recorderpane::fitColumns(m_faults, 70 + timeWidth + 150);
    layout->addWidget(m_faults);
    connect(m_faults, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { GoToFaultAt(row); });
}

// One day's times, or over a run of days the date before the time.
int FaultHistoryPane::timeColumnWidth(bool withDate) const
{
    const QString widest = withDate ? QStringLiteral("00.00.0000 00:00:00") : QStringLiteral("00:00:00");
    return std::max(60, m_faults->fontMetrics().horizontalAdvance(widest) + 14);
}

void FaultHistoryPane::FillFaultHistory(const std::vector<_tagSTRUCT_DATA>& records)
{
    m_faults->setRowCount(0);
    m_faults->setColumnWidth(timeColumn, timeColumnWidth(false));
    AddNewFaults(records, 0);
}

void FaultHistoryPane::FillFaultHistory(std::span<const multiday::RangeFault> faults)
{
    m_faults->setRowCount(0);
    m_faults->setColumnWidth(timeColumn, timeColumnWidth(true));
    AddNewFaults(faults);
}

void FaultHistoryPane::AddNewFaults(const std::vector<_tagSTRUCT_DATA>& records, std::size_t from)
{
    if (from >= records.size())
        return;
    const _tagSTRUCT_DATA* before = from > 0 ? &records[from - 1] : nullptr;
    for (const recordings::FaultStart& start :
         recordings::faultStarts(std::span(records).subspan(from), before))
        addRow(start.fault, start.time, std::nullopt);
}

void FaultHistoryPane::AddNewFaults(std::span<const multiday::RangeFault> faults)
{
    for (std::size_t n = std::size_t(m_faults->rowCount()); n < faults.size(); ++n) {
        const multiday::RangeFault& fault = faults[n];
        addRow(fault.start.fault,
               QString::fromStdString(DbDateText(fault.date)) + QLatin1Char(' ') + fault.start.time,
               fault.time);
    }
}

void FaultHistoryPane::addRow(int fault, const QString& time, std::optional<std::int32_t> axisTime)
{
    const _tagSTRUCT_ERR_INFO& info = dll_nErrInfo[fault];
    recorderpane::appendRow(m_faults, {fromWide(info.szDescription), fromWide(info.szName), time}, fault,
                            listAlignments);
    const int row = m_faults->rowCount() - 1;
    m_faults->item(row, 0)->setToolTip(fromWide(info.szDescription));
    if (axisTime)
        m_faults->item(row, timeColumn)->setData(axisTimeRole, *axisTime);
}

void FaultHistoryPane::GoToFaultAt(int row)
{
    const QTableWidgetItem* item = m_faults->item(row, timeColumn);
    if (!item)
        return;
    if (const QVariant axisTime = item->data(axisTimeRole); axisTime.isValid()) {
        emit timeChosen(axisTime.toDouble());
        return;
    }
    const std::optional<recordings::TimeOfDay> time = recordings::parseTimeOfDay(item->text());
    if (!time)
        return;
    emit timeChosen(time->hour * 3600.0 + time->minute * 60.0 + time->second);
}
