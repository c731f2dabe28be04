// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class MeasurementSnapshot;

// The fault list rules of the status block (registers 900-902): which catalogue
// entries are active, which rows appear and go, the fault indicator and the range
// of the restart countdown bar.
namespace pollcycle {

inline constexpr int faultEntryCount = 40;
inline constexpr int minimumCurrentFault = 5;
inline constexpr int linkLostFault = 38;
inline constexpr int ratedCurrentFault = 39;

// A row of the fault list: catalogue entry, value at trip, PC time and date.
struct FaultRow
{
    int index = 0;
    QString value; // "Nie" (no value register), "err" (its read failed) or the value and unit
    QString time;  // "HH:MM:SS"
    QString date;  // "DD.MM.YYYY"
};

// One entry that became active (row to insert at the top, then marked) or inactive
// (mark cleared, its rows deleted).
struct FaultChange
{
    int index = 0;
    bool active = false;
    FaultRow row; // for an active change
};

// What the status block hands to the display.
struct StatusUpdate
{
    uint16_t statusWord = 0; // register 900
    uint32_t faultMask = 0;  // register 902 × 65536 + register 901
    // Bit 0 clear and the rated current set: indicator off, and a list with any
    // marks is emptied (the link-lost row too).
    bool noFault = false;
    int faultIndicator = 0;           // 0 off, 1 blinking, 2 flashing
    std::vector<FaultChange> changes; // in catalogue order; rows go to the top in this order
    uint32_t restartBarMax = 0;       // the restart countdown bar spans 0 to this

    bool statusBit(int bit) const { return (statusWord >> bit & 1) != 0; }
    // Mode 0 to 3 of the function relay (bits 4-5).
    int functionRelayMode() const { return statusWord >> 4 & 3; }
};

// The new flags: bit i of the mask sets entry i (0-31); entry 39 stands for a
// missing rated motor current.
std::array<bool, faultEntryCount> faultFlagsFor(uint32_t faultMask, bool ratedCurrentMissing);

// 1 with a missing rated current. Otherwise, when the function relay is in mode 2,
// 1 if neither motor relay (bit 1) nor function relay (bit 2) is on, else 2; in the
// other modes 1 if the motor relay is off, else 2.
int faultIndicatorFor(uint16_t statusWord, bool ratedCurrentMissing);

// 0 to the larger restart delay while the minimum-current fault (bit 5) is active
// and the list is not being cleared; otherwise 0 to the restart delay (register 196).
uint32_t restartBarMaxFor(const StatusUpdate& update, uint16_t minimumCurrentDelay, uint16_t restartDelay);

// The value column of a newly active fault: "Nie" when the entry has no value
// register; "err" when its read failed (nullopt); else the raw value (multiplied by
// the current scale for the current faults 0, 2, 4, 5, 6, 7 and 11 when it is above
// 1) as "%.1f %s" of value / divisor, or "%d %s" for divisor 0.
QString faultValueText(int index, std::optional<uint16_t> raw, int currentScale);

// The five cells of a row: description, short name, value, time, date.
QStringList faultRowCells(const FaultRow& row);

// The rows of the window's fault list; each row carries its catalogue index.
class FaultRows
{
public:
    virtual ~FaultRows() = default;
    virtual void insertRowAtTop(const QStringList& cells, int index) = 0;
    virtual void deleteRowsOf(int index) = 0;
    virtual void deleteAllRows() = 0;
};

// Applies a status update to the rows and the snapshot's fault marks; runs on the
// user-interface thread. Only differences from the current marks are applied, so a
// list that was reset (or got its link-lost row) meanwhile stays consistent. The
// fault reset button follows snapshot.IsAnyMarked() afterwards.
void applyFaultList(const StatusUpdate& update, FaultRows& rows, MeasurementSnapshot& snapshot);

} // namespace pollcycle
