// The 53 rows of the production read-out and the exchange that fills them.
#include "talvex/production/readout.hpp"

#include "talvex/device/encodings.hpp"
#include "talvex/device/procedures.hpp"
#include "talvex/production/texts.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::production {
namespace {

namespace reg = sensor::reg;

std::array<ReadoutRow, kReadoutRows> buildRows() {
    std::array<ReadoutRow, kReadoutRows> rows{{
        {1, "产品型号", "出厂型号M开头", true, reg::kProductModel},
        {2, "产品编号", "出厂编号D开头", true, reg::kProductNumber},
        {3, "PCB编号", "电路板条形码", true, reg::kBoardNumber},
        {4, "芯体编号", "芯体丝印编号", true, reg::kCoreNumber},
        {5, "软件版本", "软件版本号", true, reg::kFirmware},
    }};
    // Rows 6-27: items 2549-2570; rows 28-52: 2576-2600 (2571-2575 are text-write codes); row 53: 2608.
    constexpr std::uint16_t kFirstItem = 2549, kSecondRun = 2576, kLastItem = 2608;
    int row = 6;
    auto add = [&](std::uint16_t code) {
        const sensor::TextItem* item = sensor::findTextItem(code);
        rows[row - 1] = {row, item->label, item->description, false, code};
        ++row;
    };
    for (std::uint16_t c = kFirstItem; row <= 27; ++c) add(c);
    for (std::uint16_t c = kSecondRun; row <= 52; ++c) add(c);
    add(kLastItem);
    return rows;
}

}  // namespace

const std::array<ReadoutRow, kReadoutRows>& readoutRows() {
    static const auto rows = buildRows();
    return rows;
}

ReadoutResult readOut(RegisterIo& io, Pacer& pacer, int id,
                      const std::function<void(int, const std::string&)>& onRow) {
    return readRows(io, pacer, id, 1, kReadoutRows, onRow);
}

ReadoutResult readRows(RegisterIo& io, Pacer& pacer, int id, int first, int last,
                       const std::function<void(int, const std::string&)>& onRow) {
    ReadoutResult result;
    auto fill = [&](int row, std::string value) {
        result.values[row - 1] = std::move(value);
        if (onRow) onRow(row, result.values[row - 1]);
    };
    for (const ReadoutRow& row : readoutRows()) {
        if (row.number < first || row.number > last) continue;
        if (row.registers) {
            std::array<std::uint16_t, sensor::kText20Registers> regs{};
            device::Outcome o =
                device::readThenPause(io, pacer, id, row.source, sensor::kText20Registers, regs.data());
            if (o == device::Outcome::Cancelled) {
                result.cancelled = true;
                return result;
            }
            if (o != device::Outcome::Done) {
                fill(row.number, std::string(kNullValue));
                result.failedRow = row.number;
                return result;
            }
            fill(row.number, device::decodeText20(regs));
        } else {
            device::TextResult t = device::readTextItem(io, pacer, id, row.source);
            if (t.outcome == device::Outcome::Cancelled) {
                result.cancelled = true;
                return result;
            }
            if (!t.done()) {
                result.failedRow = row.number;
                return result;
            }
            fill(row.number, t.text);
        }
    }
    return result;
}

std::string rowFailureText(int row) {
    return textf("IDS_Prod_CommErrorNumbered", row - 1);
}

workbook::TextList exportList(const std::vector<std::string>& values) {
    workbook::TextList list;
    // The file's own header, the same in every language (the page may show translated headings): a
    // workbook made in English mode is read by the same import as one made in Chinese.
    list.columns = {{"序号", 50}, {"参数", 100}, {"数值", 120}, {"备注", 140}};
    for (const ReadoutRow& row : readoutRows()) {
        const std::string& v = row.number <= static_cast<int>(values.size()) ? values[row.number - 1] : "";
        list.rows.push_back(
            {std::to_string(row.number), std::string(row.label), v, std::string(row.description)});
    }
    return list;
}

}  // namespace talvex::production
