// The parameter record of the import page: 51 texts taken from column 3 of a production workbook
// (rows 2-54, the read-out shifted by its header; rows 6 firmware and 8 signer are not taken), the
// four identity texts and the ten coefficient blocks they feed.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/device/encodings.hpp"
#include "talvex/workbook/sheet.hpp"

namespace talvex::production {

inline constexpr int kImportFields = 51;

// One edit of the page: the workbook row it comes from and the name its value has in the staged
// layout of its commit code (or the identity text it is).
struct ImportField {
    int row;                // 2..54 of the used range
    std::string_view name;  // "product model", "PD date", "ST_A", ...
};
const std::array<ImportField, kImportFields>& importFields();
// Index into importFields() by name; -1 when there is none.
int importFieldIndex(std::string_view name);

struct ImportRecord {
    std::array<std::string, kImportFields> texts;  // what the edits show
    std::array<std::string, kImportFields> cells;  // where each came from ("C7"), for messages
};
// Column 3 of rows 2..54; a sheet with fewer rows leaves the rest empty.
ImportRecord importFromSheet(const workbook::Sheet& sheet);

// The four identity texts (procedure C).
struct IdentityText {
    std::string_view field;  // importFields() name
    std::uint16_t textCode;  // 2572..2575
};
std::span<const IdentityText> identityTexts();

// How a chained block reports per sensor.
enum class ChainStyle { None, PerId, Equation };

struct ImportBlock {
    std::string_view cliName;     // "temperature-coefficients", ...
    std::string_view captionKey;  // language key of the block's caption
    std::uint16_t commitCode;
    std::vector<std::string_view> fields;  // in the page's value order (the confirmation's order)
    std::string_view confirmKey;           // language key of the confirmation format
    bool singlePrecisionShown;             // x10^4 blocks show the single-precision values
    ChainStyle chain;
    bool warnCaption;  // "请先连接串口！" with a warning (temperature coefficients)
};
// The ten blocks in the order of the continued write.
std::span<const ImportBlock> importBlocks();
const ImportBlock* findImportBlock(std::string_view cliName);

// A block's values parsed, checked and staged, or the first refusal naming the field (and the cell
// when the text came from a workbook).
struct PreparedBlock {
    std::vector<double> shownValues;            // for the confirmation, in value order
    std::vector<device::RegisterWrite> writes;  // staged registers in sending order
    std::string error;
    bool ok() const { return error.empty(); }
};
PreparedBlock prepareBlock(const ImportBlock& block, const ImportRecord& record);

// The confirmation text of a prepared block.
std::string confirmationText(const ImportBlock& block, const PreparedBlock& prepared);

// The wait after the commit write: the import page waits 500 ms after 1003.
int commitWaitMs(const ImportBlock& block);

}  // namespace talvex::production
