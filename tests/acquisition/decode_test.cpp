// Register decoding and record texts: the edge cases of the measurement block.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "talvex/acquisition/decode.hpp"
#include "talvex/acquisition/measurement.hpp"

namespace talvex::acquisition {
namespace {

std::array<std::uint8_t, 30> mainBlock(std::vector<std::pair<int, std::uint16_t>> regs) {
    std::array<std::uint8_t, 30> b{};
    for (auto [n, v] : regs) {
        b[static_cast<std::size_t>(2 * n)] = static_cast<std::uint8_t>(v >> 8);
        b[static_cast<std::size_t>(2 * n + 1)] = static_cast<std::uint8_t>(v);
    }
    return b;
}

// Texts of a record made from one main block (the other fields zero).
TextRecord textsOf(const MainBlock& m, std::uint16_t status = 0, ExtraBlock e = {}) {
    Measurement rec{7, {2026, 3, 4, 5, 6, 7}, m.h2dg, m.h2ag, m.temp, m.dayRoc, e.pr, e.wt, status};
    return StoredRecord(rec).texts();
}

struct MainCase {
    const char* name;
    std::vector<std::pair<int, std::uint16_t>> regs;
    SensorModel model;
    bool wireless;
    Field field;
    const char* text;
};

class MainBlockDecoding : public ::testing::TestWithParam<MainCase> {};

TEST_P(MainBlockDecoding, GivesTheListedText) {
    const MainCase& c = GetParam();
    const auto block = mainBlock(c.regs);
    const MainBlock m = decodeMainBlock(std::span<const std::uint8_t, 30>(block), c.model, c.wireless);
    EXPECT_EQ(textsOf(m)[static_cast<std::size_t>(c.field)], c.text);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, MainBlockDecoding,
    ::testing::Values(
        MainCase{"TempRawZero", {{8, 0}}, SensorModel::KA, false, Field::Temp, "-100.0"},
        MainCase{"TempRaw10000", {{8, 10000}}, SensorModel::KA, false, Field::Temp, "0.0"},
        MainCase{"TempSinglePrecision12345", {{8, 12345}}, SensorModel::KA, false, Field::Temp, "23.4"},
        MainCase{"TempRaw12350", {{8, 12350}}, SensorModel::KA, false, Field::Temp, "23.5"},
        MainCase{"TempRawMaxSingle", {{8, 65535}}, SensorModel::KA, false, Field::Temp, "555.3"},
        MainCase{
            "H2dgAllOnesIsMinusOne", {{2, 0xFFFF}, {3, 0xFFFF}}, SensorModel::KA, false, Field::H2DG, "-1"},
        MainCase{
            "H2dgThroughSingle", {{2, 0x0100}, {3, 0x0001}}, SensorModel::KA, false, Field::H2DG, "16777216"},
        MainCase{"H2dgHighRegisterFirst",
                 {{2, 0x0001}, {3, 0x0000}},
                 SensorModel::KA,
                 false,
                 Field::H2DG,
                 "65536"},
        MainCase{"H2agFromRegisters4And5", {{4, 0}, {5, 1234}}, SensorModel::KG, false, Field::H2AG, "1234"},
        MainCase{
            "H2dgMostNegative", {{2, 0x8000}, {3, 0}}, SensorModel::KA, false, Field::H2DG, "-2147483648"},
        MainCase{
            "DayRocSignedRegister14", {{14, 0xFFFE}, {9, 7}}, SensorModel::KA, false, Field::DayRoc, "-2"},
        MainCase{
            "DayRocModelNoneAsKA", {{14, 0xFFFE}, {9, 7}}, SensorModel::None, false, Field::DayRoc, "-2"},
        MainCase{"DayRocKfRegister9Unsigned",
                 {{9, 0xFFFE}, {14, 3}},
                 SensorModel::KF,
                 false,
                 Field::DayRoc,
                 "65534"},
        MainCase{"DayRocWirelessNodeRegister9",
                 {{9, 87}, {14, 0xFFFE}},
                 SensorModel::KA,
                 true,
                 Field::DayRoc,
                 "87"}),
    [](const ::testing::TestParamInfo<MainCase>& p) { return std::string(p.param.name); });

TEST(StatusWord, PrintsUpperHexWithoutLeadingZeros) {
    const struct {
        std::uint8_t hi, lo;
        const char* text;
    } cases[] = {{0x00, 0x05, "5"}, {0x0A, 0x00, "A00"}, {0x00, 0x00, "0"}, {0xFF, 0xFF, "FFFF"}};
    for (const auto& c : cases) {
        const std::uint8_t b[2] = {c.hi, c.lo};
        const std::uint16_t w = decodeStatusWord(std::span<const std::uint8_t, 2>(b));
        EXPECT_EQ(textsOf({}, w)[8], c.text);
    }
}

TEST(ExtraBlock, SinglePrecisionFromLowThenHighRegister) {
    // 101.3f = 0x42CA999A: register 161 holds the low half, 162 the high half.
    std::uint8_t b[12] = {0x99, 0x9A, 0x42, 0xCA, 0, 0, 0, 0, 0x00, 0x00, 0x41, 0x20};  // WT = 10.0f
    const ExtraBlock e = decodeExtraBlock(std::span<const std::uint8_t, 12>(b));
    const TextRecord t = textsOf({}, 0, e);
    EXPECT_EQ(t[6], "101.3");
    EXPECT_EQ(t[7], "10.0");
}

TEST(ChartValue, GasPhaseModelsChartH2ag) {
    const MainBlock m{100, 200, 20, 0};
    EXPECT_EQ(chartValue(SensorModel::KG, m), 200);
    EXPECT_EQ(chartValue(SensorModel::KGC, m), 200);
    EXPECT_EQ(chartValue(SensorModel::KF, m), 100);
    EXPECT_EQ(chartValue(SensorModel::None, m), 100);
}

TEST(StoredRecord, PollerRecordIsCompactAndFormatsAllNineFields) {
    Measurement rec{3, {2026, 12, 31, 23, 59, 58}, 16777216.0f, -1.0f, 23.449997f, -2, 101.3f, 0.5f, 0x0A00};
    const StoredRecord s(rec);
    EXPECT_TRUE(s.isCompact());
    const TextRecord want{"3", "2026-12-31 23:59:58", "16777216", "-1", "23.4", "-2", "101.3", "0.5", "A00"};
    EXPECT_EQ(s.texts(), want);
    EXPECT_EQ(formatMeasurement(rec), want);
    // A clock outside the packed range (or a leap second) keeps its texts all the same.
    for (LocalTime t : {LocalTime{2150, 1, 1, 0, 0, 0}, LocalTime{2016, 12, 31, 23, 59, 60}}) {
        rec.time = t;
        const StoredRecord odd(rec);
        EXPECT_FALSE(odd.isCompact());
        EXPECT_EQ(odd.texts(), formatMeasurement(rec));
    }
}

TEST(StoredRecord, TextsRoundTripExactlyCompactOrVerbatim) {
    const struct {
        TextRecord texts;
        bool compact;
    } cases[] = {
        {{"12", "2024-02-29 00:00:00", "0", "5", "-100.0", "65535", "0.0", "12.5", "FFFF"}, true},
        {{"255", "1970-01-01 00:00:00", "-2147483648", "1", "555.4", "-32768", "-0.0", "nan", "0"}, true},
        // Not what the poller writes: kept verbatim, byte for byte.
        {{"abc", "2024-02-30 00:00:00", "1.5", "", "23.45", "x", "1e3", "007", "a00"}, false},
        {{"1", "2024-01-01 00:00:00", "01", "1", "1.0", "1", "1.0", "1.0", "1"}, false},
        {{"300", "2024-01-01 00:00:00", "1", "1", "1.0", "1", "1.0", "1.0", "10000"}, false},
        {{"-0", "2024-01-01 24:00:00", "1", "1", "1.0", "1", "1.0", "1.0", "1"}, false},
        {{"1", "it's", "a,b", "\"", "line\nfeed", std::string("nul\0x", 5), "", "", ""}, false},
    };
    for (const auto& c : cases) {
        const StoredRecord s(c.texts);
        EXPECT_EQ(s.isCompact(), c.compact) << c.texts[1];
        EXPECT_EQ(s.texts(), c.texts);
        // Copies and moves keep the texts.
        StoredRecord copy(s);
        StoredRecord moved(std::move(copy));
        StoredRecord assigned;
        assigned = moved;
        EXPECT_EQ(assigned.texts(), c.texts);
        EXPECT_EQ(moved.texts(), c.texts);
    }
}

}  // namespace
}  // namespace talvex::acquisition

namespace talvex::acquisition {
namespace {

// Every text the poller can print comes back compact and identical: all 65 536 temperatures, and
// pressures spread over the float range including halfway cases and negative zero.
TEST(StoredRecord, EveryPrintableValueRoundTripsCompact) {
    auto check = [](const Measurement& m) {
        const TextRecord texts = formatMeasurement(m);
        const StoredRecord s(texts);
        ASSERT_TRUE(s.isCompact()) << texts[4] << " " << texts[6] << " " << texts[2];
        ASSERT_EQ(s.texts(), texts);
    };
    Measurement m{1, {2026, 1, 1, 0, 0, 0}, 0, 0, 0, 0, 0, 0, 0};
    for (int raw = 0; raw <= 65535; ++raw) {
        m.temp = static_cast<float>(raw) / 100.0f - 100.0f;
        m.h2dg = static_cast<float>(static_cast<std::int32_t>(static_cast<std::uint32_t>(raw) * 2654435761u));
        check(m);
    }
    std::uint32_t bits = 12345;
    for (int i = 0; i < 20000; ++i) {
        bits = bits * 1664525u + 1013904223u;
        const float f = std::bit_cast<float>((bits & 0x807FFFFFu) | (0x30000000u + (bits % 0x1F000000u)));
        m.pr = f;
        m.wt = static_cast<float>(i) * 0.05f - 500.0f;  // many exact .x5 halves
        check(m);
    }
    for (float f : {-0.0f, 0.25f, 0.35f, -0.04f, 1e7f, 123456.75f}) {
        m.pr = f;
        check(m);
    }
}

}  // namespace
}  // namespace talvex::acquisition
