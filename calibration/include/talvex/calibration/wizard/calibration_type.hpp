// The seven calibration types in selector order, with what each one sends and reads.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace talvex::calibration {

// The numeric type code; for the pressure and moisture types it is also the command value.
enum class CalibrationType : int {
    InOil = 30,
    GasPhase = 40,
    InOilLab = 3040,
    Wireless = 39,
    Pressure = 2001,
    Moisture = 3001,
    MoistureTemperature = 4001,
};

// How Step 3's reading and Step 4's reference travel.
enum class ValueEncoding {
    Int32HighFirst,  // whole ppm; register n holds the high word
    FloatLowFirst,   // IEEE single; register n holds the low word
};

struct CalibrationTypeInfo {
    CalibrationType type;
    std::string_view selectorKey;  // language key of the selector entry
    std::string_view cliName;      // talvex-cli calibrate --type
    std::string_view unit;         // label beside the value fields
    bool twoPointAllowed;
    std::uint16_t startCommand;  // Step 3, register 121 (gas phase: first point)
    int valueRegister;           // Step 3 reading, two registers
    ValueEncoding encoding;
    std::uint16_t clearCommand;  // register 123
    std::string_view clearQuestionKey;
    std::string_view clearedKey;
};

extern const std::array<CalibrationTypeInfo, 7> kCalibrationTypes;

const CalibrationTypeInfo& typeInfo(CalibrationType type);
// Selector index 0..6; out of range gives index 0.
const CalibrationTypeInfo& typeAt(int index);
int indexOf(CalibrationType type);
std::optional<CalibrationType> typeFromCliName(std::string_view name);

inline bool isInOil(CalibrationType t) {
    return t == CalibrationType::InOil || t == CalibrationType::InOilLab;
}

}  // namespace talvex::calibration
