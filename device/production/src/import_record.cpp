// The import page's fields, blocks and the checks that run before anything is confirmed or sent.
#include "talvex/production/import_record.hpp"

#include <cctype>

#include "talvex/production/texts.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::production {
namespace {

constexpr int kValueColumn = 3;
constexpr std::string_view kDateField = "PD date";

bool validDate(std::string_view t) {
    if (t.size() != 8) return false;
    for (char c : t)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    int y = std::stoi(std::string(t.substr(0, 4))), m = std::stoi(std::string(t.substr(4, 2))),
        d = std::stoi(std::string(t.substr(6, 2)));
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return !(m == 2 && d == 29 && !leap);
}

// The PD date as the page takes it: YYYYMMDD, or as a sensor renders it in a read-out and so in an
// exported workbook ("2026-08-15", also with "/" or "."): the latter is brought to YYYYMMDD.
std::string dateDigits(std::string_view t) {
    size_t a = t.find_first_of("-/."), b = a == std::string_view::npos ? a : t.find_first_of("-/.", a + 1);
    if (a != 4 || b == std::string_view::npos || b - a < 2 || b - a > 3 || t.size() - b < 2 ||
        t.size() - b > 3)
        return std::string(t);
    auto two = [](std::string_view p) { return p.size() == 1 ? "0" + std::string(p) : std::string(p); };
    return std::string(t.substr(0, 4)) + two(t.substr(a + 1, b - a - 1)) + two(t.substr(b + 1));
}

std::string trimmed(std::string_view t) {
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front()))) t.remove_prefix(1);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.remove_suffix(1);
    return std::string(t);
}

}  // namespace

const std::array<ImportField, kImportFields>& importFields() {
    static const std::array<ImportField, kImportFields> fields{{
        {2, "product model"},
        {3, "product number"},
        {4, "circuit-board number"},
        {5, "core number"},
        {7, "PD date"},
        {9, "P0"},
        {10, "A1"},
        {11, "B1"},
        {12, "C1"},
        {13, "P1"},
        {14, "A2"},
        {15, "B2"},
        {16, "C2"},
        {17, "P2"},
        {18, "A3"},
        {19, "B3"},
        {20, "C3"},
        {21, "P3"},
        {22, "RLow"},
        {23, "RHigh"},
        {24, "ST_A"},
        {25, "ST_B"},
        {26, "ST_C"},
        {27, "STC_a"},
        {28, "STC_b"},
        {29, "PCB_Ka"},
        {30, "PCB_Kb"},
        {31, "Sor_Ka"},
        {32, "Sor_Kb"},
        {33, "Adj_50C"},
        {34, "Adj_90C"},
        {35, "Adj_110C"},
        {36, "OilAir_50C"},
        {37, "OilAir_70C"},
        {38, "OilAir_90C"},
        {39, "OilAir_110C"},
        {40, "core batch"},
        {41, "Zero_50C"},
        {42, "Zero_70C"},
        {43, "Zero_90C"},
        {44, "Zero_110C"},
        {45, "70C_1%"},
        {46, "7050_A"},
        {47, "7050_B"},
        {48, "7090_A"},
        {49, "7090_B"},
        {50, "70110_A"},
        {51, "70110_B"},
        {52, "DA"},
        {53, "DB"},
        {54, "DC"},
    }};
    return fields;
}

int importFieldIndex(std::string_view name) {
    const auto& f = importFields();
    for (int i = 0; i < kImportFields; ++i)
        if (f[i].name == name) return i;
    return -1;
}

ImportRecord importFromSheet(const workbook::Sheet& sheet) {
    ImportRecord r;
    const auto& f = importFields();
    for (int i = 0; i < kImportFields; ++i) {
        r.texts[i] = sheet.cellText(f[i].row, kValueColumn);
        r.cells[i] = sheet.cellName(f[i].row, kValueColumn);
    }
    return r;
}

std::span<const IdentityText> identityTexts() {
    static constexpr IdentityText kTexts[] = {
        {"product model", sensor::textcode::kProductModel},
        {"product number", sensor::textcode::kProductNumber},
        {"circuit-board number", sensor::textcode::kBoardNumber},
        {"core number", sensor::textcode::kCoreNumber},
    };
    return kTexts;
}

std::span<const ImportBlock> importBlocks() {
    namespace c = sensor::commit;
    static const std::vector<ImportBlock> blocks = {
        {"temperature-coefficients",
         "IDS_Load_BlockTemperatureCoefficients",
         c::kTemperatureCoefficients,
         {"ST_A", "ST_B", "ST_C"},
         "IDS_Load_ConfirmTemperatureCoefficients",
         false,
         ChainStyle::PerId,
         true},
        {"fine-adjustment",
         "IDS_Load_BlockFineAdjustment",
         c::kFineAdjustCoefficients,
         {"Adj_50C", "Adj_90C", "Adj_110C"},
         "IDS_Load_ConfirmFineAdjustment",
         true,
         ChainStyle::None,
         false},
        {"pcb-compensation",
         "IDS_Load_BlockPcbCompensation",
         c::kBoardCompensation,
         {"PCB_Ka", "PCB_Kb"},
         "IDS_Load_ConfirmPcbCompensation",
         false,
         ChainStyle::None,
         false},
        {"core-compensation",
         "IDS_Load_BlockCoreCompensation",
         c::kCoreCompensation,
         {"Sor_Ka", "Sor_Kb"},
         "IDS_Load_ConfirmCoreCompensation",
         false,
         ChainStyle::None,
         false},
        {"temperature-calibration",
         "IDS_Load_BlockTemperatureCalibration",
         c::kTemperatureCalibration,
         {"STC_a", "STC_b"},
         "IDS_Load_ConfirmTemperatureCalibration",
         false,
         ChainStyle::None,
         false},
        {"hydrogen-calibration",
         "IDS_Load_BlockHydrogenCalibration",
         c::kHydrogenCalibration,
         {"DA", "DB", "DC"},
         "IDS_Load_ConfirmHydrogenCalibration",
         false,
         ChainStyle::None,
         false},
        {"calibration-range",
         "IDS_Load_BlockCalibrationRange",
         c::kCalibrationRange,
         {"RLow", "RHigh"},
         "IDS_Load_ConfirmCalibrationRange",
         false,
         ChainStyle::PerId,
         false},
        {"oil-gas",
         "IDS_Load_BlockOilGas",
         c::kOilAir,
         {"OilAir_50C", "OilAir_70C", "OilAir_90C", "OilAir_110C"},
         "IDS_Load_ConfirmOilGas",
         true,
         ChainStyle::PerId,
         false},
        {"equation",
         "IDS_Load_BlockEquation",
         c::kCalibrationEquation,
         {"PD date", "P0", "A1", "B1", "C1", "P1", "A2", "B2", "C2", "P2", "A3", "B3", "C3", "P3"},
         "IDS_Load_ConfirmEquation",
         false,
         ChainStyle::Equation,
         false},
        {"core-temperature",
         "IDS_Load_BlockCoreTemperature",
         c::kCoreData,
         {"core batch", "Zero_50C", "Zero_70C", "Zero_90C", "Zero_110C", "70C_1%", "7050_A", "7050_B",
          "7090_A", "7090_B", "70110_A", "70110_B"},
         "IDS_Load_ConfirmCoreTemperature",
         true,
         ChainStyle::PerId,
         false},
    };
    return blocks;
}

const ImportBlock* findImportBlock(std::string_view cliName) {
    for (const ImportBlock& b : importBlocks())
        if (b.cliName == cliName) return &b;
    return nullptr;
}

PreparedBlock prepareBlock(const ImportBlock& block, const ImportRecord& record) {
    PreparedBlock p;
    auto refuse = [&](int field, std::string why) {
        const std::string& cell = record.cells[field];
        p.error = cell.empty() ? std::move(why) : why + " [" + cell + "]";
        p.shownValues.clear();
        p.writes.clear();
        return p;
    };
    // Values in the page's order, for the confirmation.
    for (std::string_view name : block.fields) {
        int i = importFieldIndex(name);
        std::string t = trimmed(record.texts[i]);
        if (name == kDateField) {
            t = dateDigits(t);
            if (!validDate(t)) return refuse(i, textf("IDS_Load_BadDate", t));
            continue;
        }
        auto v = device::parseDecimal(name, t);
        if (!v) return refuse(i, v.error);
        p.shownValues.push_back(block.singlePrecisionShown ? static_cast<double>(static_cast<float>(*v))
                                                           : *v);
    }
    // The staged layout takes them in the commit table's order; each must fit its encoding.
    const sensor::CommitCode& code = *sensor::findCommitCode(block.commitCode);
    for (const sensor::StagedValue& s : code.staged) {
        int i = importFieldIndex(s.name);
        std::string t = trimmed(record.texts[i]);
        if (s.name == kDateField) t = dateDigits(t);
        device::Encoded e = device::encodeText(s.encoding, s.name, t);
        if (!e) return refuse(i, e.error);
        for (size_t k = 0; k < e.registers.size(); ++k)
            p.writes.push_back({static_cast<std::uint16_t>(s.firstRegister + k), e.registers[k]});
    }
    return p;
}

std::string confirmationText(const ImportBlock& block, const PreparedBlock& prepared) {
    return formatValues(text(std::string(block.confirmKey).c_str()), prepared.shownValues);
}

int commitWaitMs(const ImportBlock& block) {
    return block.commitCode == sensor::commit::kCalibrationEquation ? sensor::commit::kImportWait1003Ms : -1;
}

}  // namespace talvex::production
