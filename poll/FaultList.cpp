// SPDX-License-Identifier: MIT
#include "FaultList.h"

#include "MeasurementSnapshot.h"
#include "ZRQ7DLL.h"

#include <algorithm>

namespace pollcycle {

namespace {
QString catalogueText(const char16_t* text)
{
    return text ? QString::fromUtf16(text) : QString();
}

bool isCurrentFault(int index)
{
    switch (index) {
    case 0:
    case 2:
    case 4:
    case 5:
    case 6:
    case 7:
    case 11:
        return true;
    default:
        return false;
    }
}
} // namespace

std::array<bool, faultEntryCount> faultFlagsFor(uint32_t faultMask, bool ratedCurrentMissing)
{
    std::array<bool, faultEntryCount> flags{};
    for (int bit = 0; bit < 32; ++bit)
        flags[bit] = (faultMask >> bit & 1) != 0;
    flags[ratedCurrentFault] = ratedCurrentMissing;
    return flags;
}

int faultIndicatorFor(uint16_t statusWord, bool ratedCurrentMissing)
{
    if (ratedCurrentMissing)
        return 1;
    const bool motorRelay = statusWord >> 1 & 1;
    const bool functionRelay = statusWord >> 2 & 1;
    if ((statusWord >> 4 & 3) == 2)
        return motorRelay || functionRelay ? 2 : 1;
    return motorRelay ? 2 : 1;
}

uint32_t restartBarMaxFor(const StatusUpdate& update, uint16_t minimumCurrentDelay, uint16_t restartDelay)
{
    const bool minimumCurrent = (update.faultMask >> minimumCurrentFault & 1) != 0;
    if (!update.noFault && minimumCurrent)
        return std::max(minimumCurrentDelay, restartDelay);
    return restartDelay;
}

QString faultValueText(int index, std::optional<uint16_t> raw, int currentScale)
{
    if (index < 0 || index >= faultEntryCount)
        return {};
    const _tagSTRUCT_ERR_INFO& entry = dll_nErrInfo[index];
    if (entry.nRegister == 0)
        return QStringLiteral("Nie");
    if (!raw)
        return QStringLiteral("err");
    int32_t value = *raw;
    if (currentScale > 1 && isCurrentFault(index))
        value *= currentScale;
    const QString unit = catalogueText(entry.szUnit);
    if (entry.nDivisor > 0)
        return QString::asprintf("%.1f ", static_cast<float>(value) / static_cast<float>(entry.nDivisor)) +
               unit;
    return QString::number(value) + QLatin1Char(' ') + unit;
}

QStringList faultRowCells(const FaultRow& row)
{
    if (row.index < 0 || row.index >= faultEntryCount)
        return {};
    const _tagSTRUCT_ERR_INFO& entry = dll_nErrInfo[row.index];
    return {catalogueText(entry.szDescription), catalogueText(entry.szName), row.value, row.time, row.date};
}

void applyFaultList(const StatusUpdate& update, FaultRows& rows, MeasurementSnapshot& snapshot)
{
    if (update.noFault) {
        if (snapshot.IsAnyMarked()) {
            rows.deleteAllRows();
            snapshot.ClearMarks();
        }
        return;
    }
    for (const FaultChange& change : update.changes) {
        const bool listed = snapshot.IsFaultActive(change.index);
        if (change.active && !listed) {
            rows.insertRowAtTop(faultRowCells(change.row), change.index);
            snapshot.Mark(change.index);
        } else if (!change.active && listed) {
            snapshot.ClearMark(change.index);
            rows.deleteRowsOf(change.index);
        }
    }
}

} // namespace pollcycle
