// The words the wizard writes and the texts it refuses: reference values by encoding, the
// laboratory division, the date words, the reading texts, and the flowmeter's setpoint and read-outs.
#include <gtest/gtest.h>

#include "talvex/calibration/wizard/flowmeter_control.hpp"
#include "talvex/calibration/wizard/reference_value.hpp"

namespace talvex::calibration {
namespace {

using enum CalibrationType;

TEST(ReferenceValue, WordsByType) {
    struct Case {
        CalibrationType type;
        const char* text;
        std::uint16_t first, second;
    } cases[] = {
        {InOilLab, "1850", 0x0000, 0x0064},  // 1850 / 18.5 = 100
        {InOilLab, "1860", 0x0000, 0x0064},  // truncated
        {GasPhase, "70000", 1, 4464},        // high word first
        {InOil, " 500 ", 0, 500},            // blanks around the number
        {Wireless, "2147483647", 0x7FFF, 0xFFFF},
        {Pressure, "101.3", 0x999A, 0x42CA},  // 0x42CA999A, low word first
        {Pressure, "1", 0x0000, 0x3F80},      // the ends of the pressure band
        {Pressure, "1000", 0x0000, 0x447A},
        {Moisture, "-5", 0x0000, 0xC0A0},
        {MoistureTemperature, "1e2", 0x0000, 0x42C8},
    };
    for (const auto& c : cases) {
        const auto ref = parseReference(c.type, c.text);
        ASSERT_TRUE(ref) << c.text;
        EXPECT_EQ(ref->words.first, c.first) << c.text;
        EXPECT_EQ(ref->words.second, c.second) << c.text;
    }
}

TEST(ReferenceValue, RefusesTextThatIsNotAValueOfTheEncoding) {
    struct Case {
        CalibrationType type;
        const char* text;
        const char* key;
    } cases[] = {
        {InOil, "", "IDS_Tab_Cal_RefNotWhole"},
        {InOil, "abc", "IDS_Tab_Cal_RefNotWhole"},
        {GasPhase, "500ppm", "IDS_Tab_Cal_RefNotWhole"},
        {GasPhase, "12.5", "IDS_Tab_Cal_RefNotWhole"},
        {Wireless, "-1", "IDS_Tab_Cal_RefNotWhole"},
        {InOilLab, "2147483648", "IDS_Tab_Cal_RefNotWhole"},  // beyond the signed 32-bit reading
        {InOil, "99999999999", "IDS_Tab_Cal_RefNotWhole"},
        {Pressure, "", "IDS_Tab_Cal_RefNotNumber"},
        {Pressure, "1O1.3", "IDS_Tab_Cal_RefNotNumber"},
        {Moisture, "nan", "IDS_Tab_Cal_RefNotNumber"},
        {Moisture, "inf", "IDS_Tab_Cal_RefNotNumber"},
        {MoistureTemperature, "1e39", "IDS_Tab_Cal_RefNotNumber"},  // beyond single precision
        {MoistureTemperature, "0x10", "IDS_Tab_Cal_RefNotNumber"},
        {Pressure, "101.3 kPa", "IDS_Tab_Cal_RefNotNumber"},
        // A pressure no sensor meets is a typing error, as an impossible concentration is.
        {Pressure, "1e20", "IDS_Tab_Cal_RefPressureRange"},
        {Pressure, "-1", "IDS_Tab_Cal_RefPressureRange"},
        {Pressure, "1e-9", "IDS_Tab_Cal_RefPressureRange"},
        {Pressure, "0", "IDS_Tab_Cal_RefPressureRange"},
        {Pressure, "1000.5", "IDS_Tab_Cal_RefPressureRange"},
    };
    for (const auto& c : cases) {
        std::string_view key;
        EXPECT_FALSE(parseReference(c.type, c.text, &key)) << c.text;
        EXPECT_EQ(key, c.key) << c.text;
    }
}

TEST(ReferenceValue, DateWordsAndReadingTexts) {
    const auto d = dateWords({2026, 3, 5});
    EXPECT_EQ(d.first, 0x0305);
    EXPECT_EQ(d.second, 2026);
    EXPECT_EQ(dateWords({2026, 12, 31}).first, 12 * 256 + 31);  // binary month and day, not BCD

    EXPECT_EQ(formatReading(ValueEncoding::Int32HighFirst, 1, 4464), "70000");
    EXPECT_EQ(formatReading(ValueEncoding::Int32HighFirst, 0xFFFF, 0xFFFE), "-2");
    EXPECT_EQ(formatReading(ValueEncoding::FloatLowFirst, 0x999A, 0x42CA), "101.30");
}

TEST(Flowmeter, SetpointWordsAndReadOutTexts) {
    EXPECT_EQ(setpointWords(200), (std::array<std::uint16_t, 2>{0x0003, 0x0D40}));
    EXPECT_EQ(setpointWords(1000), (std::array<std::uint16_t, 2>{0x000F, 0x4240}));
    EXPECT_EQ(setpointWords(0), (std::array<std::uint16_t, 2>{0, 0}));
    EXPECT_EQ(temperatureText(2534), "25.34");
    EXPECT_EQ(massFlowText(150), "150.00");

    EXPECT_EQ(parseFlowSetpoint(" 1000 "), 1000u);
    EXPECT_EQ(parseFlowSetpoint("0"), 0u);
    for (const char* bad : {"", "1001", "-1", "20a", "12.5", "abc"})
        EXPECT_FALSE(parseFlowSetpoint(bad)) << bad;
}

}  // namespace
}  // namespace talvex::calibration
