// SPDX-License-Identifier: MIT
#include "MotorModel.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace zrq7::sim {

namespace {

constexpr std::array<double, 3> kCurrentSkew{0.004, -0.006, 0.002};
constexpr double kStartCos = 0.35;
constexpr double kTwoThirdsPi = 2.0943951023931953;

using Phasor = std::complex<double>;

// Phasors at 0, -120 and +120 degrees, turned back by the lag angle.
std::array<Phasor, 3> phasors(const std::array<double, 3>& magnitude, const std::array<double, 3>& lag)
{
    std::array<Phasor, 3> out;
    for (int p = 0; p < 3; ++p)
        out[p] = std::polar(magnitude[p], -kTwoThirdsPi * p - lag[p]);
    return out;
}

struct Sequence
{
    double positive, negative, zero;
};

Sequence symmetricalComponents(const std::array<Phasor, 3>& x)
{
    const Phasor a = std::polar(1.0, kTwoThirdsPi);
    return {std::abs(x[0] + a * x[1] + a * a * x[2]) / 3.0, std::abs(x[0] + a * a * x[1] + a * x[2]) / 3.0,
            std::abs(x[0] + x[1] + x[2]) / 3.0};
}

// A lightly loaded induction motor draws mostly magnetising current.
double runningCos(double load)
{
    return std::clamp(0.87 - 0.45 * std::max(0.0, 0.75 - load), 0.2, 0.87);
}

} // namespace

MotorModel::MotorModel(std::uint32_t seed) : m_random(seed) {}

void MotorModel::start()
{
    if (m_state != State::Stopped)
        return;
    m_state = State::Starting;
    m_stateSeconds = 0;
    m_startDurationS = 2.0 + 2.0 * std::clamp(m_load, 0.0, 2.0);
    m_startPeak = 0;
}

void MotorModel::stop()
{
    m_state = State::Stopped;
    m_stateSeconds = 0;
}

void MotorModel::setMains(const std::array<double, 3>& phaseVolts, double hertz)
{
    for (int i = 0; i < 3; ++i)
        m_mainsVolts[i] = std::max(0.0, phaseVolts[i]);
    m_mainsHertz = std::max(0.0, hertz);
}

void MotorModel::setLoad(double multipleOfRated)
{
    m_load = std::max(0.0, multipleOfRated);
}

double MotorModel::noise(double sigma)
{
    return std::normal_distribution<double>(0.0, sigma)(m_random);
}

double MotorModel::meanCurrent() const
{
    return (m_now.current[0] + m_now.current[1] + m_now.current[2]) / 3.0;
}

double MotorModel::heatingTimeConstant(const MotorParameters& p) const
{
    // From cold, (I/In)² = 4 reaches the trip level after doubleCurrentTripS.
    return p.doubleCurrentTripS / -std::log(1.0 - kThermalTripLevel / 4.0);
}

double MotorModel::secondsToThermalTrip(const MotorParameters& p) const
{
    if (!energised() || p.ratedCurrent <= 0)
        return -1;
    const double k = meanCurrent() / p.ratedCurrent;
    const double target = k * k;
    if (target <= kThermalTripLevel)
        return -1;
    if (m_thermal >= kThermalTripLevel)
        return 0;
    return heatingTimeConstant(p) * std::log((target - m_thermal) / (target - kThermalTripLevel));
}

void MotorModel::computeElectrical(const MotorParameters& p)
{
    Electrical& e = m_now;
    std::array<double, 3> lagV{};
    for (int i = 0; i < 3; ++i)
        e.phaseVoltage[i] = std::max(0.0, m_mainsVolts[i] + noise(0.3));
    e.frequency = std::max(0.0, m_mainsHertz + noise(0.02));

    double multiple = 0;
    double cos = 0;
    if (m_state == State::Starting) {
        // The starting current falls from its peak as the rotor gathers speed.
        const double progress = std::clamp(m_stateSeconds / m_startDurationS, 0.0, 1.0);
        multiple = kStartCurrentMultiple - (kStartCurrentMultiple - 1.6) * progress * progress;
        cos = kStartCos;
    } else if (m_state == State::Running) {
        multiple = m_load;
        cos = runningCos(m_load);
    }
    std::array<double, 3> lagI{};
    for (int i = 0; i < 3; ++i) {
        // A phase without voltage carries no current (a blown fuse, a lost line).
        const bool live = e.phaseVoltage[i] >= kLivePhaseVolts;
        const double amps = p.ratedCurrent * multiple * (1.0 + kCurrentSkew[i] + noise(0.002));
        e.current[i] = live ? std::max(0.0, amps) : 0.0;
        e.cosPhi[i] = e.current[i] > 0 ? std::clamp(cos + noise(0.002), 0.0, 1.0) : 0.0;
        lagI[i] = std::acos(e.cosPhi[i]);
    }

    const auto v = phasors(e.phaseVoltage, lagV);
    for (int i = 0; i < 3; ++i)
        e.lineVoltage[i] = std::abs(v[i] - v[(i + 1) % 3]);
    const Sequence sv = symmetricalComponents(v);
    e.voltagePositive = sv.positive;
    e.voltageNegative = sv.negative;
    e.voltageZero = sv.zero;
    const Sequence si = symmetricalComponents(phasors(e.current, lagI));
    e.currentPositive = si.positive;
    e.currentNegative = si.negative;
    e.currentZero = si.zero;

    e.apparentVA = e.activeW = e.reactiveVar = 0;
    for (int i = 0; i < 3; ++i) {
        const double s = e.phaseVoltage[i] * e.current[i];
        e.apparentVA += s;
        e.activeW += s * e.cosPhi[i];
        e.reactiveVar += s * std::sqrt(std::max(0.0, 1.0 - e.cosPhi[i] * e.cosPhi[i]));
    }
}

void MotorModel::step(double seconds, const MotorParameters& p)
{
    if (p.ratedCurrent <= 0 && m_state != State::Stopped)
        stop();
    m_stateSeconds += seconds;
    if (m_state == State::Starting && m_stateSeconds >= m_startDurationS) {
        m_lastStartCurrent = m_startPeak;
        m_lastStartSeconds = m_startDurationS;
        m_state = State::Running;
        m_stateSeconds = 0;
    }
    computeElectrical(p);
    const Electrical& e = m_now;
    const double mean = meanCurrent();
    if (m_state == State::Starting)
        m_startPeak = std::max(m_startPeak, mean);

    // Thermal image: heats toward (I/In)² while energised, cools toward 0 at rest.
    const double tau = heatingTimeConstant(p);
    if (energised() && p.ratedCurrent > 0) {
        const double k = mean / p.ratedCurrent;
        m_thermal += (k * k - m_thermal) * (1.0 - std::exp(-seconds / tau));
        m_runningSeconds += seconds;
        if (m_state == State::Running && k > 1.05)
            m_overloadCurrent = mean;
    } else {
        m_thermal *= std::exp(-seconds / (tau * std::max(1.0, p.coolingFactor)));
    }

    const double weight = std::min(1.0, seconds / std::max(1.0, p.averagingPeriodS));
    for (int i = 0; i < 3; ++i) {
        m_average[i] += (e.current[i] - m_average[i]) * weight;
        m_peak[i] = std::max(m_peak[i], m_average[i]);
    }

    const double hours = seconds / 3600.0;
    m_apparentKVAh += e.apparentVA / 1000.0 * hours;
    m_activeKWh += e.activeW / 1000.0 * hours;
    m_reactiveKvarh += e.reactiveVar / 1000.0 * hours;
}

void MotorModel::resetEnergies()
{
    m_apparentKVAh = m_activeKWh = m_reactiveKvarh = 0;
}

void MotorModel::resetStatistics()
{
    m_average = {};
    m_peak = {};
}

} // namespace zrq7::sim
