// The registers and codes the calibration wizard uses, named after its steps. The numbers live in
// the sensor register map (talvex/sensor_registers.hpp); the flowmeter on the same line (slave 200)
// is not a sensor and has its few registers here.
#pragma once

#include <cstdint>

#include "talvex/sensor_registers.hpp"

namespace talvex::calibration::reg {

namespace map = talvex::sensor::reg;
namespace cal = talvex::sensor::cal;

// Step 3 readings: two registers each.
inline constexpr int kDissolved = map::kHydrogenInOilReading;           // int32, high word first, ppm
inline constexpr int kGasPhase = map::kHydrogenGasPhase;                // int32, high word first, ppm
inline constexpr int kPressure = map::kPressure;                        // float, low word first, kPa
inline constexpr int kMoistureTemperature = map::kMoistureTemperature;  // float, low word first, degC
inline constexpr int kMoisture = map::kMoisture;                        // float, low word first, ppm
inline constexpr int kStatusWord = map::kStatus;         // bits 3-6 of the low byte: wireless CAL_Status
inline constexpr int kCalCommand1 = map::kCalibration1;  // start codes, first-point commands
inline constexpr int kCalCommand2 = map::kCalibration2;  // calibrate codes, second-point commands
inline constexpr int kCalClear = map::kReset;            // clear-calibration command
inline constexpr int kReferenceFirst = map::kCalReferenceHigh;
inline constexpr int kReferenceSecond = map::kCalReferenceLow;
inline constexpr int kCalMonthDay = map::kCalDateMonthDay;
inline constexpr int kCalYear = map::kCalDateYear;
inline constexpr int kRunMode = map::kCommand;

inline constexpr std::uint16_t kStartInOil = cal::kInOil;  // 121 start, 122 calibrate (in oil, wireless)
inline constexpr std::uint16_t kStartGasPoint = cal::kGasPhaseFirst;
inline constexpr std::uint16_t kGasPointCalibrate = cal::kGasPhasePoint;
inline constexpr std::uint16_t kGasSecondPointNext = cal::kGasPhaseNext;
inline constexpr std::uint16_t kGasPointDone = cal::kGasPhaseDone;
inline constexpr std::uint16_t kInOilDone = cal::kCalibrateDone;
inline constexpr std::uint16_t kRefusedBusy = cal::kRefused;
inline constexpr std::uint16_t kRefusedState = cal::kRefusedToo;
inline constexpr std::uint16_t kClearHydrogen = talvex::sensor::kResetClearHydrogen;
inline constexpr std::uint16_t kClearPressure = talvex::sensor::kResetClearPressure;
inline constexpr std::uint16_t kClearMoisture = talvex::sensor::kResetClearMoisture;
inline constexpr std::uint16_t kClearMoistureTemperature = talvex::sensor::kResetClearMoistureTemperature;
inline constexpr std::uint16_t kRunModeNormal = talvex::sensor::runmode::kUser;
inline constexpr std::uint16_t kRunModeLaboratory = talvex::sensor::runmode::kLaboratory;

}  // namespace talvex::calibration::reg

namespace talvex::calibration::flow_reg {

inline constexpr int kSlave = 200;         // the mass-flow controller's fixed address
inline constexpr int kSetpoint = 2053;     // 2053-2054: u32 high word first, 0.001 mL/min; function 16
inline constexpr int kTemperature = 2102;  // u16, 0.01 degC
inline constexpr int kMassFlow = 2103;     // u16, mL/min

}  // namespace talvex::calibration::flow_reg
