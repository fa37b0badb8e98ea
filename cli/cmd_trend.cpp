// talvex-cli trend: a period of one quantity of the stored measurements, cut into columns and summed
// up per column (count, min, max, first, last), for reports and for checking what a trend view
// draws. Reads SensorData of the data directory's SensorDB.db; data on stdout, messages on stderr.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/trend.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::acquisition;

constexpr const char* kName = "trend";
constexpr long kMaxColumns = 100000;

// "2026-12-11 10:00:00", "2026-12-11T10:00:00" or "2026-12-11" (its midnight).
std::optional<std::uint32_t> parseTime(std::string text) {
    if (text.size() == 10) text += " 00:00:00";
    if (text.size() == 19 && text[10] == 'T') text[10] = ' ';
    return civilSeconds(text);
}

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

int runTrend(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(
        kName, words,
        {{{"id"}, {"quantity"}, {"from"}, {"to"}, {"columns"}, {"csv", false}, kJsonOption, kDataDirOption}},
        exitCode);
    if (!args) return exitCode;
    std::string error;
    std::vector<int> ids;
    if (!args->has("id")) return fail(kName, cliText("IDS_Cli_OptionRequired", {"id"}), kExitUsage);
    if (!parseSensorIdList(*args->value("id"), ids, error)) return fail(kName, "--id: " + error, kExitUsage);
    const auto quantity = parseTrendQuantity(args->value("quantity").value_or(""));
    if (!quantity) return fail(kName, GetText("IDS_Cli_Trend_BadQuantity"), kExitUsage);
    TrendRequest request;
    request.quantity = *quantity;
    for (const char* end : {"from", "to"}) {
        if (!args->has(end)) continue;
        const auto t = parseTime(*args->value(end));
        if (!t) return fail(kName, cliText("IDS_Cli_Trend_BadTime", {end, *args->value(end)}), kExitUsage);
        (std::string(end) == "from" ? request.from : request.to) = t;
    }
    if (request.from && request.to && *request.from > *request.to)
        return fail(kName, GetText("IDS_Cli_Trend_FromAfterTo"), kExitUsage);
    if (args->has("columns")) {
        const auto n = args->number("columns", error);
        if (!n || *n < 1 || *n > kMaxColumns)
            return fail(kName, n ? cliText("IDS_Cli_Trend_BadColumns", {std::to_string(kMaxColumns)}) : error,
                        kExitUsage);
        request.columns = static_cast<int>(*n);
    }
    if (args->has("csv") && args->has("json"))
        return fail(kName, GetText("IDS_Cli_Trend_CsvOrJson"), kExitUsage);
    if (!openDataDir(kName, *args, exitCode)) return exitCode;

    const std::string path = databasePath(appPaths().dataDir.string());
    if (std::error_code ec; !std::filesystem::is_regular_file(path, ec))
        return fail(kName, cliText("IDS_Cli_NoDatabase", {kDatabaseFileName, appPaths().dataDir.string()}),
                    kExitFailure);
    const bool json = args->has("json");
    std::uint64_t rows = 0;
    if (json)
        std::printf("[");
    else
        std::printf("sensor,start,end,count,min,max,first,last\n");
    bool firstSensor = true;
    for (const int id : ids) {
        request.sensor = id;
        const TrendResult r = readTrend(path, request);
        if (!r.ok) {
            if (json) std::printf("]\n");
            return fail(kName, r.error, kExitFailure);
        }
        rows += r.rows;
        if (json) {
            std::printf("%s{\"sensor\":%d,\"quantity\":%s,\"rows\":%llu,\"columns\":[",
                        firstSensor ? "" : ",", id,
                        json::quote(std::string(trendQuantityName(*quantity))).c_str(),
                        static_cast<unsigned long long>(r.rows));
            firstSensor = false;
        }
        bool firstColumn = true;
        for (const TrendColumn& c : r.columns) {
            // The end shown is the last second the column holds.
            const std::string start = formatCivilSeconds(c.start), end = formatCivilSeconds(c.end - 1);
            if (json) {
                std::printf("%s{\"start\":%s,\"end\":%s,\"count\":%llu", firstColumn ? "" : ",",
                            json::quote(start).c_str(), json::quote(end).c_str(),
                            static_cast<unsigned long long>(c.count));
                if (c.count)
                    std::printf(",\"min\":%s,\"max\":%s,\"first\":%s,\"last\":%s", number(c.min).c_str(),
                                number(c.max).c_str(), number(c.first).c_str(), number(c.last).c_str());
                std::printf("}");
            } else if (c.count) {
                std::printf("%d,%s,%s,%llu,%s,%s,%s,%s\n", id, start.c_str(), end.c_str(),
                            static_cast<unsigned long long>(c.count), number(c.min).c_str(),
                            number(c.max).c_str(), number(c.first).c_str(), number(c.last).c_str());
            } else {
                std::printf("%d,%s,%s,0,,,,\n", id, start.c_str(), end.c_str());  // a gap
            }
            firstColumn = false;
        }
        if (json) std::printf("]}");
    }
    if (json) std::printf("]\n");
    std::fflush(stdout);
    if (rows == 0) return fail(kName, GetText("IDS_Cli_Trend_NoRows"), kExitFailure);
    return kExitOk;
}

const CommandRegistrar reg{
    {kName,
     "trend --id LIST --quantity h2-oil|h2-gas|temp|roc|pressure|moisture [--from TIME] [--to TIME] "
     "[--columns N] [--csv | --json] [--data-dir DIR]   a period of stored measurements in columns",
     runTrend}};

}  // namespace
}  // namespace talvex::cli
