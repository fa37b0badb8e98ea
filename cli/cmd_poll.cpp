// talvex-cli poll: runs the polling cycle headless over a port, storing records in SensorDB.db of the
// data directory. The channel store's enabled channels are polled, or the --ids given (rate 0).
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "command.hpp"
#include "port_option.hpp"
#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/channel_store.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::acquisition;

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) {
    gStop = 1;
}

// "1-3,7" -> 1 2 3 7 (each 1..247, at most 48 in all).
bool parseIds(const std::string& text, std::vector<std::uint8_t>& out, std::string& error) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        const std::string part = text.substr(pos, comma - pos);
        const std::size_t dash = part.find('-');
        auto num = [&](const std::string& s, int& v) {
            if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos)
                return false;
            v = std::stoi(s);
            return v >= 1 && v <= 247;
        };
        int a = 0, b = 0;
        const bool ok = dash == std::string::npos
                            ? num(part, a) && num(part, b)
                            : num(part.substr(0, dash), a) && num(part.substr(dash + 1), b);
        if (!ok || a > b) {
            error = "--ids: \"" + part + "\" is not a sensor ID (1..247) or a range of them";
            return false;
        }
        for (int id = a; id <= b; ++id) out.push_back(static_cast<std::uint8_t>(id));
        pos = comma + 1;
    }
    if (out.size() > static_cast<std::size_t>(kChannelCount)) {
        error = "--ids: at most 48 sensors";
        return false;
    }
    return true;
}

std::string recordJson(const TextRecord& r) {
    std::string out = "{";
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (i) out += ", ";
        out += json::quote(kFieldNames[i]) + ": " + json::quote(r[i]);
    }
    return out + "}\n";
}

int runPoll(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parseLenient(words, {"once", "no-db", "json"}, error);
    if (!args) {
        std::fprintf(stderr, "poll: %s\n", error.c_str());
        return 2;
    }
    if (!args->positional().empty()) {
        std::fprintf(stderr, "poll: unexpected argument \"%s\"\n", args->positional().front().c_str());
        return 2;
    }
    if (args->has("once") && args->has("duration")) {
        std::fprintf(stderr, "poll: --once and --duration exclude each other\n");
        return 2;
    }
    long duration = -1;
    if (args->has("duration")) {
        // Bounded so that now + duration fits the clock: a wrapped end would lie in the past and end the
        // run at once with success.
        constexpr long kMaxDurationS = 3'155'760'000;  // 100 years
        const auto d = args->number("duration", error);
        if (!d || *d < 0 || *d > kMaxDurationS) {
            std::fprintf(stderr, "poll: %s\n",
                         d ? "--duration must lie in 0..3155760000 seconds" : error.c_str());
            return 2;
        }
        duration = *d;
    }
    SensorModel model = SensorModel::None;
    if (const auto name = args->value("model")) {
        const auto m = parseModelName(*name);
        if (!m) {
            std::fprintf(stderr,
                         "poll: unknown model \"%s\" (ModelKA..ModelKE, ModelKG, ModelKGC, ModelKF)\n",
                         name->c_str());
            return 2;
        }
        model = *m;
    }
    std::vector<std::uint8_t> ids;
    if (const auto list = args->value("ids"); list && !parseIds(*list, ids, error)) {
        std::fprintf(stderr, "poll: %s\n", error.c_str());
        return 2;
    }
    if (!initAppPaths(args->value("data-dir"), error)) {
        std::fprintf(stderr, "poll: %s\n", error.c_str());
        return 1;
    }
    const AppPaths paths = appPaths();
    startLanguage(paths);

    Session& s = session();
    if (ids.empty()) {
        ChannelStore channels;
        channels.setSink({[](MessageKind, std::string_view text) {
                              std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
                          },
                          [](std::string_view) {}});
        channels.LoadChannelStore(paths.configFile());
    } else {
        for (int n = 1; n <= kChannelCount; ++n) s.enumUintEN.set(n, {});
        for (std::size_t i = 0; i < ids.size(); ++i)
            s.enumUintEN.set(static_cast<int>(i) + 1, {ids[i], 0, 1});
    }
    int enabled = 0;
    for (int n = 1; n <= kChannelCount; ++n) enabled += s.enumUintEN.get(n).enabled == 1;
    if (enabled == 0) {
        std::fprintf(stderr, "poll: no channel is enabled (use --ids or enable channels in %s)\n",
                     paths.configFile().c_str());
        return 1;
    }

    PortSession port(*args);
    if (!port.ok()) {
        std::fprintf(stderr, "poll: %s\n", port.error().c_str());
        return port.exitCode();
    }

    LinkArbiter arbiter;
    RecordStore store;
    EngineOptions options;
    options.databasePath = databasePath(paths.dataDir.string());
    options.model = model;
    options.text = [](std::string_view key) { return GetText(key); };
    options.read = rtuRegisterReader();
    AcquisitionEngine engine(arbiter, store, s, options);
    engine.setSaveToDatabase(!args->has("no-db"));
    const bool json = args->has("json");

    std::mutex outMutex;  // records and log lines come from the poller thread
    engine.setRecordHook([&](const TextRecord& r) {
        std::lock_guard lock(outMutex);
        if (json) {
            std::fputs(recordJson(r).c_str(), stdout);
        } else {
            std::string line;
            for (std::size_t i = 0; i < kFieldCount; ++i)
                line += (i ? "  " : "") + std::string(kFieldNames[i]) + "=" + r[i];
            std::printf("%s\n", line.c_str());
        }
        std::fflush(stdout);
    });
    engine.log().setHook([&] {
        std::string text = engine.log().take();
        std::lock_guard lock(outMutex);
        for (std::size_t pos; (pos = text.find('\r')) != std::string::npos;) text.erase(pos, 1);
        // Log lines are diagnostics in --json mode, so stdout stays one record per line.
        std::fputs(text.c_str(), json ? stderr : stdout);
        std::fflush(json ? stderr : stdout);
    });

    arbiter.connected();
    if (args->has("once")) {
        const int ok = engine.runCycle();
        if (ok < enabled) {
            std::fprintf(stderr, "poll: %d of %d sensors did not answer\n", enabled - ok, enabled);
            return 1;
        }
        return 0;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    engine.start();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(duration < 0 ? 0 : duration);
    while (!gStop && (duration < 0 || std::chrono::steady_clock::now() < end))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    arbiter.disconnecting();
    engine.stop();
    return 0;
}

const CommandRegistrar reg{
    {"poll",
     "poll --port DEVICE|COMn [--baud B] [--ids LIST] [--model NAME] [--once | --duration S] [--no-db] "
     "[--data-dir DIR] [--json]",
     runPoll}};

}  // namespace
}  // namespace talvex::cli
