// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>
#include <span>

// How the relay's holding registers become snapshot values. Registers are
// 16-bit words, high byte first on the wire, unsigned unless a rule says
// otherwise; 32-bit quantities take two registers, high word first.
namespace pollcycle {

// Registers as they arrive: big-endian byte pairs into words (bytes.size() / 2 of them).
void wordsFromBytes(std::span<const uint8_t> bytes, std::span<uint16_t> words);

// Two registers, high word first, as the signed 32-bit slot value.
int32_t joinWords(uint16_t high, uint16_t low);

// Multiplier of registers 30 to 43 so the slots always hold tenths of an ampere:
// 10 when the current transformer rating (register 150) is above 100 A (the relay
// then counts whole amperes), else 1 (it counts tenths).
int currentScaleFor(uint16_t transformerRating);

// Temperature sensors (registers 69 and 70). Three bands, tested in this order and
// exclusive of their limits, mean the sensor is short-circuited, broken or switched
// off; anything else is degrees Celsius as a signed 16-bit number.
enum class SensorState { Degrees, Shorted, Broken, Off };
struct TemperatureReading
{
    SensorState state = SensorState::Degrees;
    int32_t value = 0; // slot value: -80, the break value, 0, or the degrees
};
inline constexpr int32_t sensor1BreakValue = 200;
inline constexpr int32_t sensor2BreakValue = 300;
TemperatureReading decodeTemperature(uint16_t raw, int32_t breakValue);
// What the temperature label shows: "Zwarcie", "Przerwanie", "Wył." or "%d *C".
QString temperatureText(const TemperatureReading& reading);

// Heating per cent (0 to 1000) from the 32-bit thermal state of registers 73-74:
// min(t, 11 000 000) × 100 / 1 100 000 in unsigned integers, the same figure the
// load graph returns from SetLoad.
uint32_t heatingPercent(uint32_t thermalState);

// A packed BCD word read as four decimal digits (0x2025 -> 2025). A nibble
// above 9 is taken at face value (0x1A gives 20), as the relay's readers always have.
int fromBcd(uint16_t value);

// The relay clock of registers 80 to 85 (seconds, minutes, hours, day, month,
// year − 2000, each BCD).
struct RelayClock
{
    int hours = 0, minutes = 0, seconds = 0;
    int day = 0, month = 0, year = 0; // year in full (register 85 + 2000)
};
RelayClock decodeRelayClock(std::span<const uint16_t, 6> registers80to85);
// "HH : MM : SS\r\nDD.MM.YYYY" as the clock label shows it.
QString relayClockText(const RelayClock& clock);

// One phase's powers from its current (tenths of an ampere), phase voltage (volts)
// and cos φ (thousandths), in single precision as the relay panel always did:
// P = U·I·(c/1000) and Q = U·I·(√(10⁶ − c²)/1000), each truncated and 0 when
// negative or undefined (c above 1000); S = √(P² + Q²) in double precision, truncated.
// Units are watts, vars and volt-amperes.
struct PhasePower
{
    int32_t apparent = 0, active = 0, reactive = 0;
};
PhasePower phasePower(int32_t currentTenths, int32_t voltage, int32_t cosPhiThousandths);

} // namespace pollcycle
