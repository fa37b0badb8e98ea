// talvex-cli delete: removes one sensor's measurements from SensorDB.db, as the acquisition page's
// Data Delete does. Messages go to stderr; a missing database or a sensor without records exits 1.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/pending.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::acquisition;

constexpr const char* kName = "delete";

int runDelete(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(kName, words, {{{"id"}, kDataDirOption}}, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto id = sensorIdOption(*args, "id", error);
    if (!id) return fail(kName, error, kExitUsage);
    if (!openDataDir(kName, *args, exitCode)) return exitCode;

    // Opening the database creates it; a data directory without one has nothing to delete.
    const std::string path = databasePath(appPaths().dataDir.string());
    if (std::error_code ec; !std::filesystem::is_regular_file(path, ec))
        return fail(kName, cliText("IDS_Cli_NoDatabase", {kDatabaseFileName, appPaths().dataDir.string()}),
                    kExitFailure);
    PendingLog log;
    MeasurementDb db(path, &log, [](std::string_view key) { return GetText(key); });
    long long removed = 0;
    const int rc = db.deleteSensor(std::to_string(*id), &removed);
    if (const std::string text = log.take(); !text.empty()) std::fputs(text.c_str(), stderr);
    if (rc != 0) return fail(kName, cliText("IDS_Cli_DeleteFailed", {std::to_string(rc)}), kExitFailure);
    if (removed == 0) return fail(kName, GetText("IDS_Tab_Acquisition_NoData"), kExitFailure);
    std::fprintf(stderr, "%s\n", GetText("IDS_Tab_Acquisition_DataDeleted").c_str());
    return kExitOk;
}

const CommandRegistrar reg{{kName, "delete --id N [--data-dir DIR]", runDelete}};

}  // namespace
}  // namespace talvex::cli
