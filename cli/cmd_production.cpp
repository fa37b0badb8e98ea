// talvex-cli production: the 53-row production read-out of one sensor; with --sign NAME the sensor is
// signed first, and --xlsx FILE (only with --sign, as the page requires a signature per export)
// writes the read-out as the page's workbook.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "command.hpp"
#include "port_option.hpp"
#include "talvex/device/encodings.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"
#include "talvex/pacer.hpp"
#include "talvex/production/readout.hpp"
#include "talvex/production/signing.hpp"
#include "talvex/production/texts.hpp"
#include "talvex/rtu_register_io.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::cli {
namespace {

int fail(const std::string& text, int code) {
    std::fprintf(stderr, "production: %s\n", text.c_str());
    return code;
}

void printRows(const production::ReadoutResult& r, bool json) {
    const auto& rows = production::readoutRows();
    if (json) {
        std::string out = "{\"rows\": [";
        for (int i = 0; i < production::kReadoutRows; ++i) {
            if (i) out += ", ";
            out += "{\"row\": " + std::to_string(i + 1) + ", \"label\": " + json::quote(rows[i].label) +
                   ", \"value\": " + json::quote(r.values[i]) + ", \"remark\": " + json::quote(rows[i].description) +
                   "}";
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
    std::string error;
    const auto args = Args::parse(
        words, OptionTable{{{"port"}, {"baud"}, {"id"}, {"json", false}, {"xlsx"}, {"sign"}}, 0, 0}, error);
    if (!args) return fail(error, 2);
    const long id = args->number("id", error).value_or(-1);
    if (!error.empty()) return fail(error, 2);
    if (id < 1 || id > 247) return fail("--id must be a slave address 1..247", 2);
    const auto xlsx = args->value("xlsx");
    const auto signer = args->value("sign");
    if (xlsx && !signer) return fail("--xlsx needs --sign NAME: every export needs a signature", 2);
    if (signer) {
        // Refused before the port opens: the page refuses such a name before sending too.
        if (signer->empty()) return fail(GetText("IDS_Prod_SignerEmpty"), 2);
        if (!device::encodeText20("signer", *signer)) return fail(GetText("IDS_Prod_SignerTooLong"), 2);
    }
    if (xlsx) {
        std::error_code ec;
        auto folder = std::filesystem::absolute(*xlsx, ec).parent_path();
        if (ec || !std::filesystem::is_directory(folder, ec)) return fail("no folder for " + *xlsx, 2);
    }

    PortSession port(*args);
    if (!port.ok()) return fail(port.error(), port.exitCode());
    SteadyPacer pacer;
    RegisterIo& io = rtuRegisterIo();
    const int slave = static_cast<int>(id);
    if (signer) {
        std::time_t now = std::time(nullptr);
        std::tm today{};
        localtime_r(&now, &today);
        production::SignResult s = production::sign(io, pacer, slave, *signer, today);
        if (s.outcome != production::SignOutcome::Signed) return fail(s.message, 1);
        std::fprintf(stderr, "production: %s\n", s.message.c_str());
    }
    production::ReadoutResult r = production::readOut(io, pacer, slave);
    printRows(r, args->has("json"));
    if (!r.complete()) return fail(production::rowFailureText(r.failedRow), 1);
    if (xlsx) {
        workbook::WriteResult w = workbook::writeList(production::exportList(r.values), *xlsx);
        if (!w.ok()) return fail(GetText(workbook::writeErrorKey(w.error)) + " " + w.detail, 1);
        std::fprintf(stderr, "production: %s\n", production::textf("IDS_Prod_Saved", *xlsx).c_str());
    }
    return 0;
}

const CommandRegistrar reg{{"production",
                            std::string("production ") + kPortUsage +
                                " --id N [--json] [--sign NAME [--xlsx FILE]]   53-row production read-out",
                            runProduction}};

}  // namespace
}  // namespace talvex::cli
