#include "talvex/calibration/fitting/temperature_difference_fitting.hpp"

#include "talvex/language.hpp"

namespace talvex::calibration::fitting {
namespace {

enum Column { Index, LowT, LowR, LowDiff, HighT, HighR, HighDiff };

std::string suffix(TemperatureSegment segment) {
    return segment == TemperatureSegment::Low ? "20" : "70";
}

// One concentration's fit: x and y from two list columns; C, B, A from c0, c1, c2.
FitStatus fitColumns(QuadraticFit& fit, const std::vector<PointRow>& rows, int xColumn, int yColumn,
                     Fields& fields, const std::string& prefix) {
    std::vector<double> x, y;
    for (const auto& row : rows) {
        x.push_back(parseNumber(row.columns[static_cast<std::size_t>(xColumn)]));
        y.push_back(parseNumber(row.columns[static_cast<std::size_t>(yColumn)]));
    }
    const FitStatus status = fit.fit(x.data(), y.data(), x.size());
    if (status != FitStatus::Ok) return status;
    const auto& c = *fit.coefficients();
    setFieldText(fields, prefix + "C", formatFixed(c[0], 9));
    setFieldText(fields, prefix + "B", formatFixed(c[1], 9));
    setFieldText(fields, prefix + "A", formatFixed(c[2], 9));
    return FitStatus::Ok;
}

}  // namespace

std::vector<std::string> temperatureSelectorEntries(const CalibrationSheet& sheet, int sheetRow) {
    std::vector<std::string> entries;
    for (int k = 0; k < kSelectorEntries; ++k)
        entries.push_back(k < kReferencePoints ? sheet.text(sheetRow, 4 * k) : "");
    return entries;
}

std::string checkTemperaturePoints(const TemperaturePoints& sel) {
    for (int k : {sel.start, sel.reference, sel.end})
        if (k < 0 || k >= kReferencePoints) return GetText("IDS_Fit_PastData");
    if (sel.start > sel.reference || sel.reference > sel.end) return GetText("IDS_Fit_PointOrder");
    return {};  // at most 14 points, below the 20 the dialog takes
}

std::vector<PointRow> temperatureDifferenceRows(const CalibrationSheet& sheet, int sheetRow,
                                                const TemperaturePoints& sel) {
    const double refLow = sheet.value(sheetRow, 4 * sel.reference + 1);
    const double refHigh = sheet.value(sheetRow, 4 * sel.reference + 3);
    std::vector<PointRow> rows;
    for (int i = 0; i <= sel.end - sel.start; ++i) {
        const int m = sel.start + i;
        rows.push_back(
            {{std::to_string(i), sheet.text(sheetRow, 4 * m), sheet.text(sheetRow, 4 * m + 1),
              formatFixed(refLow - sheet.value(sheetRow, 4 * m + 1), 2), sheet.text(sheetRow, 4 * m + 2),
              sheet.text(sheetRow, 4 * m + 3), formatFixed(refHigh - sheet.value(sheetRow, 4 * m + 3), 2)},
             false});
    }
    for (int marked : {0, sel.reference - sel.start, sel.end - sel.start})
        rows[static_cast<std::size_t>(marked)].marked = true;
    return rows;
}

Fields temperatureDifferenceFields(TemperatureSegment segment) {
    const std::string n = suffix(segment);
    Fields fields;
    for (const char* name : {"MID_", "REF_L", "REF_H"}) fields.push_back({name + n, {}});
    for (const char* name : {"R_L", "R_H"})
        for (const char* coefficient : {"A", "B", "C"}) fields.push_back({name + n + coefficient, {}});
    return fields;
}

FitOutcome<TemperatureDifferenceFit> fitTemperatureDifference(const CalibrationSheet& sheet, int sheetRow,
                                                              const TemperaturePoints& sel,
                                                              TemperatureSegment segment) {
    if (std::string refusal = checkTemperaturePoints(sel); !refusal.empty()) return {std::nullopt, refusal};
    std::vector<SheetCell> used;
    for (int cell = 4 * sel.start; cell < 4 * (sel.end + 1); ++cell) used.push_back({sheetRow, cell});
    if (std::string refusal = checkNumberCells(sheet, used); !refusal.empty()) return {std::nullopt, refusal};
    TemperatureDifferenceFit out;
    out.segment = segment;
    out.dataKind = static_cast<int>(segment) + 1;
    out.rows = temperatureDifferenceRows(sheet, sheetRow, sel);
    out.fields = temperatureDifferenceFields(segment);
    const std::string n = suffix(segment);
    const auto& reference = out.rows[static_cast<std::size_t>(sel.reference - sel.start)].columns;
    setFieldText(out.fields, "MID_" + n, formatFixed(parseNumber(reference[LowT]), 2));
    setFieldText(out.fields, "REF_L" + n, formatFixed(parseNumber(reference[LowR]), 4));
    setFieldText(out.fields, "REF_H" + n, formatFixed(parseNumber(reference[HighR]), 4));

    QuadraticFit fit;
    for (auto [x, y, prefix] : {std::tuple{LowT, LowDiff, "R_L"}, std::tuple{HighT, HighDiff, "R_H"}}) {
        const FitStatus status = fitColumns(fit, out.rows, x, y, out.fields, prefix + n);
        if (status != FitStatus::Ok) return {std::nullopt, fitRefusalText(status)};
    }
    return {std::move(out), {}};
}

}  // namespace talvex::calibration::fitting
