// Calibration command registers of the sensor (zero-based holding registers) and the flowmeter's
// registers on the same line. Every calibration operation, the CLI and the tests name them here.
#pragma once

#include <cstdint>

namespace talvex::calibration::reg {

inline constexpr int kDissolved = 0;              // int32, high word first, ppm
inline constexpr int kGasPhase = 4;               // int32, high word first, ppm
inline constexpr int kStatusWord = 111;           // bits 3-6 of the low byte: wireless CAL_Status
inline constexpr int kCalCommand1 = 121;          // start codes, first-point commands; read back
inline constexpr int kCalCommand2 = 122;          // calibrate codes, second-point commands; read back
inline constexpr int kCalClear = 123;             // clear-calibration command
inline constexpr int kReferenceFirst = 126;       // reference value, first word
inline constexpr int kReferenceSecond = 127;      // reference value, second word
inline constexpr int kCalMonthDay = 128;          // month in the high byte, day in the low byte
inline constexpr int kCalYear = 129;              // four-digit year
inline constexpr int kRunMode = 160;              // run-mode command register
inline constexpr int kPressure = 161;             // float, low word first, kPa
inline constexpr int kMoistureTemperature = 163;  // float, low word first, degC
inline constexpr int kMoisture = 165;             // float, low word first, ppm

// Command and result values of registers 121/122/123/160.
inline constexpr std::uint16_t kStartInOil = 1001;       // 121 start, 122 calibrate (in-oil, wireless)
inline constexpr std::uint16_t kStartGasPoint = 1;       // 121 first point, 122 second point
inline constexpr std::uint16_t kGasPointCalibrate = 17;  // 121 / 122
inline constexpr std::uint16_t kGasSecondPointNext = 2;  // 121 after the first point
inline constexpr std::uint16_t kGasPointDone = 16;       // read back after 17
inline constexpr std::uint16_t kInOilDone = 0;           // read back after 122 := 1001
inline constexpr std::uint16_t kRefusedBusy = 403;       // refused in the present measuring state
inline constexpr std::uint16_t kRefusedState = 404;
inline constexpr std::uint16_t kClearHydrogen = 1;
inline constexpr std::uint16_t kClearPressure = 3;
inline constexpr std::uint16_t kClearMoisture = 4;
inline constexpr std::uint16_t kClearMoistureTemperature = 5;
inline constexpr std::uint16_t kRunModeNormal = 1;      // acknowledged by 0x0010
inline constexpr std::uint16_t kRunModeLaboratory = 5;  // acknowledged by 0x0050

}  // namespace talvex::calibration::reg

namespace talvex::calibration::flow_reg {

inline constexpr int kSlave = 200;         // the mass-flow controller's fixed address
inline constexpr int kSetpoint = 2053;     // 2053-2054: u32 high word first, 0.001 mL/min; function 16
inline constexpr int kTemperature = 2102;  // u16, 0.01 degC
inline constexpr int kMassFlow = 2103;     // u16, mL/min

}  // namespace talvex::calibration::flow_reg
