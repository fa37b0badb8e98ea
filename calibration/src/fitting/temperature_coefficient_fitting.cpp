#include "talvex/calibration/fitting/temperature_coefficient_fitting.hpp"

#include "talvex/language.hpp"

namespace talvex::calibration::fitting {

std::string checkTemperatureRange(const TemperatureRange& range) {
    for (int cell : {range.start, range.end})
        if (cell < 0 || cell >= kSelectorEntries) return GetText("IDS_Fit_PastData");
    if (range.start > range.end) return GetText("IDS_Fit_PointOrder");
    if (range.end - range.start + 1 > kMaxPoints) return GetText("IDS_Fit_TooManyPoints");
    return {};
}

std::vector<PointRow> temperatureCoefficientRows(const CalibrationSheet& sheet, int sheetRow,
                                                 const TemperatureRange& range) {
    std::vector<PointRow> rows;
    for (int i = 0; i <= range.end - range.start; ++i)
        rows.push_back(
            {{std::to_string(i), sheet.text(sheetRow, range.start + i), sheet.text(0, range.start + i)},
             false});
    rows.front().marked = true;
    rows.back().marked = true;
    return rows;
}

Fields temperatureCoefficientFields() {
    return {{"ST_A", {}}, {"ST_B", {}}, {"ST_C", {}}, {"STC_a", {}}, {"STC_b", {}}};
}

FitOutcome<TemperatureCoefficientFit> fitTemperatureCoefficients(const CalibrationSheet& sheet, int sheetRow,
                                                                 const TemperatureRange& range) {
    if (std::string refusal = checkTemperatureRange(range); !refusal.empty()) return {std::nullopt, refusal};
    std::vector<SheetCell> used;
    for (int cell = range.start; cell <= range.end; ++cell)
        used.insert(used.end(), {{sheetRow, cell}, {0, cell}});
    if (std::string refusal = checkNumberCells(sheet, used); !refusal.empty()) return {std::nullopt, refusal};
    std::vector<double> x, y;
    for (int cell = range.start; cell <= range.end; ++cell) {
        x.push_back(sheet.value(sheetRow, cell));
        y.push_back(sheet.value(0, cell));
    }
    QuadraticFit fit;
    if (const FitStatus status = fit.fit(x.data(), y.data(), x.size()); status != FitStatus::Ok)
        return {std::nullopt, fitRefusalText(status)};
    const auto& c = *fit.coefficients();
    TemperatureCoefficientFit out{temperatureCoefficientFields()};
    setFieldText(out.fields, "ST_C", formatFixed(c[0], 9));
    setFieldText(out.fields, "ST_B", formatFixed(c[1], 9));
    setFieldText(out.fields, "ST_A", formatFixed(c[2], 9));
    setFieldText(out.fields, "STC_a", "1");
    setFieldText(out.fields, "STC_b", "0");
    return {std::move(out), {}};
}

}  // namespace talvex::calibration::fitting
