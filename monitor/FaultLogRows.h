// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

// The rows of the fault report's two tables: the relay's own fault log, walked
// from its newest entry back, and the panel's fault list. Pure functions and a
// walk over a register reader, so both run without a window or a relay.
namespace faultreport {

// The relay's fault log: register 75 holds the newest entry's index; entry i
// is 5 registers at 1000 + 5 × i.
inline constexpr uint32_t newestEntryRegister = 75;
inline constexpr uint32_t firstEntryRegister = 1000;
inline constexpr uint32_t registersPerEntry = 5;
inline constexpr int logEntryCount = 50;
// Codes from here on mark the end of the log (an erased entry reads 0xFFFF).
inline constexpr uint16_t endOfLogCode = 40;

// One entry as the relay stores it (10 bytes, high byte first).
struct RelayLogEntry
{
    uint16_t code = 0;     // index into the fault catalogue
    uint16_t rawValue = 0; // measured value at the fault, unscaled
    uint8_t minutes = 0, seconds = 0, day = 0, hours = 0, year = 0, month = 0; // BCD
};

RelayLogEntry decodeRelayLogEntry(const std::array<uint8_t, 10>& bytes);

// "DD.MM.YYYY  HH:MM:SS" (two spaces), the year 2000 + the entry's year.
QString relayLogTimeText(const RelayLogEntry& entry);
// The value with the catalogue's unit: one decimal ("234.5 A") when the
// catalogue divides it, else the raw number ("2345 A"). The code must be
// below 40.
QString relayLogValueText(const RelayLogEntry& entry);

// One row of the relay table, numbered from 1.
QByteArray relayLogRow(int rowNumber, const RelayLogEntry& entry);

// A row of the panel's fault list, copied from the window: description,
// value, time and date texts, and the fault code it carries.
struct PanelFault
{
    QString name;
    QString value;
    QString time;
    QString date;
    int code = 0;
};

QByteArray panelFaultRow(int rowNumber, const PanelFault& fault);
QByteArray panelFaultRows(const QList<PanelFault>& faults);

// The link library's register read (MODBUS_Read03's contract).
using RegisterRead = std::function<int32_t(uint32_t address, uint32_t firstRegister, uint32_t count,
                                           uint8_t* buffer, uint32_t bufferSize, uint32_t retries)>;

// Walks the relay's log from the newest entry to the oldest and returns the
// table rows. A failed or out-of-range read of register 75 starts at entry 0;
// an entry whose read fails is left out (the walk goes on); a code of 40 or
// more ends the table. At most 51 reads. `cancel`, when set, ends the walk
// before its next read.
QByteArray readRelayLogRows(const RegisterRead& read, uint32_t address, uint32_t retries,
                            const std::atomic<bool>* cancel = nullptr);

} // namespace faultreport
