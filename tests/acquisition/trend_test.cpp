// Trends: the column summary against a brute-force reference over cases that hide peaks or draw
// lines backwards in simpler schemes, the read of a real SensorDB.db, and talvex-cli trend's output.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "talvex/acquisition/measurement.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/trend.hpp"
#include "talvex/testing/run_program.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using Row = std::pair<std::uint32_t, double>;

std::uint32_t at(const char* text) {
    return *civilSeconds(text);
}

// What each column must hold, found the slow way.
std::vector<TrendColumn> bruteForce(const std::vector<TrendColumn>& layout, const std::vector<Row>& rows) {
    std::vector<TrendColumn> out = layout;
    for (TrendColumn& c : out) {
        c.count = 0;
        std::uint32_t firstTime = std::numeric_limits<std::uint32_t>::max(), lastTime = 0;
        for (const auto& [t, v] : rows) {
            if (t < c.start || t >= c.end) continue;
            if (c.count == 0) c.min = c.max = v;
            c.min = std::min(c.min, v);
            c.max = std::max(c.max, v);
            if (t < firstTime) firstTime = t, c.first = v;
            if (t >= lastTime) lastTime = t, c.last = v;
            ++c.count;
        }
    }
    return out;
}

struct Case {
    const char* what;
    std::uint32_t from, to;
    int columns;
    std::vector<Row> rows;
};

std::vector<Case> cases() {
    std::vector<Case> all;
    const std::uint32_t day = at("2026-03-01 00:00:00");
    {
        Case flat{"a flat line with one spike of one sample", day, day + 86399, 300, {}};
        for (std::uint32_t s = 0; s < 86400; s += 7)
            flat.rows.push_back({day + s, s == 40005 ? 900.0 : 50.0});
        all.push_back(flat);
    }
    {
        Case gap{"a gap: no record for hours", day, day + 86399, 48, {}};
        for (std::uint32_t s = 0; s < 86400; s += 60)
            if (s < 20000 || s > 50000) gap.rows.push_back({day + s, double(s % 97)});
        all.push_back(gap);
    }
    {
        // The hour from 02:00 repeats (a clock set back for daylight saving): rows come in stored
        // order, times go backwards.
        Case dst{"a repeated hour", at("2026-10-25 01:00:00"), at("2026-10-25 03:59:59"), 12, {}};
        for (std::uint32_t s = 0; s < 3 * 3600; s += 30) {
            const std::uint32_t local = s < 2 * 3600 ? s : s - 3600;  // 01:00..02:59, then 02:00..02:59 again
            dst.rows.push_back({dst.from + local, double(s)});
        }
        all.push_back(dst);
    }
    {
        Case odd{"more columns than seconds, rows outside the period", day, day + 9, 25, {}};
        for (std::uint32_t s = 0; s < 20; ++s) odd.rows.push_back({day - 5 + s, double(s)});
        all.push_back(odd);
    }
    return all;
}

TEST(Trend, ColumnsHoldWhatABruteForceFinds) {
    for (const Case& c : cases()) {
        TrendDecimator d(c.from, c.to, c.columns);
        for (const auto& [t, v] : c.rows) d.add(t, v);
        const auto& got = d.columns();
        ASSERT_EQ(got.size(), std::size_t(c.columns)) << c.what;
        // The columns tile the period without a hole or an overlap.
        EXPECT_EQ(got.front().start, c.from) << c.what;
        EXPECT_EQ(got.back().end, c.to + 1) << c.what;
        for (std::size_t i = 1; i < got.size(); ++i) EXPECT_EQ(got[i].start, got[i - 1].end) << c.what;
        const auto want = bruteForce(got, c.rows);
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].count, want[i].count) << c.what << ", column " << i;
            if (!want[i].count) continue;
            EXPECT_EQ(std::vector<double>({got[i].min, got[i].max, got[i].first, got[i].last}),
                      std::vector<double>({want[i].min, want[i].max, want[i].first, want[i].last}))
                << c.what << ", column " << i;
        }
    }
    // The spike shows in its column's max, whatever the column width.
    const Case flat = cases()[0];
    for (const int columns : {1, 7, 300, 5000}) {
        TrendDecimator d(flat.from, flat.to, columns);
        for (const auto& [t, v] : flat.rows) d.add(t, v);
        double highest = 0;
        for (const auto& col : d.columns()) highest = std::max(highest, col.count ? col.max : 0);
        EXPECT_EQ(highest, 900) << columns << " columns";
    }
}

class TrendDb : public ::testing::Test {
  protected:
    void SetUp() override {
        MeasurementDb db(dir_.file(kDatabaseFileName), nullptr,
                         [](std::string_view k) { return std::string(k); });
        ASSERT_EQ(db.open(), 0);
        // Sensor 1 every 10 min for two hours with a peak, sensor 2 hourly; a row no one can read.
        for (int m = 0; m < 120; m += 10) {
            const double h2 = m == 40 ? 700 : 100 + m;
            ASSERT_EQ(db.insert({"1", formatCivilSeconds(at("2026-12-01 08:00:00") + std::uint32_t(m) * 60),
                                 std::to_string(h2), "0", "45.5", "3", "101.3", "12", "0x0001"}),
                      0);
        }
        ASSERT_EQ(db.insert({"2", "2026-12-01 08:30:00", "5", "0", "40", "0", "0", "0", "0x0001"}), 0);
        ASSERT_EQ(db.insert({"1", "yesterday", "999", "0", "0", "0", "0", "0", "0"}), 0);
    }
    talvex::testing::ProgramRun trend(const std::string& args) {
        std::ofstream(dir_.file("setting.ini")) << "[Setting]\r\nLanguage=English\r\n";
        return talvex::testing::runProgram(
            TALVEX_CLI, talvex::testing::words("trend --data-dir " + dir_.path() + " " + args));
    }
    test::TempDir dir_;
};

TEST_F(TrendDb, TheWholePeriodByDefaultAndGapsAsEmptyColumns) {
    TrendRequest r;
    r.sensor = 1;
    r.columns = 4;
    const TrendResult t = readTrend(dir_.file(kDatabaseFileName), r);
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(t.rows, 12u) << "the unreadable row is left out";
    EXPECT_EQ(formatCivilSeconds(t.from), "2026-12-01 08:00:00");
    EXPECT_EQ(formatCivilSeconds(t.to), "2026-12-01 09:50:00");

    const auto csv =
        trend("--id 1-2 --quantity h2-oil --from 2026-12-01T08:00:00 --to 2026-12-01T09:59:59 --columns 4");
    EXPECT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.out,
              "sensor,start,end,count,min,max,first,last\n"
              "1,2026-12-01 08:00:00,2026-12-01 08:29:59,3,100,120,100,120\n"
              "1,2026-12-01 08:30:00,2026-12-01 08:59:59,3,130,700,130,150\n"
              "1,2026-12-01 09:00:00,2026-12-01 09:29:59,3,160,180,160,180\n"
              "1,2026-12-01 09:30:00,2026-12-01 09:59:59,3,190,210,190,210\n"
              "2,2026-12-01 08:00:00,2026-12-01 08:29:59,0,,,,\n"
              "2,2026-12-01 08:30:00,2026-12-01 08:59:59,1,5,5,5,5\n"
              "2,2026-12-01 09:00:00,2026-12-01 09:29:59,0,,,,\n"
              "2,2026-12-01 09:30:00,2026-12-01 09:59:59,0,,,,\n");
    const auto json = trend("--id 2 --quantity temp --columns 1 --json");
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(
        json.out,
        "[{\"sensor\":2,\"quantity\":\"temp\",\"rows\":1,\"columns\":[{\"start\":\"2026-12-01 08:30:00\","
        "\"end\":\"2026-12-01 08:30:00\",\"count\":1,\"min\":40,\"max\":40,\"first\":40,\"last\":40}]}]\n");
}

TEST_F(TrendDb, RefusalsAndEmptyPeriods) {
    for (const std::string bad :
         {"--quantity h2-oil", "--id 1", "--id 1 --quantity ppm", "--id 1 --quantity temp --from 2026-13-01",
          "--id 1 --quantity temp --from 2026-12-02 --to 2026-12-01", "--id 1 --quantity temp --columns 0",
          "--id 1 --quantity temp --csv --json", "--id 0 --quantity temp", "--id 1 --quantity temp stray"}) {
        const auto r = trend(bad);
        EXPECT_EQ(r.exitCode, 2) << bad << "\n" << r.err;
        EXPECT_EQ(r.out, "") << bad;
    }
    const auto none = trend("--id 1 --quantity temp --from 2027-01-01 --to 2027-01-02 --columns 2");
    EXPECT_EQ(none.exitCode, 1) << none.err;
    EXPECT_NE(none.err.find("no stored measurement"), std::string::npos) << none.err;
    EXPECT_EQ(trend("--id 9 --quantity temp").exitCode, 1);
}

}  // namespace
}  // namespace talvex::acquisition
