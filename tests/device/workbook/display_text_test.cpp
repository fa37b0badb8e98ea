// Numbers as a spreadsheet shows them under a format code.
#include <gtest/gtest.h>

#include "talvex/workbook/display_text.hpp"

namespace talvex::workbook {
namespace {

struct Case {
    double value;
    const char* code;
    const char* shown;
};

TEST(DisplayText, FormatsAsTheSpreadsheetShows) {
    const Case cases[] = {
        // General: ten significant digits in at most eleven characters, else scientific
        {2301, "General", "2301"},
        {1.5, "General", "1.5"},
        {-0.25, "General", "-0.25"},
        {0, "General", "0"},
        {0.1 + 0.2, "General", "0.3"},
        {123456.789012, "General", "123456.789"},
        {0.000123456789, "General", "0.000123457"},
        {0.000001234, "General", "1.234E-06"},
        {123456789012.0, "General", "1.23457E+11"},
        {99999999999.0, "General", "99999999999"},
        // fixed decimals, grouping, literals
        {1.5, "0.00", "1.50"},
        {-1.005, "0.00", "-1.01"},
        {-0.001, "0.00", "0.00"},
        {2.5, "0", "3"},
        {1234567.891, "#,##0.00", "1,234,567.89"},
        {0.5, "#.##", ".5"},
        {12, "0.00\" ppm\"", "12.00 ppm"},
        {-3, "0.0;(0.0)", "(3.0)"},
        {0, "0.0;-0.0;\"zero\"", "zero"},
        {1500, "0.0,", "1.5"},
        {3.14159, "[Red]0.000", "3.142"},
        // percent
        {0.1234, "0.00%", "12.34%"},
        {0.5, "0%", "50%"},
        // scientific and engineering
        {12345, "0.00E+00", "1.23E+04"},
        {0.00012, "0.00E+00", "1.20E-04"},
        {9.996, "0.00E+00", "1.00E+01"},
        {12345, "##0.0E+0", "12.3E+3"},
        {0, "0.00E+00", "0.00E+00"},
        // what is not rendered here falls back to General
        {45000.5, "yyyy-mm-dd", "45000.5"},
        {0.75, "# ?/?", "0.75"},
        {7, "@", "7"},
        {1.25, "[>100]0;0.0", "1.25"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayText(c.value, c.code), c.shown) << c.value << " under " << c.code;
}

TEST(DisplayText, BuiltinIdsMapToTheirCodes) {
    EXPECT_EQ(displayText(0.25, builtinFormatCode(10)), "25.00%");
    EXPECT_EQ(displayText(3, builtinFormatCode(2)), "3.00");
    EXPECT_EQ(displayText(45000, builtinFormatCode(14)), "45000");  // a date id: General
}

}  // namespace
}  // namespace talvex::workbook
