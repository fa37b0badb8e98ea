// talvex-cli poll --alarms: the thresholds given on the command line, the words an alarm event is
// told in (stderr line, JSON object), and the --on-alarm command run once per event.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "talvex/acquisition/alarm_engine.hpp"

namespace talvex::cli {

// "1:h2:500,2:temp:80" -> thresholds per sensor; false with the refused item in error.
bool parseThresholdList(const std::string& text, std::map<int, acquisition::AlarmThresholds>& out,
                        std::string& error);

// {"event":"raise","sensor":1,"kind":"h2","value":612.5,"threshold":500,"time":"..."}
std::string alarmEventJson(const acquisition::AlarmEvent& e);
// The stderr line, in the active language.
std::string alarmEventLine(const acquisition::AlarmEvent& e);

// Runs CMD through /bin/sh -c for every event, in a session of its own, with the event in
// TALVEX_ALARM_SENSOR, _KIND, _VALUE, _THRESHOLD, _STATE and _TIME. Starting returns at once (the
// poller calls it); reap() collects the ended ones and stops those past the time limit, and reports
// failures through report.
class AlarmCommand {
  public:
    AlarmCommand(std::string command, std::chrono::seconds limit,
                 std::function<void(const std::string&)> report)
        : command_(std::move(command)), limit_(limit), report_(std::move(report)) {}
    ~AlarmCommand() { finish(); }

    void start(const acquisition::AlarmEvent& e);
    void reap();
    // Waits for the running commands (each to its time limit at most).
    void finish();

  private:
    struct Running {
        pid_t pid;
        std::chrono::steady_clock::time_point deadline;
        std::string sensor, kind, state;  // for the report
    };
    std::string command_;
    std::chrono::seconds limit_;
    std::function<void(const std::string&)> report_;
    std::mutex mutex_;  // guards running_
    std::vector<Running> running_;
};

}  // namespace talvex::cli
