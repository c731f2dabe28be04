// SPDX-License-Identifier: MIT
// The motor and the mains behind the relay: three phase currents and voltages
// with small noise, cos φ, symmetrical components, powers, energies, average
// and peak currents and the motor's thermal state, stepped through time.
#pragma once

#include <array>
#include <cstdint>
#include <random>

namespace zrq7::sim {

// What the relay's settings tell the motor model; refreshed before every step.
struct MotorParameters
{
    double ratedCurrent = 0;        // A; 0 = no motor fitted
    double doubleCurrentTripS = 60; // thermal trip time from cold at twice the rated current
    double coolingFactor = 1;       // cooling at rest is this many times slower
    double averagingPeriodS = 60;   // of the average currents
};

// Instantaneous electrical values; totals are sums over the phases.
struct Electrical
{
    std::array<double, 3> current{};      // A
    std::array<double, 3> phaseVoltage{}; // V
    std::array<double, 3> lineVoltage{};  // V: AB, BC, CA
    std::array<double, 3> cosPhi{};
    double frequency = 50; // Hz
    double currentPositive = 0, currentNegative = 0, currentZero = 0;
    double voltagePositive = 0, voltageNegative = 0, voltageZero = 0;
    double apparentVA = 0, activeW = 0, reactiveVar = 0;
};

class MotorModel
{
public:
    enum class State { Stopped, Starting, Running };

    // Thermal state is kept as (I / I rated)² in steady state; the relay trips at this level,
    // so a motor may run at 105 % of its rated current for ever.
    static constexpr double kThermalTripLevel = 1.05 * 1.05;
    static constexpr double kStartCurrentMultiple = 4.5;
    // Below this a phase counts as lost: it carries no current.
    static constexpr double kLivePhaseVolts = 50.0;

    explicit MotorModel(std::uint32_t seed);

    void start();
    void stop();
    State state() const { return m_state; }
    bool energised() const { return m_state != State::Stopped; }
    double secondsInState() const { return m_stateSeconds; }
    void setLoad(double multipleOfRated);
    void setMains(const std::array<double, 3>& phaseVolts, double hertz);

    void step(double seconds, const MotorParameters& p);

    const Electrical& electrical() const { return m_now; }
    double meanCurrent() const;
    double thermal() const { return m_thermal; }
    double heatingTimeConstant(const MotorParameters& p) const;
    // Seconds until a thermal trip at the present current; negative when none comes.
    double secondsToThermalTrip(const MotorParameters& p) const;

    const std::array<double, 3>& averageCurrent() const { return m_average; }
    const std::array<double, 3>& peakCurrent() const { return m_peak; }
    double lastStartCurrent() const { return m_lastStartCurrent; }
    double lastStartSeconds() const { return m_lastStartSeconds; }
    double overloadCurrent() const { return m_overloadCurrent; }
    double runningSeconds() const { return m_runningSeconds; }
    void setRunningSeconds(double s) { m_runningSeconds = s; }

    // kVAh, kWh, kvarh
    double apparentEnergy() const { return m_apparentKVAh; }
    double activeEnergy() const { return m_activeKWh; }
    double reactiveEnergy() const { return m_reactiveKvarh; }
    void resetEnergies();
    // After a restart of the relay: averages and peaks start afresh.
    void resetStatistics();

private:
    double noise(double sigma);
    void computeElectrical(const MotorParameters& p);

    std::mt19937 m_random;
    State m_state = State::Stopped;
    double m_stateSeconds = 0;
    double m_load = 0.85;
    std::array<double, 3> m_mainsVolts{231.6, 230.5, 230.8}; // a slightly unbalanced mains
    double m_mainsHertz = 50.0;
    double m_startDurationS = 0;
    double m_startPeak = 0;

    Electrical m_now;
    double m_thermal = 0;
    std::array<double, 3> m_average{};
    std::array<double, 3> m_peak{};
    double m_lastStartCurrent = 0;
    double m_lastStartSeconds = 0;
    double m_overloadCurrent = 0;
    double m_runningSeconds = 0;
    double m_apparentKVAh = 0, m_activeKWh = 0, m_reactiveKvarh = 0;
};

} // namespace zrq7::sim
