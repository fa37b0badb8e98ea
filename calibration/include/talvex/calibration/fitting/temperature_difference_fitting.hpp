// The temperature-difference compensation dialog's logic ("温差补偿拟合"): how the reading drifts
// with temperature relative to a reference point, at low and at high concentration, for the low- or
// the high-temperature segment. A sensor's row holds 14 points of four cells each: low-run
// temperature, low-concentration reading, high-run temperature, high-concentration reading.
#pragma once

#include <string>
#include <vector>

#include "talvex/calibration/fitting/calibration_sheet.hpp"
#include "talvex/calibration/fitting/fit_fields.hpp"

namespace talvex::calibration::fitting {

inline constexpr int kReferencePoints = 14;  // points 0..13 fit in a row's 56 cells

enum class TemperatureSegment { Low = 0, High = 1 };  // selector index; the data kind is index + 1

struct TemperaturePoints {
    int start = 4, reference = 9, end = 13;  // a, b, c: point indices
};

// Entry k: the text of cell 4k of the sheet row (the low-run temperature of point k); entries past
// the row's 14 points are empty.
std::vector<std::string> temperatureSelectorEntries(const CalibrationSheet& sheet, int sheetRow);

// "" when a <= b <= c, all within the row's points; else the message that refuses the selection.
std::string checkTemperaturePoints(const TemperaturePoints& sel);

// Rows "序号", "实测低T", "低浓度R", "低温差R", "实测高T", "高浓度R", "高温差R" for points a..c; the
// differences are the reference point's reading minus this point's ("%.2f"). Rows 0, b−a, c−a marked.
std::vector<PointRow> temperatureDifferenceRows(const CalibrationSheet& sheet, int sheetRow,
                                                const TemperaturePoints& sel);

// The nine fields of a segment: MID_20, REF_L20, REF_H20, R_L20A, R_L20B, R_L20C, R_H20A, R_H20B,
// R_H20C (70 for the high segment), all empty.
Fields temperatureDifferenceFields(TemperatureSegment segment);

struct TemperatureDifferenceFit {
    TemperatureSegment segment = TemperatureSegment::High;
    int dataKind = 2;            // 1 for the low segment, 2 for the high one
    std::vector<PointRow> rows;  // the list the fit worked on
    Fields fields;
};

// Fits the list rows of the selection (the texts of the difference columns, as shown) with one fit
// object: low concentration, then high.
FitOutcome<TemperatureDifferenceFit> fitTemperatureDifference(const CalibrationSheet& sheet, int sheetRow,
                                                              const TemperaturePoints& sel,
                                                              TemperatureSegment segment);

}  // namespace talvex::calibration::fitting
