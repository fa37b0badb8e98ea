// talvex-cli export: one sensor's measurements from SensorDB.db to a CSV file, as the acquisition
// page's export does. Messages go to stderr.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "talvex/acquisition/csv_export.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::acquisition;

constexpr const char* kName = "export";

int runExport(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args =
        startCommand(kName, words, {{{"id"}, {"out"}, {"force", false}, kDataDirOption}}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);
    const auto out = args->value("out");
    if (!out || out->empty()) return fail(kName, GetText("IDS_Cli_OutRequired"), kExitUsage);
    if (!openDataDir(kName, *args, exitCode)) return exitCode;

    // Opening the database creates it; a data directory without one has nothing to export.
    const std::string path = databasePath(appPaths().dataDir.string());
    if (std::error_code ec; !std::filesystem::is_regular_file(path, ec))
        return fail(kName, cliText("IDS_Cli_NoDatabase", {kDatabaseFileName, appPaths().dataDir.string()}),
                    kExitFailure);
    const TextLookup text = [](std::string_view key) { return GetText(key); };
    const AppPaths& paths = appPaths();
    const ExportJob job{path,
                        std::to_string(*id),
                        *out,
                        args->has("force"),
                        {paths.configFile().string(), paths.settingsFile().string()}};
    // Never over the database or the settings; an existing file only with --force.
    if (const std::string problem = exportTargetProblem(job, text); !problem.empty())
        return fail(kName, problem, kExitUsage);
    const ExportResult r = exportCsv(job, text, nullptr);
    std::fprintf(stderr, "%s\n", exportMessage(r, job.filePath, text).c_str());
    return r.outcome == kExportDone ? kExitOk : kExitFailure;
}

const CommandRegistrar reg{{kName, "export --id N --out FILE [--force] [--data-dir DIR]", runExport}};

}  // namespace
}  // namespace talvex::cli
