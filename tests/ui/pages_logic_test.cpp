// Rules of the acquisition, curve and channel parameters pages, without a window.
#include <gtest/gtest.h>

#include <string>

#include "talvex/ui/logic/curve_data.hpp"
#include "talvex/ui/logic/list_columns.hpp"
#include "talvex/ui/logic/ole_date.hpp"
#include "talvex/ui/logic/sensor_ids.hpp"
#include "talvex/ui/logic/status_indicators.hpp"
#include "talvex/ui/logic/time_axis.hpp"
#include "talvex/ui/logic/value_axis.hpp"

namespace talvex::ui {
namespace {

// Indicators as a string of shown labels, in table order, for readable expectations.
std::string shownLabels(std::uint16_t word) {
    static const char* kNames[] = {"M-T", "M-H", "O-T", "H-R", "T-R", "H-T", "PR", "MO", "R-1", "R-2", "R-3"};
    const auto shown = indicatorsShown(word);
    std::string out;
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (shown[i]) out += (out.empty() ? "" : " ") + std::string(kNames[i]);
    return out;
}

TEST(StatusIndicators, BitsShowTheirLabels) {
    struct Case {
        std::uint16_t word;
        const char* shown;
    } cases[] = {
        {0x0006, "O-T"},  // bit 2 wins over bit 1
        {0x0003, "M-T"},  // bit 1 wins over bit 0
        {0x0001, "M-H"},
        {0x0000, ""},
        {0x0810, "H-R R-1"},
        {0x0008, ""},  // bit 3 shows nothing
        {0xF000, ""},  // bits 12..15 show nothing
        {0x07F0, "T-R H-T PR MO R-1 R-2 R-3"},
        {0x0005, "O-T"},
    };
    for (const auto& c : cases) EXPECT_EQ(shownLabels(c.word), c.shown) << std::hex << c.word;
}

TEST(EnableAll, ValidatesAndTruncates) {
    std::string fortyNine;
    for (int i = 1; i <= 49; ++i) fortyNine += std::to_string(i) + ", ";
    std::vector<int> first48;
    for (int i = 1; i <= 48; ++i) first48.push_back(i);

    struct Case {
        std::string text;
        int slots;
        EnableAllOutcome outcome;
        std::vector<int> ids;
        bool truncated;
        std::string item = {};
    } cases[] = {
        {"3, 5, 7", 48, EnableAllOutcome::Ready, {3, 5, 7}, false},
        {"3, 5, 7, ", 48, EnableAllOutcome::Ready, {3, 5, 7}, false},  // as the bus search writes it
        {"1-3, 7", 48, EnableAllOutcome::Ready, {1, 2, 3, 7}, false},  // a range, as talvex-cli reads it
        {"1-5", 3, EnableAllOutcome::Ready, {1, 2, 3}, true},
        {fortyNine, 48, EnableAllOutcome::Ready, first48, true},
        {"3, 5, 7", 2, EnableAllOutcome::Ready, {3, 5}, true},
        {"0", 48, EnableAllOutcome::IdOutOfRange, {}, false},
        {"300", 48, EnableAllOutcome::IdOutOfRange, {}, false},
        {"5, 248", 48, EnableAllOutcome::IdOutOfRange, {}, false},
        {"1-300", 48, EnableAllOutcome::IdOutOfRange, {}, false},
        {"no ids here", 48, EnableAllOutcome::NotAnIdOrRange, {}, false, "no"},
        {"5-3", 48, EnableAllOutcome::NotAnIdOrRange, {}, false, "5-3"},
        {"12ab34", 48, EnableAllOutcome::NotAnIdOrRange, {}, false, "12ab34"},
        {"", 48, EnableAllOutcome::NoSensorId, {}, false},
        {" ,\n", 48, EnableAllOutcome::NoSensorId, {}, false},
        {"1, 247", 48, EnableAllOutcome::Ready, {1, 247}, false},
    };
    for (const auto& c : cases) {
        const auto plan = planEnableAll(c.text, c.slots);
        EXPECT_EQ(plan.outcome, c.outcome) << c.text;
        EXPECT_EQ(plan.ids, c.ids) << c.text;
        EXPECT_EQ(plan.truncated, c.truncated) << c.text;
        EXPECT_EQ(plan.item, c.item) << c.text;
    }
}

TEST(NewSensorId, AcceptsOnlyADecimalInRange) {
    struct Case {
        const char* text;
        std::optional<int> id;
    } cases[] = {
        {"5", 5},
        {" 247 ", 247},
        {"1", 1},
        {"248", std::nullopt},
        {"0", std::nullopt},
        {"word", std::nullopt},
        {"", std::nullopt},
        {"12x", std::nullopt},
        {"-5", std::nullopt},
        {"0010", std::nullopt},  // longer than the three characters the box takes
    };
    for (const auto& c : cases) EXPECT_EQ(parseNewSensorId(c.text), c.id) << c.text;
}

TEST(Thinning, KeepsAboutTwoThousandPointsAndTheLast) {
    struct Case {
        std::size_t n;
        std::size_t count;
        std::size_t stride;
    } cases[] = {
        {0, 0, 1},       {1, 1, 1},         {2000, 2000, 1},   {2001, 1001, 2},
        {5000, 1668, 3}, {20000, 2001, 10}, {20001, 1820, 11},
    };
    for (const auto& c : cases) {
        const auto pos = thinPositions(c.n);
        ASSERT_EQ(pos.size(), c.count) << c.n;
        if (c.n == 0) continue;
        EXPECT_EQ(pos.front(), 0u);
        EXPECT_EQ(pos.back(), c.n - 1) << "the newest record is always drawn";
        if (pos.size() > 2) {
            EXPECT_EQ(pos[1], c.stride) << c.n;
        }
    }
    const auto five = thinPositions(5000);
    EXPECT_EQ(five[five.size() - 2], 4998u);
}

TEST(CurveData, LiveBufferDropsToHalfAtFiveThousand) {
    CurveData d;
    for (int i = 0; i < 4999; ++i) EXPECT_FALSE(d.appendLive(i, i, 20));
    d.markAllHanded();
    EXPECT_EQ(d.size(), 4999u);
    EXPECT_TRUE(d.appendLive(4999, 4999, 20));
    EXPECT_EQ(d.size(), 2500u);
    EXPECT_EQ(d.handed(), 0u) << "the chart must take the kept points again";
    EXPECT_EQ(d.time().front(), 2500.0) << "the newest 2 500 stay, oldest first";
    EXPECT_EQ(d.h2().back(), 4999.0);
}

TEST(CurveData, CapacityStopsAppends) {
    CurveData d;
    for (std::size_t i = 0; i < kCurveCapacity; ++i) ASSERT_TRUE(d.append(0, 0, 0));
    EXPECT_FALSE(d.append(1, 1, 1));
    EXPECT_EQ(d.size(), kCurveCapacity);
}

TEST(RecordTimestamp, AcceptsOnlyRealDates) {
    const double base = oleDateFromCivil({2024, 2, 29, 13, 5, 9});
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {
        {"2024-02-29 13:05:09", true},
        {"2023-02-29 13:05:09", false},
        {"1899-12-31 00:00:00", false},
        {"2024-13-01 00:00:00", false},
        {"2024-04-31 00:00:00", false},
        {"2024-01-01 24:00:00", false},
        {"2024-01-01 00:60:00", false},
        {"2024-01-01 00:00:60", false},
        {"garbage", false},
        {"", false},
        {"2024-01-01", false},
    };
    for (const auto& c : cases) EXPECT_EQ(parseRecordTimestamp(c.text).has_value(), c.ok) << c.text;
    EXPECT_DOUBLE_EQ(*parseRecordTimestamp("2024-02-29 13:05:09"), base);
}

TEST(OleDate, KnownValuesAndRoundTrip) {
    EXPECT_DOUBLE_EQ(oleDateFromCivil({1899, 12, 30, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(oleDateFromCivil({1900, 1, 1, 12, 0, 0}), 2.5);
    EXPECT_DOUBLE_EQ(oleDateFromCivil({2000, 1, 1, 0, 0, 0}), 36526.0);
    const double t = oleDateFromCivil({2031, 7, 4, 23, 59, 58});
    EXPECT_EQ(formatOleDate(t, "%Y-%m-%d %H:%M:%S"), "2031-07-04 23:59:58");
    EXPECT_EQ(formatOleDate(t, "%m-%d %H:%M"), "07-04 23:59");
    EXPECT_EQ(formatOleDate(t, "100%%"), "100%");
}

TEST(TimeAxisStep, ChoosesTheRowForSpanAndWidth) {
    struct Case {
        double span;
        int width;
        TimeUnit unit;
        int count;
        const char* format;
    } cases[] = {
        {600, 1000, TimeUnit::Minute, 1, "%H:%M"},    // 9 labels, then 16: 37.5 s per step
        {0, 1000, TimeUnit::Second, 30, "%H:%M:%S"},  // no span counts as 120 s
        {60, 1000, TimeUnit::Second, 10, "%H:%M:%S"},
        {86400, 1000, TimeUnit::Hour, 3, "%m-%d %H:%M"},
        {30 * 86400.0, 1000, TimeUnit::Day, 2, "%m-%d"},  // 5-day row first, then 16 labels
        {400 * 86400.0, 1000, TimeUnit::Month, 1, "%Y-%m"},
        {100 * 365 * 86400.0, 1000, TimeUnit::Year, 1, "%Y"},  // beyond the table: the last row
        {600, 100, TimeUnit::Minute, 5, "%H:%M"},              // narrow charts count as 120 px
    };
    for (const auto& c : cases) {
        const auto choice = chooseTimeStep(c.span, c.width);
        ASSERT_NE(choice.step, nullptr);
        EXPECT_EQ(choice.step->unit, c.unit) << c.span << " s on " << c.width;
        EXPECT_EQ(choice.step->count, c.count) << c.span << " s on " << c.width;
        EXPECT_EQ(choice.step->format, c.format) << c.span << " s on " << c.width;
    }
}

TEST(TimeAxisStep, SixHundredSecondsOnAThousandPixels) {
    const auto choice = chooseTimeStep(600, 1000);
    EXPECT_EQ(choice.labels[0], 9);
    EXPECT_NEAR(choice.perStep[0], 66.67, 0.01);
    EXPECT_EQ(choice.labels[1], 16);  // label width 7 x 5 + 16 = 51 after the 120 s row
    EXPECT_DOUBLE_EQ(choice.perStep[1], 37.5);
}

TEST(TimeAxisTicks, AlignToTheCalendar) {
    const double from = oleDateFromCivil({2024, 5, 17, 10, 7, 30});
    auto labels = [](const std::vector<double>& ticks, const char* fmt) {
        std::vector<std::string> out;
        for (double t : ticks) out.push_back(formatOleDate(t, fmt));
        return out;
    };
    EXPECT_EQ(labels(timeTicks(from, from + 3.4 / 1440, TimeUnit::Minute, 1), "%H:%M:%S"),
              (std::vector<std::string>{"10:08:00", "10:09:00", "10:10:00"}));
    EXPECT_EQ(labels(timeTicks(from, from + 1.0, TimeUnit::Hour, 6), "%d %H:%M"),
              (std::vector<std::string>{"17 12:00", "17 18:00", "18 00:00", "18 06:00"}));
    EXPECT_EQ(labels(timeTicks(from, from + 300, TimeUnit::Month, 3), "%Y-%m-%d"),
              (std::vector<std::string>{"2024-07-01", "2024-10-01", "2025-01-01"}));
    EXPECT_EQ(labels(timeTicks(from, from + 800, TimeUnit::Year, 1), "%Y"),
              (std::vector<std::string>{"2025", "2026"}));
    EXPECT_EQ(timeTicks(from, from + 1000, TimeUnit::Second, 1, 50).size(), 50u) << "bounded";
    EXPECT_TRUE(timeTicks(from, from - 1, TimeUnit::Minute, 1).empty());
}

TEST(ValueAxis, CoversTheDataWithNiceSteps) {
    struct Case {
        double lo, hi, min, max, step;
    } cases[] = {
        {0, 97, 0, 100, 20},
        {12.3, 12.9, 12.3, 12.9, 0.1},
        {-3, 41, -10, 50, 10},
        {5, 5, 4, 6, 0.5},
    };
    for (const auto& c : cases) {
        const auto r = niceRange(c.lo, c.hi);
        EXPECT_NEAR(r.min, c.min, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_NEAR(r.max, c.max, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_NEAR(r.step, c.step, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_LE(r.min, c.lo);
        EXPECT_GE(r.max, c.hi);
    }
}

TEST(ListColumns, ModelsPickTheirHydrogenField) {
    struct Case {
        SensorModel model;
        ColumnSet set;
        std::size_t columns;
        std::size_t h2Column;
        CellSource h2;
    } cases[] = {
        {SensorModel::KA, ColumnSet::Model, 8, 2, CellSource::H2DG},
        {SensorModel::KG, ColumnSet::Model, 8, 2, CellSource::H2AG},
        {SensorModel::KGC, ColumnSet::Model, 8, 2, CellSource::H2AG},
        {SensorModel::KF, ColumnSet::Model, 9, 2, CellSource::H2DG},
        {SensorModel::KG, ColumnSet::Standard, 9, 3, CellSource::H2AG},
        {SensorModel::KA, ColumnSet::Wireless, 10, 4, CellSource::H2AG},
    };
    for (const auto& c : cases) {
        const auto cols = listColumns(c.model, c.set);
        ASSERT_EQ(cols.size(), c.columns);
        EXPECT_EQ(cols[c.h2Column].source, c.h2);
    }
    const auto kf = listColumns(SensorModel::KF, ColumnSet::Model);
    EXPECT_EQ(kf[4].key, "IDS_Tab_Acquisition_SOC");
    EXPECT_EQ(kf[8].source, CellSource::SensorId);
}

TEST(ColumnWidths, FitAndFill) {
    EXPECT_EQ(fitColumnWidths({50, 300, 80}, 1000), (std::vector<int>{64, 260, 94}));
    EXPECT_EQ(fitColumnWidths({186, 186}, 200), (std::vector<int>{100, 100}));
    EXPECT_EQ(fitColumnWidths({10, 500}, 100), (std::vector<int>{40, 91}));  // 40 px floor

    const auto filled = fillColumnWidths({70, 100, 100}, 400);
    EXPECT_EQ(filled, (std::vector<int>{70, 165, 165}));
    const auto odd = fillColumnWidths({70, 100, 100, 100}, 401);
    EXPECT_EQ(odd.front(), 70) << "the first column keeps its width";
    EXPECT_EQ(odd[0] + odd[1] + odd[2] + odd[3], 401) << "columns end at the right edge";
    EXPECT_EQ(fillColumnWidths({300, 300}, 300), (std::vector<int>{150, 150}));
}

}  // namespace
}  // namespace talvex::ui
