// talvex-cli poll: runs the polling cycle headless over a port, storing records in SensorDB.db of the
// data directory. The channel store's enabled channels are polled, or the --ids given (every
// --interval seconds). Records go to stdout, log lines and messages to stderr.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

#include "alarm_watch.hpp"
#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "link_stats_report.hpp"
#include "port_option.hpp"
#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/alarm_db.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/channel_store.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/rtu_register_io.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::acquisition;

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) {
    gStop = 1;
}

std::string recordJson(const TextRecord& r) {
    std::string out = "{";
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (i) out += ", ";
        out += json::quote(kFieldNames[i]) + ": " + json::quote(r[i]);
    }
    return out + "}\n";
}

constexpr const char* kName = "poll";

const OptionTable kPollTable{{kPortOption,
                              kBaudOption,
                              {"ids"},
                              {"interval"},
                              {"model"},
                              {"once", false},
                              {"duration"},
                              {"no-db", false},
                              kDataDirOption,
                              kJsonOption,
                              {"stats", false},
                              {"alarms", false},
                              {"threshold"},
                              {"on-alarm"}}};

// How long an --on-alarm command may run before it is stopped (a mail that hangs on its server).
constexpr std::chrono::seconds kAlarmCommandLimit{30};

// The sensor's own thresholds (registers 152..156) for every polled sensor the command line gave
// none for; a sensor that does not answer is said and watched for its bits and answers only.
void readSensorThresholds(acquisition::AlarmEngine& alarms, const std::map<int, AlarmThresholds>& given) {
    Session& s = session();
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelEntry ch = s.enumUintEN.get(n);
        if (ch.enabled != 1 || alarms.hasThresholds(ch.sensorId)) continue;
        if (const auto it = given.find(ch.sensorId); it != given.end()) {
            alarms.setThresholds(ch.sensorId, it->second);
            continue;
        }
        std::uint16_t regs[5] = {};
        const int rc = rtuRegisterIo().readHolding(ch.sensorId, sensor::reg::kAlarmHydrogen, 5, regs);
        if (rc != RTU_OK) {
            note(kName, cliText("IDS_Cli_Poll_ThresholdsUnread",
                                {std::to_string(ch.sensorId),
                                 pollFailureReason(rc, [](std::string_view k) { return GetText(k); })}));
            continue;
        }
        const AlarmThresholds t = thresholdsFromRegisters(regs);
        alarms.setThresholds(ch.sensorId, t);
        const auto shown = [](const std::optional<double>& v) {
            char text[32] = "-";  // not watched
            if (v) std::snprintf(text, sizeof text, "%g", *v);
            return std::string(text);
        };
        note(kName, cliText("IDS_Cli_Poll_Thresholds", {std::to_string(ch.sensorId), shown(t.hydrogen),
                                                        shown(t.rate), shown(t.temperature)}));
    }
}

int runPoll(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand(kName, words, kPollTable, exitCode);
    if (!args) return exitCode;
    std::string error;
    if (args->has("once") && args->has("duration"))
        return fail(kName, GetText("IDS_Cli_Poll_OnceOrDuration"), kExitUsage);
    long duration = -1;
    if (args->has("duration")) {
        // Bounded so that now + duration fits the clock: a wrapped end would lie in the past and end the
        // run at once with success.
        constexpr long kMaxDurationS = 3'155'760'000;  // 100 years
        const auto d = args->number("duration", error);
        if (!d || *d < 0 || *d > kMaxDurationS)
            return fail(kName, d ? GetText("IDS_Cli_BadDuration") : error, kExitUsage);
        duration = *d;
    }
    SensorModel model = SensorModel::None;
    if (const auto name = args->value("model")) {
        const auto m = parseModelName(*name);
        if (!m) return fail(kName, cliText("IDS_Cli_Poll_UnknownModel", {*name}), kExitUsage);
        model = *m;
    }
    std::vector<int> ids;
    if (const auto list = args->value("ids")) {
        if (!parseSensorIdList(*list, ids, error)) return fail(kName, "--ids: " + error, kExitUsage);
        if (ids.size() > static_cast<std::size_t>(kChannelCount))
            return fail(kName, GetText("IDS_Cli_Poll_TooManyIds"), kExitUsage);
    }
    // Seconds between two polls of one sensor given with --ids (the channel's rate). Below 1 s the
    // line would be polled as fast as it answers, which no one asking for an interval means.
    long interval = 1;
    if (args->has("interval")) {
        if (ids.empty()) return fail(kName, GetText("IDS_Cli_Poll_IntervalNeedsIds"), kExitUsage);
        const auto i = args->number("interval", error);
        if (!i || *i < 1 || *i > 255)
            return fail(kName, i ? GetText("IDS_Cli_Poll_BadInterval") : error, kExitUsage);
        interval = *i;
    }
    const bool watchAlarms = args->has("alarms");
    if (!watchAlarms && (args->has("threshold") || args->has("on-alarm")))
        return fail(kName, GetText("IDS_Cli_Poll_AlarmOptionsNeedAlarms"), kExitUsage);
    std::map<int, AlarmThresholds> thresholds;
    if (const auto list = args->value("threshold"); list && !parseThresholdList(*list, thresholds, error))
        return fail(kName, error, kExitUsage);
    // Every argument is checked before anything is written (the data directory, setting.ini, Config.ini).
    if (const std::string problem = PortSession::usageProblem(*args); !problem.empty())
        return fail(kName, problem, kExitUsage);
    if (!openDataDir(kName, *args, exitCode)) return exitCode;
    const AppPaths paths = appPaths();

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
            s.enumUintEN.set(static_cast<int>(i) + 1,
                             {static_cast<std::uint8_t>(ids[i]), static_cast<std::uint8_t>(interval), 1});
    }
    int enabled = 0;
    for (int n = 1; n <= kChannelCount; ++n) enabled += s.enumUintEN.get(n).enabled == 1;
    if (enabled == 0)
        return fail(kName, cliText("IDS_Cli_Poll_NoChannel", {paths.configFile().string()}), kExitFailure);

    PortSession port(*args);
    if (!port.ok()) return fail(kName, port.error(), port.exitCode());

    const LinkStatsReport linkStats(args->has("stats"), args->has("json"));  // printed when poll ends
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
    std::atomic<long> records{0};
    engine.setRecordHook([&](const TextRecord& r) {
        ++records;
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
        // Log lines are diagnostics: stdout holds records only, one per line.
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    });

    engine.notices().setHook([&] {
        std::string text = engine.notices().take();
        for (std::size_t pos; (pos = text.find('\r')) != std::string::npos;) text.erase(pos, 1);
        std::lock_guard lock(outMutex);
        std::fprintf(stderr, "talvex-cli poll: %s", text.c_str());
    });

    // Alarms: decided on the poller thread from every poll, stored beside the records, said on
    // stderr (and stdout with --json), handed to the --on-alarm command.
    AlarmEngine alarms;
    std::optional<AlarmEventDb> alarmDb;
    if (watchAlarms && !args->has("no-db")) alarmDb.emplace(options.databasePath);
    std::optional<AlarmCommand> onAlarm;
    if (const auto cmd = args->value("on-alarm"))
        onAlarm.emplace(*cmd, kAlarmCommandLimit, [&](const std::string& text) {
            std::lock_guard lock(outMutex);
            note(kName, text);
        });
    const auto started = std::chrono::steady_clock::now();
    if (watchAlarms) {
        readSensorThresholds(alarms, thresholds);
        engine.setPollHook([&](std::uint8_t id, const Measurement* m, const std::string& time) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            for (const AlarmEvent& e :
                 m ? alarms.onMeasurement(*m, seconds) : alarms.onPollFailed(id, time)) {
                const bool stored = !alarmDb || alarmDb->append(e);
                {
                    std::lock_guard lock(outMutex);
                    if (!stored) note(kName, cliText("IDS_Cli_Poll_AlarmNotStored", {alarmDb->lastError()}));
                    note(kName, alarmEventLine(e));
                    if (json) {
                        std::fputs((alarmEventJson(e) + "\n").c_str(), stdout);
                        std::fflush(stdout);
                    }
                }
                if (onAlarm) onAlarm->start(e);
            }
        });
    }
    // A record the database refused is lost: the run must not end as a success.
    auto storedAll = [&] {
        if (engine.droppedRecords() == 0) return true;
        fail(kName, cliText("IDS_Cli_Poll_NotStored", {std::to_string(engine.droppedRecords())}),
             kExitFailure);
        return false;
    };

    arbiter.connected();
    if (args->has("once")) {
        const int ok = engine.runCycle();
        if (onAlarm) onAlarm->finish();
        const bool stored = storedAll();
        if (ok < enabled)
            return fail(
                kName,
                cliText("IDS_Cli_Poll_Silent", {std::to_string(enabled - ok), std::to_string(enabled)}),
                kExitFailure);
        return stored ? kExitOk : kExitFailure;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    engine.start();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(duration < 0 ? 0 : duration);
    const auto running = [&] { return !gStop && (duration < 0 || std::chrono::steady_clock::now() < end); };
    // A lost port (adapter unplugged, peer gone) closes itself on the I/O error. The poller is kept off
    // it, and it is reopened with growing pauses until the device is back; then polling resumes.
    constexpr int kBackoffS[] = {1, 2, 5, 10};
    while (running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (onAlarm) onAlarm->reap();
        if (RTUIsOpen() == 1) continue;
        arbiter.disconnecting();
        {
            std::lock_guard lock(outMutex);
            note(kName, GetText("IDS_Cli_Poll_PortClosed"));
        }
        for (int attempt = 0; running(); ++attempt) {
            const auto retryAt =
                std::chrono::steady_clock::now() +
                std::chrono::seconds(kBackoffS[std::min<std::size_t>(attempt, std::size(kBackoffS) - 1)]);
            while (running() && std::chrono::steady_clock::now() < retryAt)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!running()) break;
            if (port.reopen()) {
                std::lock_guard lock(outMutex);
                note(kName, GetText("IDS_Cli_Poll_PortReopened"));
                arbiter.connected();
                break;
            }
        }
    }
    arbiter.disconnecting();
    engine.stop();
    if (onAlarm) onAlarm->finish();
    const bool stored = storedAll();
    // Like --once: a run in which no sensor ever answered is a failure.
    if (duration >= 0 && records.load() == 0)
        return fail(kName, GetText("IDS_Cli_Poll_NoAnswer"), kExitFailure);
    return stored ? kExitOk : kExitFailure;
}

const CommandRegistrar reg{
    {"poll",
     "poll --port DEVICE|COMn [--baud B] [--ids LIST [--interval S]] [--model NAME] [--once | --duration S] "
     "[--no-db] [--data-dir DIR] [--json] [--stats] [--alarms [--threshold ID:KIND:VALUE,...] [--on-alarm "
     "CMD]]",
     runPoll}};

}  // namespace
}  // namespace talvex::cli
