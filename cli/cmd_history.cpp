// talvex-cli history: a sensor's history memory. The stored count, the storage interval, or a read
// of N records exported to CSV exactly as the Records page exports it.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "port_option.hpp"
#include "talvex/acquisition/history_export.hpp"
#include "talvex/acquisition/history_read.hpp"
#include "talvex/acquisition/history_requests.hpp"
#include "talvex/history_registers.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::acquisition;

constexpr const char* kName = "history";

int usage(const std::string& error) {
    fail(kName, error, kExitUsage);
    std::fprintf(stderr, "usage: talvex-cli %s\n", usageOf(kName).c_str());
    return kExitUsage;
}

// A message on stderr, "talvex-cli history: text".
void say(const std::string& text) {
    note(kName, text);
}

// 1 for a line failure, 3 when the sensor answered with an exception (it refused).
int failure(const std::string& message, int result) {
    return fail(kName, message + " (" + linkFailureText(result) + ")", linkFailureExit(result));
}

void printWrite(std::uint16_t reg, std::uint32_t value) {
    std::printf("%u 0x%04X\n", reg, static_cast<unsigned>(value & 0xFFFF));
}

struct Plan {
    int id = 0;
    enum class Mode { Stored, Interval, Read } mode = Mode::Stored;
    std::uint16_t interval = 0;
    std::uint32_t count = 0;
    HistoryFormat format = HistoryFormat::V1;
    std::string out;
    bool json = false, dryRun = false, force = false;
};

// Everything is checked here, before the port opens.
std::optional<Plan> plan(const Args& args, std::string& error) {
    Plan p;
    const int modes = args.has("stored") + args.has("interval") + args.has("count");
    if (modes != 1) {
        error = GetText("IDS_Cli_History_OneMode");
        return std::nullopt;
    }
    const auto id = sensorIdOption(args, "id", error);
    if (!id) return std::nullopt;
    p.id = *id;
    p.json = args.has("json");
    p.dryRun = args.has("dry-run");
    if (args.has("stored")) {
        p.mode = Plan::Mode::Stored;
        if (p.dryRun) error = GetText("IDS_Cli_History_DryRunModes");
    } else if (const auto minutes = args.value("interval")) {
        p.mode = Plan::Mode::Interval;
        const auto v = parseStorageInterval(*minutes);
        if (!v) error = cliText("IDS_Cli_History_BadInterval", {*minutes});
        p.interval = v.value_or(0);
        if (p.json) error = GetText("IDS_Cli_History_JsonModes");
    } else {
        p.mode = Plan::Mode::Read;
        const std::string text = args.value("count").value_or("");
        const auto n = parseRecordCount(text);
        if (!n) error = cliText("IDS_Cli_History_BadCount", {text});
        p.count = n.value_or(0);
        const std::string format = args.value("format").value_or("v1");
        if (format != "v1" && format != "v2") error = cliText("IDS_Cli_History_BadFormat", {format});
        p.format = format == "v2" ? HistoryFormat::V2 : HistoryFormat::V1;
        p.out = args.value("out").value_or("");
        if (p.out.empty()) error = GetText("IDS_Cli_History_CountNeedsOut");
        p.force = args.has("force");
    }
    if (p.mode != Plan::Mode::Read && (args.has("format") || args.has("out") || args.has("force")))
        error = GetText("IDS_Cli_History_FormatOutWithCount");
    if (!error.empty()) return std::nullopt;
    return p;
}

int dryRun(const Plan& p) {
    using namespace talvex::sensor::history;
    if (p.mode == Plan::Mode::Interval) {
        printWrite(kStorageInterval, p.interval);
    } else {
        printWrite(kRequestedCountHigh, p.count >> 16);
        printWrite(kRequestedCountLow, p.count);
        printWrite(kStart, kStartCommand);
    }
    return 0;
}

int readAndExport(const Plan& p, const Args& args, RegisterIo& io, Pacer& pacer) {
    const ExchangeResult told = requestRecordCount(io, pacer, p.id, p.count);
    if (!told.done()) return failure(GetText("IDS_Tab_Query_CommError"), told.rtu);

    HistoryReadRequest request;
    request.slave = p.id;
    request.format = p.format;
    request.count = p.count;
    std::string ignored;
    request.readBytes =
        historyReadBytes(static_cast<std::uint32_t>(args.number("baud", ignored).value_or(19200)));
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    const HistoryReadResult r = readHistory(io, pacer, request, [&](std::size_t records, std::uint32_t n) {
        if (!terminal) return;
        const std::string got = std::to_string(records);
        const std::string line =
            n > 0 ? cliText("IDS_Cli_History_Progress",
                            {got, std::to_string(n), std::to_string(historyPercent(records, n))})
                  : cliText("IDS_Cli_History_ProgressOpen", {got});
        std::fprintf(stderr, "\r%s", line.c_str());
    });
    if (terminal) std::fprintf(stderr, "\n");
    if (r.end == HistoryReadEnd::StartFailed)
        return failure(GetText("IDS_Tab_Query_CommError"), r.startResult);

    const std::size_t got = r.table.records.size();
    const std::string result = historyReadMessage(got, p.count, r, GetText);
    if (got == 0) {
        say(result);
        return fail(kName, GetText("IDS_Tab_Query_NoExport"), kExitFailure);
    }
    switch (writeHistoryCsv(p.out, r.table, historyFileHeadings(), OutputRule{p.force})) {
        case HistoryExportOutcome::Done:
            break;
        case HistoryExportOutcome::Refused:  // the file became one the rule keeps off while reading
            return fail(kName, outputRefusalText(p.out, OutputRule{p.force}), kExitFailure);
        case HistoryExportOutcome::CreateFailed:
            return fail(kName, GetText("IDS_Tab_Query_CreateFail") + " " + p.out, kExitFailure);
        default:
            return fail(kName, GetText("IDS_Tab_Query_ExportFail") + " " + p.out, kExitFailure);
    }
    say(got < p.count ? cliText("IDS_Cli_Warning", {result}) : result);
    say(fillText(GetText("IDS_Tab_Query_ExportOk"), {p.out}));
    if (p.json)
        std::printf("{\"id\":%d,\"requested\":%u,\"received\":%zu,\"file\":%s}\n", p.id, p.count, got,
                    json::quote(p.out).c_str());
    if (r.end == HistoryReadEnd::PortClosed)
        return fail(kName, GetText("IDS_Tab_Query_CommError"), kExitFailure);
    return 0;
}

int runHistory(const std::vector<std::string>& words) {
    int exitCode = 0;
    const OptionTable table{{kPortOption,
                             kBaudOption,
                             {"id"},
                             {"stored", false},
                             {"interval"},
                             {"count"},
                             {"format"},
                             {"out"},
                             {"force", false},
                             kJsonOption,
                             kDryRunOption,
                             kDataDirOption}};
    const auto args = startCommand(kName, words, table, exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto p = plan(*args, error);
    if (!p) return usage(error);
    if (p->dryRun) return dryRun(*p);

    if (!openDataDir(kName, *args, exitCode)) return exitCode;
    // The file is checked before anything is sent: a read of 100 000 records takes 25 minutes.
    if (p->mode == Plan::Mode::Read)
        if (const std::string refused = outputRefusalText(p->out, OutputRule{p->force}); !refused.empty())
            return fail(kName, refused, kExitUsage);
    PortSession port(*args);
    if (!port.ok())
        return port.exitCode() == kExitUsage ? usage(port.error()) : fail(kName, port.error(), kExitFailure);
    RegisterIo& io = rtuRegisterIo();
    SteadyPacer pacer;

    switch (p->mode) {
        case Plan::Mode::Stored: {
            const StoredCount c = readStoredCount(io, pacer, p->id);
            if (c.outcome != Outcome::Done) return failure(GetText("IDS_Tab_Query_CommError"), c.result);
            if (p->json)
                std::printf("{\"id\":%d,\"stored\":%u}\n", p->id, c.count);
            else
                std::printf("%u\n", c.count);
            return 0;
        }
        case Plan::Mode::Interval: {
            const ExchangeResult rc = writeStorageInterval(io, pacer, p->id, p->interval);
            if (!rc.done()) return failure(GetText("IDS_Tab_Query_SetFail"), rc.rtu);
            say(GetText("IDS_Tab_Query_SetOk"));
            return 0;
        }
        case Plan::Mode::Read:
            return readAndExport(*p, *args, io, pacer);
    }
    return 1;
}

const CommandRegistrar reg{
    {"history",
     std::string("history ") + kPortUsage +
         " --id N (--stored [--json] | --interval MIN [--dry-run] | --count N [--format v1|v2] --out FILE.csv"
         " [--force] [--json] [--dry-run]) [--data-dir DIR]   sensor history memory",
     runHistory}};

}  // namespace
}  // namespace talvex::cli
