// talvex-cli fit: loads a calibration workbook as the fitting page does, fits one sensor's row as the
// fitting dialog of the data kind does, prints the fields as the dialog shows them, and with --write
// writes them into a sensor as the dialog's Write does (question answered by --yes or on the terminal).
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli_prompter.hpp"
#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "port_option.hpp"
#include "talvex/calibration/fitting/fitting_choice.hpp"
#include "talvex/calibration/fitting/fitting_write.hpp"
#include "talvex/calibration/fitting/piecewise_fitting.hpp"
#include "talvex/calibration/fitting/temperature_coefficient_fitting.hpp"
#include "talvex/calibration/fitting/temperature_difference_fitting.hpp"
#include "talvex/calibration/fitting/workbook_load.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::calibration::fitting;

constexpr const char* kName = "fit";
constexpr const char* kUsage =
    "fit --sheet FILE --kind 1|2|3|4 --row R [--breakpoints P0,P1,P2,P3 | --range S,E | --segment low|high "
    "--points A,B,C] [--json] [--write (--port DEVICE|COMn [--baud B] | --dry-run) --id N [--yes]] "
    "[--data-dir DIR]";

int usage(const std::string& error) {
    return fail(kName, error + "\nusage: talvex-cli " + kUsage, kExitUsage);
}

// "3,7,11,16" -> exactly `count` whole numbers.
bool numberList(const Args& args, const std::string& name, std::size_t count, std::vector<int>& out,
                std::string& error) {
    std::vector<std::string> items;
    out.clear();
    if (splitList(*args.value(name), items, error))
        for (const auto& item : items) {
            const auto v = parseWholeNumber(item);
            if (!v || *v < -1000000 || *v > 1000000) break;
            out.push_back(static_cast<int>(*v));
        }
    if (out.size() == count && items.size() == count) return true;
    error = cliText("IDS_Cli_Fit_NumberList", {name, std::to_string(count)});
    return false;
}

struct FitRun {
    Fields fields;
    std::vector<std::pair<std::string, std::string>> extra;  // R² texts of the piecewise fit
    TemperatureSegment segment = TemperatureSegment::High;
    int dataKind = 1;
};

void print(const FitRun& run, int kind, int row, bool json) {
    if (!json) {
        for (const Field& f : run.fields) std::printf("%s %s\n", f.name.c_str(), f.text.c_str());
        for (const auto& [name, text] : run.extra) std::printf("%s %s\n", name.c_str(), text.c_str());
        return;
    }
    std::printf("{\"kind\":%d,\"row\":%d,\"fields\":{", kind, row);
    bool first = true;
    for (const Field& f : run.fields) {
        std::printf("%s%s:%s", first ? "" : ",", json::quote(f.name).c_str(), json::quote(f.text).c_str());
        first = false;
    }
    for (const auto& [name, text] : run.extra)
        std::printf(",%s:%s", json::quote(name).c_str(), json::quote(text).c_str());
    std::printf("}}\n");
}

int runFit(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(kName, words,
                                   {{{"sheet"},
                                     {"kind"},
                                     {"row"},
                                     {"breakpoints"},
                                     {"range"},
                                     {"segment"},
                                     {"points"},
                                     kJsonOption,
                                     {"write", false},
                                     kDryRunOption,
                                     kPortOption,
                                     kBaudOption,
                                     {"id"},
                                     {"yes", false},
                                     kDataDirOption}},
                                   exitCode);
    if (!args) return exitCode;
    std::string error;
    if (!args->has("sheet") || !args->has("kind") || !args->has("row"))
        return usage(GetText("IDS_Cli_Fit_Needed"));
    const long kind = args->number("kind", error).value_or(0);
    const long row = args->number("row", error).value_or(0);
    if (!error.empty()) return usage(error);
    if (kind < 1 || kind > kDataKinds) return usage(GetText("IDS_Cli_BadKind"));
    if (row < 1 || row > 57) return usage(GetText("IDS_Cli_Fit_BadRow"));
    const bool piecewise = kind <= 2, reference = kind == 3, temperature = kind == 4;
    if (args->has("breakpoints") && !piecewise) return usage(GetText("IDS_Cli_Fit_BreakpointsKinds"));
    if (args->has("range") && !temperature) return usage(GetText("IDS_Cli_Fit_RangeKind"));
    if ((args->has("segment") || args->has("points")) && !reference)
        return usage(GetText("IDS_Cli_Fit_SegmentKind"));
    const bool write = args->has("write");
    for (const char* o : {"port", "baud", "id", "yes", "dry-run"})
        if (args->has(o) && !write) return usage(cliText("IDS_Cli_Fit_BelongsToWrite", {o}));
    long id = 0;
    if (write) {
        const auto given = sensorIdOption(*args, "id", error);
        if (!given) return usage(error);
        id = *given;
        if (args->has("dry-run") == args->has("port")) return usage(GetText("IDS_Cli_Fit_WriteNeedsPort"));
    }
    const QuestionPolicy policy = questionPolicy(*args);
    if (write && !args->has("dry-run") && !questionsAnswerable(kName, policy, exitCode)) return exitCode;

    Breakpoints bp;
    TemperaturePoints points;
    TemperatureRange range;
    TemperatureSegment segment = TemperatureSegment::High;
    std::vector<int> list;
    if (args->has("breakpoints")) {
        if (!numberList(*args, "breakpoints", 4, list, error)) return usage(error);
        std::copy(list.begin(), list.end(), bp.cell.begin());
    }
    if (args->has("points")) {
        if (!numberList(*args, "points", 3, list, error)) return usage(error);
        points = {list[0], list[1], list[2]};
    }
    if (args->has("range")) {
        if (!numberList(*args, "range", 2, list, error)) return usage(error);
        range = {list[0], list[1]};
    }
    if (const auto s = args->value("segment")) {
        if (*s != "low" && *s != "high") return usage(GetText("IDS_Cli_Fit_BadSegment"));
        segment = *s == "low" ? TemperatureSegment::Low : TemperatureSegment::High;
    }

    if (!openDataDir(kName, *args, exitCode)) return exitCode;
    CalibrationSheet sheet;
    const WorkbookLoad load = loadCalibrationWorkbook(*args->value("sheet"), sheet);
    if (!load.ok()) {
        return fail(
            kName,
            *args->value("sheet") + ": " + load.error + (load.detail.empty() ? "" : " - " + load.detail),
            kExitFailure);
    }

    FitRun run;
    run.dataKind = static_cast<int>(kind);
    const int sheetRow = static_cast<int>(row);
    if (piecewise) {
        const auto out = fitPiecewise(sheet, sheetRow, bp);
        if (!out.result) return fail(kName, out.refusal, kExitUsage);
        run.fields = out.result->fields;
        for (int k = 0; k < 3; ++k)
            run.extra.emplace_back("R2_" + std::to_string(k + 1),
                                   out.result->cumulativeRSquared[static_cast<std::size_t>(k)]);
        for (int k = 0; k < 3; ++k)
            run.extra.emplace_back("R2_segment_" + std::to_string(k + 1),
                                   out.result->segmentRSquared[static_cast<std::size_t>(k)]);
    } else if (reference) {
        const auto out = fitTemperatureDifference(sheet, sheetRow, points, segment);
        if (!out.result) return fail(kName, out.refusal, kExitUsage);
        run.fields = out.result->fields;
        run.dataKind = out.result->dataKind;
        run.segment = segment;
    } else {
        const auto out = fitTemperatureCoefficients(sheet, sheetRow, range);
        if (!out.result) return fail(kName, out.refusal, kExitUsage);
        run.fields = out.result->fields;
    }
    print(run, static_cast<int>(kind), sheetRow, args->has("json"));
    if (!write) return 0;

    const int slave = static_cast<int>(id);
    const FittingWritePlan plan =
        piecewise   ? planPiecewiseWrite(run.fields, run.dataKind, slave)
        : reference ? planTemperatureDifferenceWrite(run.fields, run.segment, run.dataKind, slave)
                    : planTemperatureCoefficientWrite(run.fields, slave);
    if (!plan.write) return fail(kName, plan.refusal, kExitUsage);
    if (args->has("dry-run")) {
        std::fprintf(stderr, "%s\n", plan.write->question.c_str());
        for (const CommitStep& step : plan.write->steps) {
            for (const auto& w : step.staged)
                std::fprintf(stderr, "would write %d %u 0x%04X\n", slave, w.address, w.value);
            if (step.commitCode)
                std::fprintf(stderr, "would commit %d %u %u\n", slave, sensor::reg::kCommit,
                             *step.commitCode);
        }
        return 0;
    }
    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());
    CliPrompter prompter(kName, policy);
    SteadyPacer pacer;
    switch (runFittingWrite(rtuRegisterIo(), pacer, prompter, slave, *plan.write)) {
        case WriteEnd::Written:
            return kExitOk;
        case WriteEnd::NotConfirmed:
            return kExitUsage;
        case WriteEnd::Refused:
            return kExitRefused;
        case WriteEnd::CommunicationFailure:
        case WriteEnd::Cancelled:
            return kExitFailure;
    }
    return kExitFailure;
}

const CommandRegistrar reg{{kName, kUsage, runFit}};

}  // namespace
}  // namespace talvex::cli
