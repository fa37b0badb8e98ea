#include "talvex/calibration/fitting/piecewise_fitting.hpp"

#include "talvex/language.hpp"

namespace talvex::calibration::fitting {
namespace {

// Segment k's curve drawn from the coefficients as shown (parsed back from their texts).
std::vector<double> curveFromShown(const std::vector<double>& xs, const std::string& a, const std::string& b,
                                   const std::string& c) {
    const double ak = parseNumber(a), bk = parseNumber(b), ck = parseNumber(c);
    std::vector<double> fitted;
    for (double x : xs) fitted.push_back((ak * x) * x + x * bk + ck);
    return fitted;
}

}  // namespace

std::vector<std::string> referenceSelectorEntries(const CalibrationSheet& sheet) {
    std::vector<std::string> entries;
    for (int c = 0; c < kSelectorEntries; ++c) entries.push_back(sheet.text(0, c));
    return entries;
}

std::string checkBreakpoints(const Breakpoints& bp) {
    for (int cell : bp.cell)
        if (cell < 0 || cell >= kSelectorEntries) return GetText("IDS_Fit_PastData");
    for (int k = 1; k < 4; ++k)
        if (bp.cell[k - 1] >= bp.cell[k]) return GetText("IDS_Fit_BreakpointOrder");
    if (bp.cell[3] - bp.cell[0] + 1 > kMaxPoints) return GetText("IDS_Fit_TooManyPoints");
    return {};
}

std::vector<PointRow> piecewisePointRows(const CalibrationSheet& sheet, int sheetRow, const Breakpoints& bp) {
    std::vector<PointRow> rows;
    for (int i = 0; i <= bp.cell[3] - bp.cell[0]; ++i) {
        const int cell = bp.cell[0] + i;
        rows.push_back({{std::to_string(i), sheet.text(sheetRow, cell), sheet.text(0, cell)}, false});
    }
    for (int k = 0; k < 4; ++k) rows[static_cast<std::size_t>(bp.cell[k] - bp.cell[0])].marked = true;
    return rows;
}

Fields piecewiseFields() {
    Fields fields;
    for (const char* name : {"P0", "A1", "B1", "C1", "P1", "A2", "B2", "C2", "P2", "A3", "B3", "C3", "P3"})
        fields.push_back({name, {}});
    return fields;
}

FitOutcome<PiecewiseFit> fitPiecewise(const CalibrationSheet& sheet, int sheetRow, const Breakpoints& bp) {
    if (std::string refusal = checkBreakpoints(bp); !refusal.empty()) return {std::nullopt, refusal};
    std::vector<SheetCell> used;
    for (int cell = bp.cell[0]; cell <= bp.cell[3]; ++cell)
        used.insert(used.end(), {{sheetRow, cell}, {0, cell}});
    if (std::string refusal = checkNumberCells(sheet, used); !refusal.empty()) return {std::nullopt, refusal};
    PiecewiseFit out;
    out.fields = piecewiseFields();
    for (int k = 0; k < 4; ++k)
        setFieldText(out.fields, "P" + std::to_string(k), formatFixed(sheet.value(sheetRow, bp.cell[k]), 9));

    QuadraticFit shared;
    for (int k = 1; k <= 3; ++k) {
        ChartSeries& series = out.charts[static_cast<std::size_t>(k - 1)];
        for (int cell = bp.cell[k - 1]; cell <= bp.cell[k]; ++cell) {
            series.x.push_back(sheet.value(sheetRow, cell));
            series.y.push_back(sheet.value(0, cell));
        }
        const FitStatus status = shared.fit(series.x.data(), series.y.data(), series.x.size());
        if (status != FitStatus::Ok) return {std::nullopt, fitRefusalText(status)};
        QuadraticFit own;
        own.fit(series.x.data(), series.y.data(), series.x.size());

        const auto& c = *shared.coefficients();
        const std::string n = std::to_string(k);
        setFieldText(out.fields, "A" + n, formatFixed(c[2], 9));
        setFieldText(out.fields, "B" + n, formatFixed(c[1], 9));
        setFieldText(out.fields, "C" + n, formatFixed(c[0], 9));
        out.cumulativeRSquared[static_cast<std::size_t>(k - 1)] = formatFixed(shared.rSquared(), 9);
        out.segmentRSquared[static_cast<std::size_t>(k - 1)] = formatFixed(own.rSquared(), 9);
        series.fitted = curveFromShown(series.x, *fieldText(out.fields, "A" + n),
                                       *fieldText(out.fields, "B" + n), *fieldText(out.fields, "C" + n));
    }
    return {std::move(out), {}};
}

}  // namespace talvex::calibration::fitting
