// The simulated physics of a sensor: hydrogen and temperatures varying slowly and smoothly with
// time (deterministic in the seed, so runs repeat), and the status word derived from them.
#include <algorithm>
#include <cmath>

#include "talvex/sensor_registers.hpp"
#include "talvex/sim/sensor.hpp"

namespace talvex::sim {

namespace {
constexpr double kTwoPi = 6.283185307179586;
// Gas-phase hydrogen in equilibrium with the oil: Ostwald coefficient of hydrogen in mineral oil.
constexpr double kOstwald = 0.05;
}  // namespace

double Sensor::secondsSinceStart(TimePoint now) const {
    return std::chrono::duration<double>(now - start_).count();
}

double Sensor::wallSeconds(TimePoint now) const {
    return wallStart_ + secondsSinceStart(now);
}

// Main hydrogen value (dissolved for in-oil models, gas phase for gas-phase models) at t seconds.
double Sensor::hydrogenAt(double t) const {
    const double p = physics_.base * (1.0 + 0.08 * std::sin(kTwoPi * t / 21600.0 + physics_.phase1) +
                                      0.03 * std::sin(kTwoPi * t / 2820.0 + physics_.phase2)) +
                     physics_.drift * t / 86400.0;
    return std::max(0.0, p * hydrogenGain_);
}

double Sensor::oilTemperatureAt(double t) const {
    return physics_.oilBase + 4.0 * std::sin(kTwoPi * t / 43200.0 + physics_.oilPhase);
}

double Sensor::targetSensorTemperature() const {
    switch (runMode_) {
        case 4:
            return -1000;  // heating off: follows the oil
        case 5:
            return 50;
        case 7:
            return 70;
        case 9:
            return 90;
        case 0x11:
            return 110;
        case 0x20:
            return 20;
        case 0x30:
            return 30;
        case 0x40:
            return 40;
        case 0x60:
            return 60;
        case 0x80:
            return 80;
        case 0x10:
            return 100;
        default:
            return 70;
    }
}

void Sensor::setRunMode(std::uint16_t mode, TimePoint now) {
    sensorTempAtModeChange_ = measure(now).sensorTemperature;
    runMode_ = mode;
    runModeSince_ = now;
}

Measurement Sensor::measure(TimePoint now) {
    const double t = secondsSinceStart(now);
    Measurement m;
    const double main = hydrogenAt(t);
    const bool gas = isGasPhaseModel(config_.model);
    m.dissolved = gas ? main * kOstwald : main;
    m.gas = gas ? main : main / kOstwald;
    m.dailyRate = static_cast<int>(std::lround(main - hydrogenAt(t - 86400.0)));
    m.oilTemperature = oilTemperatureAt(t);

    // The core heats toward the run mode's temperature with a 20 s time constant.
    double target = targetSensorTemperature();
    if (target < -100) target = m.oilTemperature;
    const double since = std::chrono::duration<double>(now - runModeSince_).count();
    m.sensorTemperature = target + (sensorTempAtModeChange_ - target) * std::exp(-since / 20.0);

    if (config_.pressureFitted && (options_[0] & 1)) {
        m.pressure = 101.3 + 0.4 * std::sin(kTwoPi * t / 3600.0 + physics_.phase2) + pressureOffset_;
    }
    if (config_.moistureFitted && (options_[1] & 1)) {
        m.moisture = 12.0 + 3.0 * std::sin(kTwoPi * t / 7200.0 + physics_.phase1) + moistureOffset_;
        m.moistureTemperature = m.oilTemperature + moistureTempOffset_;
    }
    m.energy = energy_;

    // The scenario of the command line, in oil; the gas phase follows as the model relates them.
    std::optional<double> scenario;
    if (const auto& r = config_.h2Ramp)
        scenario =
            r->from + (r->to - r->from) * (r->seconds > 0 ? std::clamp(t / r->seconds, 0.0, 1.0) : 1.0);
    if (const auto& p = config_.h2Spike; p && t >= p->at && t < p->at + p->seconds) scenario = p->ppm;
    if (scenario) {
        m.dissolved = *scenario;
        m.gas = *scenario / kOstwald;
    }

    if (values_.dissolved) m.dissolved = *values_.dissolved;
    if (values_.gas) m.gas = *values_.gas;
    if (values_.oilTemperature) m.oilTemperature = *values_.oilTemperature;
    if (values_.sensorTemperature) m.sensorTemperature = *values_.sensorTemperature;
    if (values_.pressure) m.pressure = *values_.pressure;
    if (values_.moisture) m.moisture = *values_.moisture;
    if (values_.moistureTemperature) m.moistureTemperature = *values_.moistureTemperature;
    if (values_.dailyRate) m.dailyRate = *values_.dailyRate;
    if (values_.energy) m.energy = *values_.energy;
    m.status = statusWord(m, now);
    return m;
}

// Bits: 0-2 measuring state (1 hydrogen, 2 temperature, 4 over-temperature), 3-6 wireless
// calibration state or alarms 1-3 in bits 4-6, 7 moisture sensor on, 8 pressure sensor on,
// 9 heating, 10 thermistor fault, 11 hydrogen element fault (the last two only when forced).
std::uint16_t Sensor::statusWord(const Measurement& m, TimePoint now) {
    std::uint16_t status = 0;
    const auto elapsed = std::chrono::duration_cast<Millis>(now - start_).count();
    const auto cycle = std::max<std::int64_t>(1, timing_.measureCycle.count());
    if (m.sensorTemperature > 125.0) {
        status |= 0x4;
    } else {
        status |= (elapsed % cycle) * 3 < cycle * 2 ? 0x1 : 0x2;
    }
    if (config_.wireless) {
        status |= static_cast<std::uint16_t>((calStatus_ & 0x0F) << 3);
    } else {
        const auto threshold = [this](std::uint16_t a) {
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(reg(a)) << 16 | reg(a + 1));
        };
        const double main = isGasPhaseModel(config_.model) ? m.gas : m.dissolved;
        namespace r = talvex::sensor::reg;
        const std::int32_t alarm1 = threshold(r::kAlarmHydrogen);
        const std::int32_t alarm2 = threshold(r::kAlarmRate);
        const std::uint16_t alarm3 = reg(r::kAlarmOilTemperature);
        if (alarm1 > 0 && main >= alarm1) status |= r::kStatusAlarm1;
        if (alarm2 > 0 && m.dailyRate >= alarm2) status |= r::kStatusAlarm2;
        if (alarm3 > 0 && m.oilTemperature * 100.0 >= alarm3) status |= r::kStatusAlarm3;
    }
    if (config_.moistureFitted && (options_[1] & 1)) status |= 0x80;
    if (config_.pressureFitted && (options_[0] & 1)) status |= 0x100;
    // The heater regulates: on while the core is below its target, else on two seconds in five.
    if (runMode_ != 4) {
        const double target = targetSensorTemperature();
        if (m.sensorTemperature < target - 0.5 || elapsed % 5000 < 2000) status |= 0x200;
    }
    if (const auto& b = config_.statusBits; b && secondsSinceStart(now) >= b->at) status |= b->mask;
    return static_cast<std::uint16_t>(status | values_.statusBitsSet);
}

}  // namespace talvex::sim
