// talvex-cli delete: removes one sensor's measurements from SensorDB.db, as the acquisition page's
// Data Delete does. Messages go to stderr.
#include <cstdio>
#include <string>

#include "command.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/pending.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::acquisition;

int runDelete(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parseLenient(words, {}, error);
    if (!args) {
        std::fprintf(stderr, "delete: %s\n", error.c_str());
        return 2;
    }
    const auto id = args->number("id", error);
    if (!args->has("id") || !args->positional().empty()) {
        std::fprintf(stderr, "usage: talvex-cli delete --id N [--data-dir DIR]\n");
        return 2;
    }
    if (!id || *id < 1 || *id > 255) {
        std::fprintf(stderr, "delete: %s\n", id ? "--id must be a sensor ID (1..255)" : error.c_str());
        return 2;
    }
    if (!initAppPaths(args->value("data-dir"), error)) {
        std::fprintf(stderr, "delete: %s\n", error.c_str());
        return 1;
    }
    startLanguage(appPaths());
    PendingLog log;
    MeasurementDb db(databasePath(appPaths().dataDir.string()), &log,
                     [](std::string_view key) { return GetText(key); });
    const int rc = db.deleteSensor(std::to_string(*id));
    if (const std::string text = log.take(); !text.empty()) std::fputs(text.c_str(), stderr);
    if (rc != 0) {
        std::fprintf(stderr, "delete: failed [rc=%d]\n", rc);
        return 1;
    }
    std::fprintf(stderr, "%s\n", GetText("IDS_Tab_Acquisition_DataDeleted").c_str());
    return 0;
}

const CommandRegistrar reg{{"delete", "delete --id N [--data-dir DIR]", runDelete}};

}  // namespace
}  // namespace talvex::cli
