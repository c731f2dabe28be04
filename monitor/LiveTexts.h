// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>

class QDateTime;

// Texts of the live read-outs from snapshot values (V = physical value times the
// catalogue divisor). Divisions are made in single precision before formatting,
// except for the energy counters, which need every digit of 32 bits.
// The ampere sign is the Cyrillic А (U+0410) and the ohm sign the Greek Ω
// (U+03A9), as the relay panel has always shown them.
namespace livetexts {

QString currentText(int32_t tenthsOfAmpere);        // "%.1f А"
QString voltageText(int32_t volts);                 // "%d V"
QString secondsText(int32_t seconds);               // "%d s"
QString insulationText(int32_t tenthsOfMegohm);     // "%.1f MΩ"
QString frequencyText(int32_t tenthsOfHertz);       // "%.1f Hz"
QString currentInputText(int32_t tenthsOfMilliamp); // "%.1f mА"
QString voltageInputText(int32_t tenthsOfVolt);     // "%.1f V"
QString heatingText(int32_t percent);               // "%d%%"

// Time to the automatic restart (slot 27): "%d s" below 900, "Nie" from 900 on;
// its bar shows the value below 900 and 0 from there.
QString restartCountdownText(int32_t seconds);
int32_t restartCountdownLevel(int32_t seconds);
// Time to the overload trip (slot 28): "Nie" above 600, else "%d s".
QString overloadTripText(int32_t seconds);
// Waiting time after an overload trip (slot 29): "Nie" above 900, else "%d s".
QString afterOverloadText(int32_t seconds);

// The power read-out lists: 18 entries, each naming a snapshot slot and its format.
inline constexpr int powerChoiceCount = 18;
QString powerChoiceName(int choice);
// Slot shown for a choice (-1 for a choice outside 0..17).
int powerChoiceSlot(int choice);
// Energies (choices 0-2) come with the energy block, all others with the power block.
bool isEnergyChoice(int choice);
QString powerText(int choice, int32_t value);

// Once-per-second texts.
QString pcClockText(const QDateTime& now);     // "%H : %M : %S\r\n%d.%m.%Y"
QString connectionTimeText(int64_t seconds);   // "%H : %M : %S", wrapping after a day
QString throughputText(float paramsPerSecond); // "%.2fpar./s"
QString lineSpeedText(int32_t baudRateIndex);  // "9600 bit/s" or "19200 bit/s"

// Heating tooltip over the load graph, from the pointer's y inside the graph.
QString heatingTooltipText(int graphHeight, int pointerY);

} // namespace livetexts
