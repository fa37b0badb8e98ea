#include "talvex/calibration/wizard/calibration_type.hpp"

#include "talvex/calibration/wizard/calibration_registers.hpp"

namespace talvex::calibration {

using enum CalibrationType;
using enum ValueEncoding;

const std::array<CalibrationTypeInfo, 7> kCalibrationTypes = {{
    {InOil, "IDS_Tab_Cal_InOilSensorCal", "in-oil", "PPM", false, reg::kStartInOil, reg::kDissolved,
     Int32HighFirst, reg::kClearHydrogen, "IDS_Tab_Cal_ClearH2Cal", "IDS_Tab_Cal_CalDataCleared"},
    {GasPhase, "IDS_Tab_Cal_GasPhaseSensorCal", "gas-phase", "PPM", true, reg::kStartGasPoint, reg::kGasPhase,
     Int32HighFirst, reg::kClearHydrogen, "IDS_Tab_Cal_ClearH2Cal", "IDS_Tab_Cal_CalDataCleared"},
    {InOilLab, "IDS_Tab_Cal_InOilSensorCal(Lab)", "in-oil-lab", "PPM", false, reg::kStartInOil,
     reg::kGasPhase, Int32HighFirst, reg::kClearHydrogen, "IDS_Tab_Cal_ClearH2Cal",
     "IDS_Tab_Cal_CalDataCleared"},
    {Wireless, "IDS_Tab_Cal_WlessSensorCal", "wireless", "PPM", false, reg::kStartInOil, reg::kGasPhase,
     Int32HighFirst, reg::kClearHydrogen, "IDS_Tab_Cal_ClearLoRaCal", "IDS_Tab_Cal_CalDataCleared"},
    {Pressure, "IDS_Tab_Cal_PRSensorCal", "pressure", "KPa", false, static_cast<std::uint16_t>(Pressure),
     reg::kPressure, FloatLowFirst, reg::kClearPressure, "IDS_Tab_Cal_ClearPRCal",
     "IDS_Tab_Cal_PRCalCleared"},
    {Moisture, "IDS_Tab_Cal_MOSensorCal", "moisture", "PPM", false, static_cast<std::uint16_t>(Moisture),
     reg::kMoisture, FloatLowFirst, reg::kClearMoisture, "IDS_Tab_Cal_ClearMOCal",
     "IDS_Tab_Cal_MOCalCleared"},
    {MoistureTemperature, "IDS_Tab_Cal_MOSensorTempCal", "moisture-temperature", "\u2103", false,
     static_cast<std::uint16_t>(MoistureTemperature), reg::kMoistureTemperature, FloatLowFirst,
     reg::kClearMoistureTemperature, "IDS_Tab_Cal_ClearMOTCal", "IDS_Tab_Cal_MOPCalCleared"},
}};

const CalibrationTypeInfo& typeInfo(CalibrationType type) {
    return kCalibrationTypes[static_cast<std::size_t>(indexOf(type))];
}

const CalibrationTypeInfo& typeAt(int index) {
    if (index < 0 || index >= static_cast<int>(kCalibrationTypes.size())) index = 0;
    return kCalibrationTypes[static_cast<std::size_t>(index)];
}

int indexOf(CalibrationType type) {
    for (std::size_t i = 0; i < kCalibrationTypes.size(); ++i)
        if (kCalibrationTypes[i].type == type) return static_cast<int>(i);
    return 0;
}

std::optional<CalibrationType> typeFromCliName(std::string_view name) {
    for (const auto& t : kCalibrationTypes)
        if (t.cliName == name) return t.type;
    return std::nullopt;
}

}  // namespace talvex::calibration
