// The three fitting dialogs' logic: point lists, fields and refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "talvex/calibration/fitting/piecewise_fitting.hpp"
#include "talvex/calibration/fitting/temperature_coefficient_fitting.hpp"
#include "talvex/calibration/fitting/temperature_difference_fitting.hpp"
#include "talvex/language.hpp"

namespace talvex::calibration::fitting {
namespace {

std::string num(double v) {
    return formatFixed(v, 6);
}

// Row 0: references 10·c; row 2: readings that bend, so every fit leaves residuals.
CalibrationSheet curvedSheet() {
    CalibrationSheet sheet;
    for (int c = 0; c < 56; ++c) {
        sheet.setText(0, c, num(10.0 * c));
        sheet.setText(2, c, num(c + 0.02 * c * c + 0.3 * std::sin(c)));
    }
    return sheet;
}

std::vector<bool> marks(const std::vector<PointRow>& rows) {
    std::vector<bool> m;
    for (const auto& r : rows) m.push_back(r.marked);
    return m;
}

std::vector<int> markedRows(const std::vector<PointRow>& rows) {
    std::vector<int> m;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].marked) m.push_back(static_cast<int>(i));
    return m;
}

TEST(PiecewiseFitting, DefaultBreakpointsGiveSegmentsOfFiveFiveAndSixPoints) {
    const CalibrationSheet sheet = curvedSheet();
    const Breakpoints bp;
    const auto rows = piecewisePointRows(sheet, 2, bp);
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(markedRows(rows), (std::vector<int>{0, 4, 8, 13}));
    EXPECT_EQ(rows[4].columns, (std::vector<std::string>{"4", sheet.text(2, 7), sheet.text(0, 7)}));

    const auto out = fitPiecewise(sheet, 2, bp);
    ASSERT_TRUE(out.result) << out.refusal;
    const PiecewiseFit& fit = *out.result;
    EXPECT_EQ(fit.charts[0].x.size(), 5u);
    EXPECT_EQ(fit.charts[1].x.size(), 5u);
    EXPECT_EQ(fit.charts[2].x.size(), 6u);
    EXPECT_EQ(fit.charts[1].x.front(), fit.charts[0].x.back());  // cell 7 belongs to segments 1 and 2

    // Fields in the dialog's order; breakpoints are the readings at the breakpoint cells.
    std::vector<std::string> names;
    for (const auto& f : fit.fields) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"P0", "A1", "B1", "C1", "P1", "A2", "B2", "C2", "P2", "A3",
                                               "B3", "C3", "P3"}));
    EXPECT_EQ(*fieldText(fit.fields, "P1"), formatFixed(sheet.value(2, 7), 9));

    // Segment 2's coefficients are its own fit; its shown R² covers segments 1 and 2.
    QuadraticFit own2, cumulative;
    ASSERT_EQ(own2.fit(fit.charts[1].x.data(), fit.charts[1].y.data(), 5), FitStatus::Ok);
    cumulative.fit(fit.charts[0].x.data(), fit.charts[0].y.data(), 5);
    cumulative.fit(fit.charts[1].x.data(), fit.charts[1].y.data(), 5);
    EXPECT_EQ(*fieldText(fit.fields, "A2"), formatFixed((*own2.coefficients())[2], 9));
    EXPECT_EQ(*fieldText(fit.fields, "C2"), formatFixed((*own2.coefficients())[0], 9));
    EXPECT_EQ(fit.cumulativeRSquared[0], fit.segmentRSquared[0]);
    EXPECT_EQ(fit.cumulativeRSquared[1], formatFixed(cumulative.rSquared(), 9));
    EXPECT_EQ(fit.segmentRSquared[1], formatFixed(own2.rSquared(), 9));
    EXPECT_NE(fit.cumulativeRSquared[1], fit.segmentRSquared[1]);

    // The drawn curve uses the coefficients as shown.
    const double a = parseNumber(*fieldText(fit.fields, "A3")), b = parseNumber(*fieldText(fit.fields, "B3")),
                 c = parseNumber(*fieldText(fit.fields, "C3"));
    const double x = fit.charts[2].x[2];
    EXPECT_EQ(fit.charts[2].fitted[2], (a * x) * x + x * b + c);
}

TEST(PiecewiseFitting, RefusesBreakpointsItCannotUse) {
    setActiveLanguage(Language::English);
    const CalibrationSheet sheet = curvedSheet();
    struct Case {
        Breakpoints bp;
        const char* key;
    };
    const Case cases[] = {
        {{{3, 11, 7, 16}}, "IDS_Fit_BreakpointOrder"}, {{{3, 7, 7, 16}}, "IDS_Fit_BreakpointOrder"},
        {{{0, 5, 10, 20}}, "IDS_Fit_TooManyPoints"},  // 21 points
        {{{30, 35, 40, 49}}, "IDS_Fit_PastData"},      {{{-1, 5, 10, 15}}, "IDS_Fit_PastData"},
        {{{3, 4, 8, 12}}, "IDS_Fit_Singular"},  // segment 1 has two points
    };
    for (const auto& c : cases) {
        const auto out = fitPiecewise(sheet, 2, c.bp);
        EXPECT_FALSE(out.result) << c.key;
        EXPECT_EQ(out.refusal, GetText(c.key));
    }
    EXPECT_TRUE(fitPiecewise(sheet, 2, {{0, 5, 10, 19}}).result);  // exactly 20 points
}

// A row of 14 points: low-run temperature, low reading, high-run temperature, high reading.
CalibrationSheet referenceSheet() {
    CalibrationSheet sheet;
    for (int m = 0; m < 14; ++m) {
        const double t = 20.0 + 5.0 * m;
        sheet.setText(3, 4 * m, num(t + 0.5));
        sheet.setText(3, 4 * m + 1, num(100.0 + 0.8 * t + 0.01 * t * t));
        sheet.setText(3, 4 * m + 2, num(t - 0.25));
        sheet.setText(3, 4 * m + 3, num(500.0 - 1.5 * t + 0.02 * t * t));
    }
    sheet.setText(4, 0, "next row");
    return sheet;
}

TEST(TemperatureDifferenceFitting, ListFieldsAndSegmentKind) {
    const CalibrationSheet sheet = referenceSheet();
    const TemperaturePoints sel;  // 4, 9, 13
    const auto rows = temperatureDifferenceRows(sheet, 3, sel);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(markedRows(rows), (std::vector<int>{0, 5, 9}));
    EXPECT_EQ(rows[5].columns[3], "0.00");  // the reference point's own differences
    EXPECT_EQ(rows[5].columns[6], "0.00");
    EXPECT_EQ(rows[0].columns[1], sheet.text(3, 16));
    EXPECT_EQ(rows[0].columns[3], formatFixed(sheet.value(3, 37) - sheet.value(3, 17), 2));

    for (auto segment : {TemperatureSegment::Low, TemperatureSegment::High}) {
        const auto out = fitTemperatureDifference(sheet, 3, sel, segment);
        ASSERT_TRUE(out.result) << out.refusal;
        const std::string n = segment == TemperatureSegment::Low ? "20" : "70";
        EXPECT_EQ(out.result->dataKind, segment == TemperatureSegment::Low ? 1 : 2);
        EXPECT_EQ(*fieldText(out.result->fields, "MID_" + n), formatFixed(sheet.value(3, 36), 2));
        EXPECT_EQ(*fieldText(out.result->fields, "REF_L" + n), formatFixed(sheet.value(3, 37), 4));
        EXPECT_EQ(*fieldText(out.result->fields, "REF_H" + n), formatFixed(sheet.value(3, 39), 4));

        // The fit reads the two-decimal differences as the list shows them.
        std::vector<double> x, y;
        for (const auto& r : rows) {
            x.push_back(parseNumber(r.columns[4]));
            y.push_back(parseNumber(r.columns[6]));
        }
        QuadraticFit high;
        ASSERT_EQ(high.fit(x.data(), y.data(), x.size()), FitStatus::Ok);
        EXPECT_EQ(*fieldText(out.result->fields, "R_H" + n + "A"), formatFixed((*high.coefficients())[2], 9));
        EXPECT_EQ(*fieldText(out.result->fields, "R_H" + n + "C"), formatFixed((*high.coefficients())[0], 9));
    }
}

TEST(TemperatureDifferenceFitting, SelectorsAndRefusals) {
    setActiveLanguage(Language::English);
    const CalibrationSheet sheet = referenceSheet();
    const auto entries = temperatureSelectorEntries(sheet, 3);
    ASSERT_EQ(entries.size(), 49u);
    EXPECT_EQ(entries[13], sheet.text(3, 52));
    EXPECT_EQ(entries[25], "");  // would be the next sensor's row
    struct Case {
        TemperaturePoints sel;
        const char* key;
    };
    const Case cases[] = {
        {{9, 4, 13}, "IDS_Fit_PointOrder"},
        {{4, 13, 9}, "IDS_Fit_PointOrder"},
        {{4, 9, 14}, "IDS_Fit_PastData"},
        {{4, 4, 4}, "IDS_Fit_Singular"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitTemperatureDifference(sheet, 3, c.sel, TemperatureSegment::Low).refusal, GetText(c.key))
            << c.key;
}

TEST(TemperatureCoefficientFitting, FieldsAndRefusals) {
    setActiveLanguage(Language::English);
    const CalibrationSheet sheet = curvedSheet();
    const TemperatureRange range{2, 9};
    const auto rows = temperatureCoefficientRows(sheet, 2, range);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(marks(rows), (std::vector<bool>{true, false, false, false, false, false, false, true}));

    const auto out = fitTemperatureCoefficients(sheet, 2, range);
    ASSERT_TRUE(out.result) << out.refusal;
    std::vector<std::string> names, texts;
    for (const auto& f : out.result->fields) {
        names.push_back(f.name);
        texts.push_back(f.text);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ST_A", "ST_B", "ST_C", "STC_a", "STC_b"}));
    EXPECT_EQ(texts[3], "1");
    EXPECT_EQ(texts[4], "0");

    EXPECT_EQ(fitTemperatureCoefficients(sheet, 2, {0, 0}).refusal, GetText("IDS_Fit_Singular"));
    EXPECT_EQ(fitTemperatureCoefficients(sheet, 2, {9, 2}).refusal, GetText("IDS_Fit_PointOrder"));
    EXPECT_EQ(fitTemperatureCoefficients(sheet, 2, {0, 20}).refusal, GetText("IDS_Fit_TooManyPoints"));
    EXPECT_EQ(fitTemperatureCoefficients(sheet, 2, {0, 49}).refusal, GetText("IDS_Fit_PastData"));
}

// A chosen point whose cell is empty or text is refused with the cell's name, where the fit used to
// take it as 0 and fit (and write) what came out; cells outside the chosen points do not matter.
TEST(Fitting, RefusesChosenCellsThatAreNotNumbers) {
    setActiveLanguage(Language::English);
    enum class Kind { Piecewise, Coefficient, Difference };
    struct Case {
        Kind kind;
        int row, cell;
        const char* text;
        std::string refusal;  // "" : the fit is made
    };
    const auto empty = [](const char* name) { return GetTextWith("IDS_Fit_EmptyCell", {name}); };
    const auto text = [](const char* name, const char* t) {
        return GetTextWith("IDS_Fit_NotANumber", {name, t});
    };
    const Case cases[] = {
        {Kind::Piecewise, 2, 5, "", empty("G3")},  // sheet cell 5 of row 2: column G, worksheet row 3
        {Kind::Piecewise, 2, 16, " \t", empty("R3")},
        {Kind::Piecewise, 0, 16, "n/a", text("R1", "n/a")},  // a reference
        {Kind::Piecewise, 2, 5, "1.5abc", text("G3", "1.5abc")},
        {Kind::Piecewise, 2, 5, "12.5%", text("G3", "12.5%")},
        {Kind::Piecewise, 2, 20, "", ""},  // past P3
        {Kind::Coefficient, 2, 9, "", empty("K3")},
        {Kind::Coefficient, 0, 2, "-", text("D1", "-")},
        {Kind::Coefficient, 2, 1, "n/a", ""},  // before the range
        {Kind::Difference, 3, 4 * 13 + 2, "n/a",
         text("BD4", "n/a")},                                // the last point's high-run temperature
        {Kind::Difference, 3, 4 * 9 + 1, "", empty("AM4")},  // the reference point's low reading
        {Kind::Difference, 3, 4 * 3, "", ""},                // before the start point
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + "/" + std::to_string(c.cell) + " \"" + c.text + "\"");
        CalibrationSheet sheet = c.kind == Kind::Difference ? referenceSheet() : curvedSheet();
        sheet.setText(c.row, c.cell, c.text);
        std::string refusal;
        bool made = false;
        switch (c.kind) {
            case Kind::Piecewise: {
                const auto out = fitPiecewise(sheet, 2, Breakpoints{});
                refusal = out.refusal, made = out.result.has_value();
                break;
            }
            case Kind::Coefficient: {
                const auto out = fitTemperatureCoefficients(sheet, 2, {2, 9});
                refusal = out.refusal, made = out.result.has_value();
                break;
            }
            case Kind::Difference: {
                const auto out =
                    fitTemperatureDifference(sheet, 3, TemperaturePoints{}, TemperatureSegment::Low);
                refusal = out.refusal, made = out.result.has_value();
                break;
            }
        }
        EXPECT_EQ(refusal, c.refusal);
        EXPECT_EQ(made, c.refusal.empty());
    }
}

}  // namespace
}  // namespace talvex::calibration::fitting
