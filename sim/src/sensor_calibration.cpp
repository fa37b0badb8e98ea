// The sensor's side of calibration: start, calibrate and clear commands through 121-123 with the
// reference value and date in 126-129, and for a wireless sensor the CAL_Status handshake in which
// it takes one piece per wake-up.
#include <cmath>

#include "talvex/sim/codec.hpp"
#include "talvex/sim/sensor.hpp"

namespace talvex::sim {

namespace {
constexpr std::uint16_t kFailed = 1;
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
    return isGasPhaseModel(config_.model) || runMode_ == 5 ? CalibratedPhase::Gas : CalibratedPhase::Oil;
}

void Sensor::calibrationWrite(std::uint16_t address, std::uint16_t value, TimePoint now) {
    if (config_.wireless) {
        handshakeWrite(address, value, now);
        return;
    }
    regs_[address] = value;
    const auto reference32 = [this] { return static_cast<std::int32_t>(u32HighFirst(reg(126), reg(127))); };
    const std::uint16_t refused = config_.refusalCode;
    const bool refuseStart = config_.refuseCalibration;
    const bool refuse = config_.refuseCalibration || config_.refuseCalibrate;
    const bool fail = config_.failCalibration;
    switch (address) {
        case 121:
            switch (value) {
                case 1001:
                case 1:
                case 2001:
                case 3001:
                case 4001:
                    if (refuseStart) regs_[121] = refused;  // otherwise the start code reads back
                    return;
                case 17:
                    later(now, timing_.processing, [this, refuse, fail, reference32, now, refused] {
                        if (refuse)
                            regs_[121] = refused;
                        else if (fail)
                            regs_[121] = kFailed;
                        else {
                            applyHydrogenCalibration(reference32(), now, CalibratedPhase::Gas);
                            regs_[121] = 16;
                        }
                    });
                    return;
                default:
                    return;
            }
        case 122:
            switch (value) {
                case 1:
                    if (refuseStart) regs_[122] = refused;
                    return;
                case 17:
                case 1001:
                    later(now, timing_.processing, [this, value, refuse, fail, reference32, now, refused] {
                        if (refuse)
                            regs_[122] = refused;
                        else if (fail)
                            regs_[122] = kFailed;
                        else {
                            // In laboratory mode the reference arrives divided by 18.5.
                            const double ref =
                                runMode_ == 5 && value == 1001 ? reference32() * 18.5 : reference32();
                            applyHydrogenCalibration(
                                ref, now, value == 17 ? CalibratedPhase::Gas : inOilCalibratedPhase());
                            regs_[122] = value == 17 ? 16 : 0;
                        }
                    });
                    return;
                case 2001:
                case 3001:
                case 4001:
                    later(now, timing_.processing, [this, value, refuse, fail, now, refused] {
                        if (refuse) {
                            regs_[122] = refused;
                            return;
                        }
                        if (fail) {
                            regs_[122] = kFailed;
                            return;
                        }
                        // Float reference, low-order half in 126.
                        const double ref = floatFromLowFirst(reg(126), reg(127));
                        const Measurement m = measure(now);
                        if (value == 2001) pressureOffset_ += ref - m.pressure;
                        if (value == 3001) moistureOffset_ += ref - m.moisture;
                        if (value == 4001) moistureTempOffset_ += ref - m.moistureTemperature;
                        regs_[122] = 0;
                    });
                    return;
                default:
                    return;
            }
        case 123:
            switch (value) {
                case 1:
                    hydrogenGain_ = 1.0;
                    return;
                case 2:
                    resetSettings(now);
                    return;
                case 3:
                    pressureOffset_ = 0;
                    return;
                case 4:
                    moistureOffset_ = 0;
                    return;
                case 5:
                    moistureTempOffset_ = 0;
                    return;
                default:
                    return;
            }
        default:
            return;  // 126-129: reference and date, taken by the calibrate command
    }
}

// A wireless sensor wakes up now and then and takes one piece of the calibration per wake-up,
// reporting each step in CAL_Status: 1 started, 4 reference high word, 5 low word, 6 date,
// 7 year, then 2 calibrated or 8 failed; 3 after a clear.
void Sensor::handshakeWrite(std::uint16_t address, std::uint16_t value, TimePoint now) {
    regs_[address] = value;
    std::uint8_t target = 0;
    if (address == 121 && value == 1001) {
        if (config_.refuseCalibration) {
            regs_[121] = config_.refusalCode;
            return;
        }
        target = 1;
    } else if (address == 126 && calStatus_ == 1) {
        target = 4;
    } else if (address == 127 && calStatus_ == 4) {
        target = 5;
    } else if (address == 128 && calStatus_ == 5) {
        target = 6;
    } else if (address == 129 && calStatus_ == 6) {
        target = 7;
    } else if (address == 122 && value == 1001 && calStatus_ == 7) {
        target = config_.failCalibration || config_.refuseCalibration || config_.refuseCalibrate ? 8 : 2;
    } else if (address == 123 && value == 1) {
        target = 3;
    }
    if (target == 0 || target == calStatus_ || target == calTarget_) return;
    calTarget_ = target;
    later(now, timing_.handshakeStage, [this, target, now] {
        if (calTarget_ != target) return;  // superseded by a later command
        calTarget_ = 0;
        calStatus_ = target;
        if (target == 2) {
            // The wireless wizard reads and calibrates the gas-phase value (registers 4-5).
            applyHydrogenCalibration(static_cast<std::int32_t>(u32HighFirst(reg(126), reg(127))), now,
                                     CalibratedPhase::Gas);
        } else if (target == 3) {
            hydrogenGain_ = 1.0;
        }
    });
}

}  // namespace talvex::sim
