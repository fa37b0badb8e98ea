// The production read-out: a sensor's 53 identity, calibration and coefficient items, rows 1-5 read
// as text20 registers and rows 6-53 as text items, stopping at the first failing row.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/pacer.hpp"
#include "talvex/register_io.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::production {

inline constexpr int kReadoutRows = 53;
inline constexpr int kProductNumberRow = 2;  // its text is the export's default file name
// The rows a signing changes: the data date (item 2549) and the signer (item 2550).
inline constexpr int kDataDateRow = 6;
inline constexpr int kSignerRow = 7;

struct ReadoutRow {
    int number;                    // 1..53
    std::string_view label;        // column "参数"
    std::string_view description;  // column "备注"
    bool registers;                // true: text20 at address; false: text item code
    std::uint16_t source;
};

const std::array<ReadoutRow, kReadoutRows>& readoutRows();

// "NULL": the value of a failed row 1-5.
inline constexpr std::string_view kNullValue = "NULL";

struct ReadoutResult {
    std::vector<std::string> values = std::vector<std::string>(kReadoutRows);  // "" where not read
    int failedRow = 0;  // 1..53, 0 when all rows were read
    bool cancelled = false;
    bool complete() const { return failedRow == 0 && !cancelled; }
};

// Reads row after row from sensor id; onRow(row, value) is called as each row is filled (also with
// "NULL" for a failed row 1-5). The caller holds the link.
ReadoutResult readOut(RegisterIo& io, Pacer& pacer, int id,
                      const std::function<void(int row, const std::string& value)>& onRow = {});

// Rows first..last only, as the read-out reads them (a read-out on display is brought up to date
// after a signing this way, so its export carries the new signature).
ReadoutResult readRows(RegisterIo& io, Pacer& pacer, int id, int first, int last,
                       const std::function<void(int row, const std::string& value)>& onRow = {});

// "通信错误NN！" for a failed row (NN = row - 1, two digits).
std::string rowFailureText(int row);

// The list as the export writes it: the header "序号 参数 数值 备注" whatever the language, with the
// pixel widths (50, 100, 120, 140), then the 53 rows.
workbook::TextList exportList(const std::vector<std::string>& values);

}  // namespace talvex::production
