// talvex-cli export: one sensor's measurements from SensorDB.db to a CSV file, as the acquisition
// page's export does. Messages go to stderr.
#include <cstdio>
#include <string>

#include "command.hpp"
#include "talvex/acquisition/csv_export.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::acquisition;

int runExport(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parseLenient(words, {}, error);
    if (!args) {
        std::fprintf(stderr, "export: %s\n", error.c_str());
        return 2;
    }
    const auto id = args->number("id", error);
    const auto out = args->value("out");
    if (!args->has("id") || !out || out->empty() || !args->positional().empty()) {
        std::fprintf(stderr, "usage: talvex-cli export --id N --out FILE [--data-dir DIR]\n");
        return 2;
    }
    if (!id || *id < 1 || *id > 255) {
        std::fprintf(stderr, "export: %s\n", id ? "--id must be a sensor ID (1..255)" : error.c_str());
        return 2;
    }
    if (!initAppPaths(args->value("data-dir"), error)) {
        std::fprintf(stderr, "export: %s\n", error.c_str());
        return 1;
    }
    startLanguage(appPaths());
    const TextLookup text = [](std::string_view key) { return GetText(key); };
    const ExportJob job{databasePath(appPaths().dataDir.string()), std::to_string(*id), *out};
    const ExportResult r = exportCsv(job, text, nullptr);
    std::fprintf(stderr, "%s\n", exportMessage(r, job.filePath, text).c_str());
    return r.outcome == kExportDone ? 0 : 1;
}

const CommandRegistrar reg{{"export", "export --id N --out FILE [--data-dir DIR]", runExport}};

}  // namespace
}  // namespace talvex::cli
