// talvex-cli fit-example: writes an example calibration sheet (CSV) in the layout the fitting page
// reads, so the layout can be seen and `fit` tried without a workbook of one's own. The readings are
// made up: three sensors (IDs 1 to 3) on a gently bent curve.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "talvex/calibration/fitting/calibration_sheet.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

using talvex::calibration::fitting::formatFixed;

constexpr const char* kName = "fit-example";
constexpr int kCells = 57;  // worksheet columns B.. of the reference row
constexpr int kSensors = 3;

// Kinds 1, 2 and 4: row 1 holds the reference values, each sensor's row its readings at them.
void pointRows(std::ostringstream& out) {
    out << "ID";
    for (int c = 0; c < kCells; ++c) out << ',' << formatFixed(10.0 * c, 1);
    out << '\n';
    for (int id = 1; id <= kSensors; ++id) {
        out << id;
        for (int c = 0; c < kCells; ++c) {
            const double reference = 10.0 * c;
            out << ',' << formatFixed(0.8 * reference + 0.0004 * reference * reference + 0.5 * id, 3);
        }
        out << '\n';
    }
}

// Kind 3: each sensor's row holds 14 points of four cells: low-run temperature, low-concentration
// reading, high-run temperature, high-concentration reading.
void referenceRows(std::ostringstream& out) {
    out << "ID\n";
    for (int id = 1; id <= kSensors; ++id) {
        out << id;
        for (int m = 0; m < 14; ++m) {
            const double t = 20.0 + 5.0 * m;
            out << ',' << formatFixed(t + 0.1 * id, 2) << ',' << formatFixed(100 + 0.8 * t + 0.01 * t * t, 3)
                << ',' << formatFixed(t - 0.1 * id, 2) << ',' << formatFixed(500 - 1.5 * t + 0.02 * t * t, 3);
        }
        out << '\n';
    }
}

int runFitExample(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args =
        startCommand(kName, words, {{{"out"}, {"kind"}, {"force", false}, kDataDirOption}}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const long kind = args->number("kind", error).value_or(1);
    if (!error.empty()) return fail(kName, error, kExitUsage);
    if (kind < 1 || kind > 4) return fail(kName, GetText("IDS_Cli_BadKind"), kExitUsage);
    if (!args->has("out")) return fail(kName, GetText("IDS_Cli_OutNeeded"), kExitUsage);
    const std::string path = *args->value("out");
    // The data directory: its database and settings are never written over.
    if (!openDataDir(kName, *args, exitCode)) return exitCode;
    const OutputRule rule{args->has("force")};
    if (const std::string refused = outputRefusalText(path, rule); !refused.empty())
        return fail(kName, refused, kExitUsage);
    std::ostringstream sheet;
    if (kind == 3)
        referenceRows(sheet);
    else
        pointRows(sheet);
    OutputFile out;
    if (!out.open(path, rule) || !writeAll(out.fd(), sheet.str()) || !out.commit())
        return fail(kName, cliText("IDS_Cli_CannotWrite", {path}), kExitFailure);
    const std::string done =
        cliText("IDS_Cli_ExampleWritten", {path, std::to_string(kind), std::to_string(kSensors)});
    std::fprintf(stderr, "%s\n", done.c_str());
    return kExitOk;
}

const CommandRegistrar reg{
    {kName, "fit-example --out FILE [--force] [--kind 1|2|3|4] [--data-dir DIR]", runFitExample}};

}  // namespace
}  // namespace talvex::cli
