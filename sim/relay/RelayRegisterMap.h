// SPDX-License-Identifier: MIT
// Numbers of the relay's register map, of the settings the model acts on and of the
// fault bits it raises; shared by the model's source files only.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace zrq7::sim::relaymap {

// Registers of the map.
constexpr std::uint16_t kIdentifier = 0, kFirmware = 1;
constexpr std::uint16_t kMeasureFirst = 30, kMeasureLast = 95;
constexpr std::uint16_t kLogNewest = 75;
constexpr std::uint16_t kClockFirst = 80, kClockLast = 85;
constexpr std::uint16_t kFaultValueFirst = 300, kFaultValueLast = 328;
constexpr std::uint16_t kStatus = 900, kMaskLow = 901, kMaskHigh = 902, kCommand = 903;

// Settings the model acts on.
constexpr std::uint16_t kCtRating = 150, kRatedCurrent = 151, kAveragingPeriod = 153;
constexpr std::uint16_t kImaxCoefficient = 155, kImaxDelay = 156, kImaxProtection = 157,
                        kImaxAfterThermal = 158;
constexpr std::uint16_t kStartCoefficient = 173, kStartDelay = 174, kBlockDelay = 175, kStartProtection = 176;
constexpr std::uint16_t kThermalProtection = 167, kThermalDelay = 168, kCoolingFactor = 169;
constexpr std::uint16_t kMinCurrentPercent = 170, kMinCurrentDelay = 171, kMinCurrentProtection = 172;
constexpr std::uint16_t kUminThreshold = 177, kUminDelay = 178, kUminProtection = 179;
constexpr std::uint16_t kUmaxThreshold = 180, kUmaxDelay = 181, kUmaxProtection = 182;
constexpr std::uint16_t kImbalanceThreshold = 183, kImbalanceDelay = 184, kImbalanceProtection = 185;
constexpr std::uint16_t kFminThreshold = 189, kFminDelay = 190, kFminProtection = 191;
constexpr std::uint16_t kFmaxThreshold = 192, kFmaxDelay = 193, kFmaxProtection = 194;
constexpr std::uint16_t kPhaseLossDelay = 187, kPhaseLossProtection = 188;
constexpr std::uint16_t kRestartDelayMinCurrent = 195, kRestartDelay = 196, kRestartPermitted = 197;
constexpr std::uint16_t kStartAfterPower = 198, kRemoteControl = 200;
constexpr std::uint16_t kSensor1Type = 201, kSensor1Trip = 202, kSensor1Correction = 203;
constexpr std::uint16_t kSensor2Type = 204, kSensor2Trip = 205, kSensor2Correction = 207;
constexpr std::uint16_t kSensorRestart = 208, kSensorFaultStops = 209;
constexpr std::uint16_t kMinimalSet = 211, kFunctionRelayMode = 214, kFunctionRelayTime = 215;
constexpr std::uint16_t kStarDeltaGap = 216, kDeviceHours = 217, kMotorHours = 218;
constexpr std::uint16_t kFactoryRestore = 221, kVersion = 230, kEnergyReset = 242;

// Commands written to register 903.
constexpr std::uint16_t kCmdStop = 0, kCmdStart = 2, kCmdFaultReset = 55, kCmdRestart = 88;

// Fault bits the model raises itself.
constexpr int kFaultOvercurrent = 0, kFaultLongStart = 6, kFaultBlockedRotor = 7;
constexpr int kFaultMinCurrent = 5, kFaultThermal = 1, kFaultTemp1 = 8, kFaultTemp2 = 9;
constexpr int kFaultShortS1 = 21, kFaultBreakS1 = 22, kFaultShortS2 = 23, kFaultBreakS2 = 24;
constexpr int kFaultPhaseLoss = 25;
constexpr int kFaultUmin = 12, kFaultUmax = 13, kFaultImbalance = 14, kFaultFmin = 16, kFaultFmax = 17;
constexpr std::uint32_t kVoltageFaults = 1u << kFaultUmin | 1u << kFaultUmax | 1u << kFaultImbalance;

// The setting that switches a protection off (0), on (1) or on with automatic restart (2).
constexpr std::pair<int, std::uint16_t> kProtectionMode[] = {
    {0, 157},  {1, 167},  {2, 161},  {4, 164},  {5, 172},  {6, 176},  {7, 176},
    {10, 186}, {12, 179}, {13, 182}, {14, 185}, {16, 191}, {17, 194}, {25, 188}};

constexpr std::int64_t kRestartSilenceMs = 2000;
constexpr std::int64_t kStepMs = 100;
constexpr std::int64_t kPowerOnQuickStartMs = 2000;
// Timer registers 57-59 read this while they have nothing to count.
constexpr std::uint16_t kTimerIdle = 999;
// Thermal register 73-74 at the trip level (the program shows it as 100 %).
constexpr double kThermalAtTrip = 1'100'000.0;
// A motor tripped by the thermal image may start again once it has cooled to this share.
constexpr double kThermalRestartShare = 0.6;
constexpr std::uint16_t kInsulationTenthsMOhm = 1250;
constexpr std::uint16_t kCurrentInputTenthsMA = 120;
constexpr std::uint16_t kVoltageInputTenthsV = 45;
// Sensor codes of registers 69 and 70.
constexpr std::uint16_t kSensorShort = 1000, kSensorBreak = 2000, kSensorOff = 5000;

inline std::uint16_t clampWord(double v)
{
    return static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
}

inline std::uint32_t clampLong(double v)
{
    return static_cast<std::uint32_t>(std::clamp(std::llround(v), 0LL, 0xFFFFFFFFLL));
}

inline std::uint16_t highWord(std::uint32_t v)
{
    return static_cast<std::uint16_t>(v >> 16);
}
inline std::uint16_t lowWord(std::uint32_t v)
{
    return static_cast<std::uint16_t>(v & 0xFFFF);
}

} // namespace zrq7::sim::relaymap
