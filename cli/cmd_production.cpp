// talvex-cli production: the 53-row production read-out of one sensor; with --sign NAME the sensor is
// signed first, and --xlsx FILE (only with --sign, as the page requires a signature per export)
// writes the read-out as the page's workbook.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "port_option.hpp"
#include "talvex/device/encodings.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"
#include "talvex/pacer.hpp"
#include "talvex/production/readout.hpp"
#include "talvex/production/signing.hpp"
#include "talvex/production/texts.hpp"
#include "talvex/rtu_register_io.hpp"
#include "talvex/text_codec.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::cli {
namespace {

constexpr const char* kName = "production";
const OptionTable kTable{
    {kPortOption, kBaudOption, {"id"}, kJsonOption, {"xlsx"}, {"force", false}, {"sign"}, kDataDirOption},
    0,
    0};

void printRows(const production::ReadoutResult& r, bool json) {
    const auto& rows = production::readoutRows();
    if (json) {
        std::string out = "{\"rows\": [";
        for (int i = 0; i < production::kReadoutRows; ++i) {
            if (i) out += ", ";
            out += "{\"row\": " + std::to_string(i + 1) + ", \"label\": " + json::quote(rows[i].label) +
                   ", \"value\": " + json::quote(r.values[i]) +
                   ", \"remark\": " + json::quote(rows[i].description) + "}";
        }
        out += "], \"complete\": " + std::string(r.complete() ? "true" : "false") + "}";
        std::printf("%s\n", out.c_str());
        return;
    }
    for (int i = 0; i < production::kReadoutRows; ++i)
        std::printf("%d\t%.*s\t%s\t%.*s\n", i + 1, int(rows[i].label.size()), rows[i].label.data(),
                    r.values[i].c_str(), int(rows[i].description.size()), rows[i].description.data());
}

int runProduction(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(kName, words, kTable, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);
    const auto xlsx = args->value("xlsx");
    const auto signer = args->value("sign");
    if (xlsx && !signer) return fail(kName, GetText("IDS_Cli_Production_XlsxNeedsSign"), kExitUsage);
    if (args->has("force") && !xlsx)
        return fail(kName, GetText("IDS_Cli_Production_ForceNeedsXlsx"), kExitUsage);
    const OutputRule rule{args->has("force")};
    if (!openDataDir(kName, *args, exitCode)) return exitCode;  // the language of the messages
    if (signer) {
        // Refused before the port opens: the page refuses such a name before sending too.
        if (signer->empty()) return fail(kName, GetText("IDS_Prod_SignerEmpty"), kExitUsage);
        if (const device::Encoded name = device::encodeText20("signer", *signer); !name)
            return fail(kName, isValidUtf8(*signer) ? GetText("IDS_Prod_SignerTooLong") : name.error,
                        kExitUsage);
    }
    if (xlsx) {
        std::error_code ec;
        auto folder = std::filesystem::absolute(*xlsx, ec).parent_path();
        if (ec || !std::filesystem::is_directory(folder, ec))
            return fail(kName, cliText("IDS_Cli_Production_NoFolder", {*xlsx}), kExitUsage);
        // Before the sensor is signed: a signature is spent on one export.
        if (const std::string refused = outputRefusalText(*xlsx, rule); !refused.empty())
            return fail(kName, refused, kExitUsage);
    }

    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    SteadyPacer pacer;
    RegisterIo& io = rtuRegisterIo();
    const int slave = *id;
    if (signer) {
        std::time_t now = std::time(nullptr);
        std::tm today{};
        localtime_r(&now, &today);
        production::SignResult s = production::sign(io, pacer, slave, *signer, today);
        if (s.outcome != production::SignOutcome::Signed) return fail(kName, s.message, kExitFailure);
        std::fprintf(stderr, "talvex-cli production: %s\n", s.message.c_str());
    }
    production::ReadoutResult r = production::readOut(io, pacer, slave);
    // A read-out is data only when whole: a silent sensor gives no rows of NULL, only the row it
    // stopped at.
    if (!r.complete()) {
        const production::ReadoutRow& row =
            production::readoutRows()[std::size_t(std::max(r.failedRow, 1) - 1)];
        return fail(
            kName,
            cliText("IDS_Cli_Production_RowFailed", {std::to_string(row.number), std::string(row.label)}),
            kExitFailure);
    }
    printRows(r, args->has("json"));
    if (xlsx) {
        workbook::WriteResult w = workbook::writeList(production::exportList(r.values), *xlsx, rule);
        if (w.error == workbook::WriteError::Refused)
            return fail(kName, GetText(outputRefusalKey(w.refusal)) + ": " + *xlsx, kExitFailure);
        if (!w.ok())
            return fail(kName, GetText(workbook::writeErrorKey(w.error)) + " " + w.detail, kExitFailure);
        std::fprintf(stderr, "talvex-cli production: %s\n",
                     production::textf("IDS_Prod_Saved", *xlsx).c_str());
    }
    return 0;
}

const CommandRegistrar reg{
    {"production",
     std::string("production ") + kPortUsage +
         " --id N [--json] [--sign NAME [--xlsx FILE [--force]]] [--data-dir DIR]   53-row production "
         "read-out; --sign signs the sensor first, --xlsx exports the read-out",
     runProduction}};

}  // namespace
}  // namespace talvex::cli
