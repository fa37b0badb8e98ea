// The sensor's side of calibration: start, calibrate and clear commands through 121-123 with the
// reference value and date in 126-129, and for a wireless sensor the CAL_Status handshake in which
// it takes one piece per wake-up.
#include <cmath>

#include "talvex/sensor_registers.hpp"
#include "talvex/sim/codec.hpp"
#include "talvex/sim/sensor.hpp"

namespace talvex::sim {

namespace {
namespace reg = sensor::reg;
namespace cal = sensor::cal;
constexpr std::uint16_t kFailed = 1;

// CAL_Status of a wireless sensor's handshake.
constexpr std::uint8_t kHandshakeStarted = 1, kHandshakeCalibrated = 2, kHandshakeCleared = 3,
                       kHandshakeReferenceHigh = 4, kHandshakeReferenceLow = 5, kHandshakeDate = 6,
                       kHandshakeYear = 7, kHandshakeFailed = 8;
}  // namespace

std::uint8_t Sensor::calStatus(TimePoint now) {
    settle(now);
    return calStatus_;
}

void Sensor::applyHydrogenCalibration(double reference, TimePoint now, CalibratedPhase phase) {
    // Scale the sensor's gain so that the value the command calibrates equals the reference. Both
    // values come from one hydrogen level through the oil/gas relation, so the other one follows.
    const Measurement m = measure(now);
    const double reading = phase == CalibratedPhase::Gas ? m.gas : m.dissolved;
    if (reading > 0 && reference > 0) hydrogenGain_ *= reference / reading;
}

// The in-oil calibrate command calibrates what the sensor shows as its main value: the gas phase in
// laboratory mode (where it measures a reference gas) and on gas-phase models, else the oil value.
Sensor::CalibratedPhase Sensor::inOilCalibratedPhase() const {
    return isGasPhaseModel(config_.model) || runMode_ == sensor::runmode::kLaboratory ? CalibratedPhase::Gas
                                                                                      : CalibratedPhase::Oil;
}

void Sensor::calibrationWrite(std::uint16_t address, std::uint16_t value, TimePoint now) {
    if (config_.wireless) {
        handshakeWrite(address, value, now);
        return;
    }
    regs_[address] = value;
    const auto reference32 = [this] {
        return static_cast<std::int32_t>(
            u32HighFirst(reg(reg::kCalReferenceHigh), reg(reg::kCalReferenceLow)));
    };
    const std::uint16_t refused = config_.refusalCode;
    const bool refuseStart = config_.refuseCalibration;
    const bool refuse = config_.refuseCalibration || config_.refuseCalibrate;
    const bool fail = config_.failCalibration;
    switch (address) {
        case reg::kCalibration1:
            switch (value) {
                case cal::kInOil:
                case cal::kGasPhaseFirst:
                case cal::kPressure:
                case cal::kMoisture:
                case cal::kMoistureTemperature:
                    if (refuseStart)
                        regs_[reg::kCalibration1] = refused;  // otherwise the start code reads back
                    return;
                case cal::kGasPhasePoint:
                    later(now, timing_.processing, [this, refuse, fail, reference32, now, refused] {
                        if (refuse)
                            regs_[reg::kCalibration1] = refused;
                        else if (fail)
                            regs_[reg::kCalibration1] = kFailed;
                        else {
                            applyHydrogenCalibration(reference32(), now, CalibratedPhase::Gas);
                            regs_[reg::kCalibration1] = cal::kGasPhaseDone;
                        }
                    });
                    return;
                default:
                    return;
            }
        case reg::kCalibration2:
            switch (value) {
                case cal::kGasPhaseFirst:
                    if (refuseStart) regs_[reg::kCalibration2] = refused;
                    return;
                case cal::kGasPhasePoint:
                case cal::kInOil:
                    later(now, timing_.processing, [this, value, refuse, fail, reference32, now, refused] {
                        if (refuse)
                            regs_[reg::kCalibration2] = refused;
                        else if (fail)
                            regs_[reg::kCalibration2] = kFailed;
                        else {
                            // In laboratory mode the reference arrives divided by 18.5.
                            const double ref =
                                runMode_ == sensor::runmode::kLaboratory && value == cal::kInOil
                                    ? reference32() * 18.5
                                    : reference32();
                            applyHydrogenCalibration(
                                ref, now,
                                value == cal::kGasPhasePoint ? CalibratedPhase::Gas : inOilCalibratedPhase());
                            regs_[reg::kCalibration2] =
                                value == cal::kGasPhasePoint ? cal::kGasPhaseDone : cal::kCalibrateDone;
                        }
                    });
                    return;
                case cal::kPressure:
                case cal::kMoisture:
                case cal::kMoistureTemperature:
                    later(now, timing_.processing, [this, value, refuse, fail, now, refused] {
                        if (refuse) {
                            regs_[reg::kCalibration2] = refused;
                            return;
                        }
                        if (fail) {
                            regs_[reg::kCalibration2] = kFailed;
                            return;
                        }
                        // Float reference, low-order half first.
                        const double ref =
                            floatFromLowFirst(reg(reg::kCalReferenceHigh), reg(reg::kCalReferenceLow));
                        const Measurement m = measure(now);
                        if (value == cal::kPressure) pressureOffset_ += ref - m.pressure;
                        if (value == cal::kMoisture) moistureOffset_ += ref - m.moisture;
                        if (value == cal::kMoistureTemperature)
                            moistureTempOffset_ += ref - m.moistureTemperature;
                        regs_[reg::kCalibration2] = cal::kCalibrateDone;
                    });
                    return;
                default:
                    return;
            }
        case reg::kReset:
            switch (value) {
                case sensor::kResetClearHydrogen:
                    hydrogenGain_ = 1.0;
                    return;
                case sensor::kResetRestoreFactory:
                    resetSettings(now);
                    return;
                case sensor::kResetClearPressure:
                    pressureOffset_ = 0;
                    return;
                case sensor::kResetClearMoisture:
                    moistureOffset_ = 0;
                    return;
                case sensor::kResetClearMoistureTemperature:
                    moistureTempOffset_ = 0;
                    return;
                default:
                    return;
            }
        default:
            return;  // reference and date, taken by the calibrate command
    }
}

// A wireless sensor wakes up now and then and takes one piece of the calibration per wake-up,
// reporting each step in CAL_Status: 1 started, 4 reference high word, 5 low word, 6 date,
// 7 year, then 2 calibrated or 8 failed; 3 after a clear.
void Sensor::handshakeWrite(std::uint16_t address, std::uint16_t value, TimePoint now) {
    regs_[address] = value;
    std::uint8_t target = 0;
    if (address == reg::kCalibration1 && value == cal::kInOil) {
        if (config_.refuseCalibration) {
            regs_[reg::kCalibration1] = config_.refusalCode;
            return;
        }
        target = kHandshakeStarted;
    } else if (address == reg::kCalReferenceHigh && calStatus_ == kHandshakeStarted) {
        target = kHandshakeReferenceHigh;
    } else if (address == reg::kCalReferenceLow && calStatus_ == kHandshakeReferenceHigh) {
        target = kHandshakeReferenceLow;
    } else if (address == reg::kCalDateMonthDay && calStatus_ == kHandshakeReferenceLow) {
        target = kHandshakeDate;
    } else if (address == reg::kCalDateYear && calStatus_ == kHandshakeDate) {
        target = kHandshakeYear;
    } else if (address == reg::kCalibration2 && value == cal::kInOil && calStatus_ == kHandshakeYear) {
        target = config_.failCalibration || config_.refuseCalibration || config_.refuseCalibrate
                     ? kHandshakeFailed
                     : kHandshakeCalibrated;
    } else if (address == reg::kReset && value == sensor::kResetClearHydrogen) {
        target = kHandshakeCleared;
    }
    if (target == 0 || target == calStatus_ || target == calTarget_) return;
    calTarget_ = target;
    later(now, timing_.handshakeStage, [this, target, now] {
        if (calTarget_ != target) return;  // superseded by a later command
        calTarget_ = 0;
        calStatus_ = target;
        if (target == kHandshakeCalibrated) {
            // The wireless wizard reads and calibrates the gas-phase value (registers 4-5).
            applyHydrogenCalibration(static_cast<std::int32_t>(u32HighFirst(reg(reg::kCalReferenceHigh),
                                                                            reg(reg::kCalReferenceLow))),
                                     now, CalibratedPhase::Gas);
        } else if (target == kHandshakeCleared) {
            hydrogenGain_ = 1.0;
        }
    });
}

}  // namespace talvex::sim
