// talvex-cli listen: a passive bus listener on a second adapter. Opens the device read-only (refused when
// another program holds it, unless --shared), cuts the line into frames at the 3.5-character silence,
// pairs responses with requests by slave and function and prints one line (or JSON object) per frame.
// Ends on Ctrl+C, SIGTERM or after --duration seconds.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "port_option.hpp"
#include "talvex/baud_rates.hpp"
#include "talvex/com_device.hpp"
#include "talvex/diagnostics/diagnostics_format.hpp"
#include "talvex/diagnostics/frame_pairer.hpp"
#include "talvex/diagnostics/frame_splitter.hpp"
#include "talvex/diagnostics/line_reader.hpp"
#include "talvex/frame_tap.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::diagnostics;

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) {
    gStop = 1;
}

constexpr const char* kName = "listen";

int fail(const std::string& text, int code) {
    return cli::fail(kName, text, code);
}

std::int64_t unixMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

constexpr long kMaxDurationS = 3'155'760'000;  // 100 years: now + duration still fits the clock

int runListen(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(
        kName, words, OptionTable{{kPortOption, kBaudOption, {"duration"}, kJsonOption, {"shared", false}}},
        exitCode);
    if (!args) return exitCode;
    std::string error;
    const auto port = args->value("port");
    if (!port || port->empty()) return fail(GetText("IDS_Cli_PortRequired"), kExitUsage);
    const long baud = args->number("baud", error).value_or(kDefaultBaudRate);
    if (!error.empty()) return fail(error, kExitUsage);
    if (!isListedBaudRate(baud)) return fail(GetText("IDS_Cli_Listen_BadBaud"), kExitUsage);
    long duration = -1;
    if (args->has("duration")) {
        const auto d = args->number("duration", error);
        if (!d || *d < 0 || *d > kMaxDurationS)
            return fail(d ? GetText("IDS_Cli_BadDuration") : error, kExitUsage);
        duration = *d;
    }
    std::string device = *port;
    if (const auto com = comNumber(*port)) {
        if (*com < 1 || *com > 99)
            return fail(portOpenFailureText(PortOpenFailure::BadPortNumber, *port), kExitFailure);
        device = comDevicePath(*com);
    }

    LineReader line;
    if (!line.open(device, static_cast<int>(baud), args->has("shared"))) {
        std::string text = portOpenFailureText(line.failure(), device, line.holder());
        // A master of this machine on the device: listening there would take its replies.
        if (line.failure() == PortOpenFailure::Busy)
            text += "; " + GetText("IDS_Cli_Listen_NeedsSecondAdapter");
        return fail(text, kExitFailure);
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    note(kName, cliText("IDS_Cli_Listen_Listening", {device, std::to_string(baud)}));

    const bool json = args->has("json");
    const std::int64_t monoStart = monotonicMicros();
    const std::int64_t unixStart = unixMicros();
    const std::int64_t end = duration < 0 ? INT64_MAX : monoStart + duration * 1'000'000;
    FrameSplitter splitter(FrameSplitter::silenceFor(static_cast<int>(baud)));
    FramePairer pairer;
    std::vector<SplitFrame> frames;
    auto print = [&] {
        for (const auto& f : frames) {
            const PairedFrame p = pairer.add(f.timeUs, f.bytes.data(), f.bytes.size());
            const std::int64_t unixUs = unixStart + (f.timeUs - monoStart);
            const std::string text = json ? frameJson(p, unixUs, f.bytes) : frameLine(p, unixUs, f.bytes);
            std::printf("%s\n", text.c_str());
        }
        if (!frames.empty()) std::fflush(stdout);
        frames.clear();
    };

    std::uint8_t buf[512];
    int result = 0;
    while (!gStop) {
        const std::int64_t now = monotonicMicros();
        if (now >= end) break;
        std::int64_t wait = std::min<std::int64_t>(200'000, end - now);
        if (const auto d = splitter.deadline()) wait = std::max<std::int64_t>(0, std::min(wait, *d - now));
        const int n = line.read(buf, sizeof buf, wait);
        const std::int64_t at = monotonicMicros();
        if (n < 0) {
            result = fail(cliText("IDS_Cli_Listen_DeviceGone", {device}), kExitFailure);
            break;
        }
        if (n > 0) splitter.feed(buf, static_cast<std::size_t>(n), at, frames);
        splitter.idle(at, frames);
        print();
    }
    splitter.idle(monotonicMicros(), frames, true);
    print();
    return result;
}

const CommandRegistrar reg{
    {"listen", "listen --port DEVICE|COMn [--baud B] [--json] [--duration S] [--shared]", runListen}};

}  // namespace
}  // namespace talvex::cli
