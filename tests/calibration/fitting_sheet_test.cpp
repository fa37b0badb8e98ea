// The sheet load's cell mapping and the fit button's choice of row and sensor.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include <unistd.h>

#include "talvex/calibration/fitting/fitting_choice.hpp"
#include "talvex/calibration/fitting/sheet_load.hpp"
#include "talvex/calibration/fitting/workbook_load.hpp"

namespace talvex::calibration::fitting {
namespace {

// A worksheet's used range as the reader sees it: cell (r, c) -> text, empty elsewhere.
class TableCells : public CellSource {
  public:
    explicit TableCells(std::map<std::pair<int, int>, std::string> cells) : cells_(std::move(cells)) {}
    std::string cellText(int row, int column) const override {
        const auto it = cells_.find({row, column});
        return it == cells_.end() ? std::string() : it->second;
    }

  private:
    std::map<std::pair<int, int>, std::string> cells_;
};

// Every cell of rows 1..rows and columns 1..columns holds "r,c".
class FilledCells : public CellSource {
  public:
    FilledCells(int rows, int columns) : rows_(rows), columns_(columns) {}
    std::string cellText(int row, int column) const override {
        if (row < 1 || column < 1 || row > rows_ || column > columns_) return {};
        return std::to_string(row) + "," + std::to_string(column);
    }

  private:
    int rows_, columns_;
};

TEST(SheetLoad, MapsWorksheetCellsToGridAndSheet) {
    CalibrationSheet sheet;
    const FittingGrid grid = loadCalibrationSheet(FilledCells(70, 70), sheet);
    ASSERT_EQ(grid.size(), 49u);
    ASSERT_EQ(grid[0].size(), 57u);
    struct GridCase {
        int row, column;
        const char* text;
    };
    for (const auto& c : std::initializer_list<GridCase>{
             {0, 0, "0"},      // the reference row keeps its number
             {0, 1, "1,2"},    // reference row from column B
             {0, 56, "1,57"},  // the grid's last column
             {1, 0, "2,1"},    // product ID from column A
             {1, 56, "2,57"},
             {48, 0, "49,1"},  // last grid row: worksheet row 49
             {48, 56, "49,57"},
         })
        EXPECT_EQ(grid[c.row][c.column], c.text) << c.row << "/" << c.column;
    struct SheetCase {
        int row, cell;
        const char* text;
    };
    for (const auto& c : std::initializer_list<SheetCase>{
             {0, 0, "1,2"},
             {0, 56, "1,58"},  // stored only: no grid column
             {0, 57, ""},
             {1, 0, "2,2"},
             {1, 55, "2,57"},
             {1, 56, ""},      // data rows take 56 cells
             {57, 0, "58,2"},  // rows past the grid still reach the sheet
             {58, 0, ""},
         })
        EXPECT_EQ(sheet.text(c.row, c.cell), c.text) << c.row << "/" << c.cell;
}

TEST(SheetLoad, CellsALoadDoesNotWriteKeepTheirText) {
    CalibrationSheet sheet;
    for (auto [row, cell] : {std::pair{0, 57}, {1, 56}, {58, 0}, {3, 10}}) sheet.setText(row, cell, "old");
    loadCalibrationSheet(TableCells({{{4, 12}, "12.5"}}), sheet);
    EXPECT_EQ(sheet.text(0, 57), "old");
    EXPECT_EQ(sheet.text(1, 56), "old");
    EXPECT_EQ(sheet.text(58, 0), "old");
    EXPECT_EQ(sheet.text(3, 10), "12.5");  // worksheet (4, 12) -> sheet row 3, cell 10
}

TEST(SheetLoad, ShortWorksheetLeavesTheMissingCellsEmpty) {
    CalibrationSheet sheet;
    sheet.setText(20, 3, "stale");
    const FittingGrid grid = loadCalibrationSheet(FilledCells(10, 5), sheet);
    EXPECT_EQ(grid[9][4], "10,5");
    EXPECT_EQ(grid[9][5], "");
    EXPECT_EQ(grid[10][0], "");  // the row number written first is replaced by the empty ID
    EXPECT_EQ(sheet.text(9, 3), "10,5");
    EXPECT_EQ(sheet.text(9, 4), "");
    EXPECT_EQ(sheet.text(20, 3), "");
}

TEST(SheetLoad, GridColumnNames) {
    const std::pair<int, const char*> cases[] = {{0, "A"}, {25, "Z"}, {26, "AA"}, {51, "AZ"}, {56, "BE"}};
    for (auto [column, name] : cases) EXPECT_EQ(gridColumnName(column), name);
}

TEST(SheetLoad, NumbersReadAsAtofReadsThem) {
    const std::pair<const char*, double> cases[] = {
        {"12.5", 12.5}, {"  -3e2x", -300}, {"+.5", 0.5}, {"", 0},
        {"abc", 0},     {"1,5", 1},        {"--1", 0},   {"1e999", HUGE_VAL},
    };
    for (auto [text, value] : cases) EXPECT_EQ(parseNumber(text), value) << text;
    EXPECT_EQ(formatFixed(-0.000123456, 9), "-0.000123456");
    EXPECT_EQ(formatFixed(20.5, 2), "20.50");
}

struct ScanFixture {
    std::vector<bool> ticks;
    std::vector<std::string> ids;
    std::vector<bool> answers;  // one per question
    std::vector<std::pair<int, int>> asked;

    GridScan scan() {
        return {[this] { return static_cast<int>(ticks.size()); }, [this](int r) { return ticks[r] == true; },
                [this](int r) { return ids[r]; },
                [this](int row, int id) {
                    asked.emplace_back(row, id);
                    return answers[asked.size() - 1];
                }};
    }
};

TEST(SheetLoad, WorkbookUsedFromB2IsReadFromItsFirstUsedCell) {
    const auto path =
        std::filesystem::temp_directory_path() / ("talvex_fit_b2_" + std::to_string(::getpid()) + ".csv");
    {
        std::ofstream out(path);
        out << "\n,ID,10,20,30\n,5,1.5,2.5,3.5\n,7,1.6\n";
    }
    CalibrationSheet sheet;
    const WorkbookLoad load = loadCalibrationWorkbook(path.string(), sheet);
    std::filesystem::remove(path);
    ASSERT_TRUE(load.ok()) << load.error;
    EXPECT_EQ(sheet.text(0, 0), "10");
    EXPECT_EQ(sheet.text(0, 2), "30");
    EXPECT_EQ(load.grid[1][0], "5");
    EXPECT_EQ(load.grid[2][1], "1.6");
    EXPECT_EQ(sheet.text(1, 2), "3.5");
    EXPECT_EQ(sheet.text(2, 1), "");
}

TEST(SheetLoad, UnreadableFileChangesNothing) {
    CalibrationSheet sheet;
    sheet.setText(1, 0, "kept");
    const WorkbookLoad load = loadCalibrationWorkbook("/nonexistent/calibration.xlsx", sheet);
    EXPECT_FALSE(load.ok());
    EXPECT_TRUE(load.grid.empty());
    EXPECT_EQ(sheet.text(1, 0), "kept");
}

TEST(FitButton, LastConfirmedTickedRowWins) {
    struct Case {
        const char* what;
        std::vector<bool> ticks;
        std::vector<bool> answers;
        FitPress press;
        int row, id;
        std::vector<std::pair<int, int>> asked;
    };
    const std::vector<std::string> ids = {"0", "5", "7x", "", "12"};
    const Case cases[] = {
        {"one row", {0, 1, 0, 0, 0}, {true}, FitPress::OpenDialog, 1, 5, {{1, 5}}},
        {"two rows, both confirmed",
         {0, 0, 1, 0, 1},
         {true, true},
         FitPress::OpenDialog,
         4,
         12,
         {{2, 7}, {4, 12}}},
        {"cancel keeps that row",
         {0, 1, 1, 0, 1},
         {true, false},
         FitPress::Cancelled,
         2,
         7,
         {{1, 5}, {2, 7}}},
        {"row 0 only", {1, 0, 0, 0, 0}, {true}, FitPress::NoSelection, 0, 0, {{0, 0}}},
        {"row without an ID", {0, 0, 0, 1, 0}, {true}, FitPress::NoSelection, 3, 0, {{3, 0}}},
    };
    for (const auto& c : cases) {
        ScanFixture f{c.ticks, ids, c.answers, {}};
        FittingChoice choice;
        EXPECT_EQ(pressFitButton(f.scan(), choice), c.press) << c.what;
        EXPECT_EQ(choice.sheetRow, c.row) << c.what;
        EXPECT_EQ(choice.sensorId, c.id) << c.what;
        EXPECT_EQ(f.asked, c.asked) << c.what;
    }
}

TEST(FitButton, NoTickReusesTheLastChoice) {
    FittingChoice choice{4, 12, 3};
    ScanFixture none{{0, 0, 0}, {"0", "1", "2"}, {}, {}};
    EXPECT_EQ(pressFitButton(none.scan(), choice), FitPress::OpenDialog);
    EXPECT_EQ(choice.sheetRow, 4);
    EXPECT_EQ(choice.sensorId, 12);
    EXPECT_TRUE(none.asked.empty());
    FittingChoice fresh;
    EXPECT_EQ(pressFitButton(none.scan(), fresh), FitPress::NoSelection);
}

TEST(FitButton, KindsOpenTheirDialogs) {
    EXPECT_EQ(dialogForKind(1), FittingDialog::Piecewise);
    EXPECT_EQ(dialogForKind(2), FittingDialog::Piecewise);
    EXPECT_EQ(dialogForKind(3), FittingDialog::TemperatureDifference);
    EXPECT_EQ(dialogForKind(4), FittingDialog::TemperatureCoefficient);
}

}  // namespace
}  // namespace talvex::calibration::fitting
