// The temperature-coefficient dialog's logic ("测温系数拟合"): the reference temperature as a
// quadratic in the sensor's reading over the cells from a start to an end point, plus the linear
// correction pair, which a fit resets to a = 1, b = 0.
#pragma once

#include <string>
#include <vector>

#include "talvex/calibration/fitting/calibration_sheet.hpp"
#include "talvex/calibration/fitting/fit_fields.hpp"

namespace talvex::calibration::fitting {

struct TemperatureRange {
    int start = 0, end = 0;  // cell indices 0..48 (the selectors list referenceSelectorEntries)
};

// "" when start <= end within the selectors and at most 20 points; else the refusing message.
std::string checkTemperatureRange(const TemperatureRange& range);

// Rows "序号", "横坐标" (reading), "纵坐标" (reference); rows 0 and end − start marked.
std::vector<PointRow> temperatureCoefficientRows(const CalibrationSheet& sheet, int sheetRow,
                                                 const TemperatureRange& range);

// ST_A, ST_B, ST_C, STC_a, STC_b, all empty.
Fields temperatureCoefficientFields();

struct TemperatureCoefficientFit {
    Fields fields;
};

FitOutcome<TemperatureCoefficientFit> fitTemperatureCoefficients(const CalibrationSheet& sheet, int sheetRow,
                                                                 const TemperatureRange& range);

}  // namespace talvex::calibration::fitting
