// The import record: cells of a production workbook into the 51 edits, the blocks' staged registers
// and the refusals that come before any confirmation.
#include <gtest/gtest.h>

#include "talvex/production/import_record.hpp"
#include "talvex/production/readout.hpp"
#include "talvex/testing/temp_dir.hpp"
#include "talvex/workbook/reader.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::production {
namespace {

using device::RegisterWrite;

// A production export as the page writes it, value column "v<row>" except where a case needs a number.
std::vector<std::string> readoutValues() {
    std::vector<std::string> v;
    for (int row = 1; row <= kReadoutRows; ++row) v.push_back("v" + std::to_string(row));
    return v;
}

TEST(ImportRecord, AProductionExportFillsTheFiftyOneEdits) {
    talvex::testing::TempDir dir;
    auto path = (dir / "D1.xlsx").string();
    ASSERT_TRUE(workbook::writeList(exportList(readoutValues()), path, OutputRule{}).ok());
    auto read = workbook::readFirstSheet(path);
    ASSERT_TRUE(read.ok());
    ImportRecord r = importFromSheet(read.sheet);
    const auto& fields = importFields();
    for (int i = 0; i < kImportFields; ++i) {
        // Workbook row n holds read-out row n - 1.
        EXPECT_EQ(r.texts[i], "v" + std::to_string(fields[i].row - 1)) << fields[i].name;
        EXPECT_EQ(r.cells[i], "C" + std::to_string(fields[i].row));
    }
    // Firmware (read-out row 5) and signer (row 7) are not among them.
    for (const auto& t : r.texts) {
        EXPECT_NE(t, "v5");
        EXPECT_NE(t, "v7");
    }
    EXPECT_EQ(r.texts[importFieldIndex("DC")], "v53");
}

TEST(ImportRecord, AShortSheetLeavesTheRestEmpty) {
    workbook::Sheet s;
    s.setCell(0, 0, "header");
    s.setCell(1, 2, "M1");  // row 2, column 3: product model
    ImportRecord r = importFromSheet(s);
    EXPECT_EQ(r.texts[importFieldIndex("product model")], "M1");
    EXPECT_EQ(r.texts[importFieldIndex("DC")], "");
}

ImportRecord recordWith(std::initializer_list<std::pair<std::string_view, std::string>> values) {
    ImportRecord r;
    for (auto& t : r.texts) t = "0";
    r.texts[importFieldIndex("PD date")] = "20260101";
    for (const auto& [name, text] : values) r.texts[importFieldIndex(name)] = text;
    return r;
}

TEST(ImportRecord, BlocksStageTheirRegistersInSendingOrder) {
    ImportRecord r =
        recordWith({{"core batch", "2301"}, {"PD date", "20260815"}, {"P0", "1.5"}, {"A1", "1.5"}});
    PreparedBlock core = prepareBlock(*findImportBlock("core-temperature"), r);
    ASSERT_TRUE(core.ok()) << core.error;
    ASSERT_GE(core.writes.size(), 2u);
    EXPECT_EQ(core.writes[0], (RegisterWrite{19, 0x015F}));
    EXPECT_EQ(core.writes[1], (RegisterWrite{20, 0x1AD0}));
    EXPECT_EQ(core.writes.size(), 24u);

    PreparedBlock eq = prepareBlock(*findImportBlock("equation"), r);
    ASSERT_TRUE(eq.ok()) << eq.error;
    EXPECT_EQ(eq.writes[0], (RegisterWrite{83, 0x0815}));
    EXPECT_EQ(eq.writes[1], (RegisterWrite{84, 0x2026}));
    EXPECT_EQ(eq.writes[2], (RegisterWrite{19, 0x0000}));  // A1 = 1.5 as s64 x 10^9 follows the date
    EXPECT_EQ(eq.writes[5], (RegisterWrite{22, 0x2F00}));
    EXPECT_EQ(eq.writes.back(), (RegisterWrite{250, 0}));  // P3
    // The confirmation shows the values in the page's order, P0 first.
    EXPECT_EQ(confirmationText(*findImportBlock("equation"), eq).substr(0, 16), "Set P0 = 1.5000\n");
    EXPECT_EQ(commitWaitMs(*findImportBlock("equation")), 500);

    // The date as a sensor renders it in a read-out, and so in an exported workbook.
    for (const char* shown : {"2026-08-15", "2026/8/15", "2026.08.15"}) {
        r.texts[importFieldIndex("PD date")] = shown;
        PreparedBlock again = prepareBlock(*findImportBlock("equation"), r);
        ASSERT_TRUE(again.ok()) << shown << ": " << again.error;
        EXPECT_EQ(again.writes[0], (RegisterWrite{83, 0x0815})) << shown;
        EXPECT_EQ(again.writes[1], (RegisterWrite{84, 0x2026})) << shown;
    }
}

TEST(ImportRecord, BadValuesAreRefusedNamingTheCell) {
    struct Case {
        const char* block;
        const char* field;
        const char* text;
    };
    const Case cases[] = {
        {"equation", "PD date", "2026081"},   // not eight digits
        {"equation", "PD date", "20261315"},  // month 13
        {"equation", "PD date", "20250229"},  // not a leap year
        {"equation", "PD date", "2026-8"},
        {"equation", "PD date", "2026-13-01"},
        {"core-temperature", "Zero_50C", "300000"},    // beyond s32 x 10^4
        {"temperature-coefficients", "ST_B", "1e10"},  // beyond s64 x 10^9
        {"calibration-range", "RLow", ""},
        {"oil-gas", "OilAir_90C", "12,5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.block) + " " + c.field + "=" + c.text);
        ImportRecord r = recordWith({{c.field, c.text}});
        r.cells[importFieldIndex(c.field)] = "C17";
        PreparedBlock p = prepareBlock(*findImportBlock(c.block), r);
        EXPECT_FALSE(p.ok());
        EXPECT_NE(p.error.find("C17"), std::string::npos) << p.error;
        EXPECT_TRUE(p.writes.empty());
    }
}

}  // namespace
}  // namespace talvex::production
