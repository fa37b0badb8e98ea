#include "alarm_watch.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <thread>

#include "cli_text.hpp"
#include "talvex/json.hpp"

extern char** environ;

namespace talvex::cli {

using acquisition::AlarmEvent;
using acquisition::AlarmKind;
using acquisition::AlarmState;

namespace {

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

}  // namespace

bool parseThresholdList(const std::string& text, std::map<int, acquisition::AlarmThresholds>& out,
                        std::string& error) {
    std::stringstream items(text);
    for (std::string item; std::getline(items, item, ',');) {
        const auto refuse = [&] {
            error = cliText("IDS_Cli_Poll_BadThreshold", {item});
            return false;
        };
        const auto c1 = item.find(':'), c2 = item.find(':', c1 == std::string::npos ? c1 : c1 + 1);
        if (c1 == std::string::npos || c2 == std::string::npos) return refuse();
        const std::string id = item.substr(0, c1), kind = item.substr(c1 + 1, c2 - c1 - 1),
                          value = item.substr(c2 + 1);
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(id.c_str(), &end, 10);
        if (id.empty() || *end || n < 1 || n > 247) return refuse();
        const auto k = acquisition::parseAlarmKind(kind);
        if (!k || !acquisition::isValueAlarm(*k)) return refuse();
        errno = 0;
        const double v = std::strtod(value.c_str(), &end);
        if (value.empty() || *end || errno == ERANGE || v != v) return refuse();
        acquisition::AlarmThresholds& t = out[int(n)];
        std::optional<double>& slot = *k == AlarmKind::Hydrogen ? t.hydrogen
                                      : *k == AlarmKind::Rate   ? t.rate
                                                                : t.temperature;
        if (slot) return refuse();  // the same threshold twice
        slot = v;
    }
    if (out.empty() || text.empty() || text.back() == ',') {
        error = cliText("IDS_Cli_Poll_BadThreshold", {text});
        return false;
    }
    return true;
}

std::string alarmEventJson(const AlarmEvent& e) {
    std::string out = "{\"event\":" + json::quote(std::string(acquisition::alarmStateName(e.state))) +
                      ",\"sensor\":" + std::to_string(e.sensor) +
                      ",\"kind\":" + json::quote(std::string(acquisition::alarmKindName(e.kind))) +
                      ",\"value\":" + number(e.value);
    if (acquisition::isValueAlarm(e.kind) && e.state != AlarmState::Ack)
        out += ",\"threshold\":" + number(e.threshold);
    out += ",\"time\":" + json::quote(e.time);
    if (!e.by.empty()) out += ",\"by\":" + json::quote(e.by);
    return out + "}";
}

std::string alarmEventLine(const AlarmEvent& e) {
    const std::string id = std::to_string(e.sensor), kind(acquisition::alarmKindName(e.kind));
    if (e.state == AlarmState::Raise)
        return cliText(
            "IDS_Cli_Poll_AlarmRaise",
            {id, kind, number(e.value), acquisition::isValueAlarm(e.kind) ? number(e.threshold) : "-"});
    return cliText("IDS_Cli_Poll_AlarmClear", {id, kind, number(e.value)});
}

void AlarmCommand::start(const AlarmEvent& e) {
    std::vector<std::string> env;
    for (char** v = environ; *v; ++v)
        if (std::strncmp(*v, "TALVEX_ALARM_", 13) != 0) env.emplace_back(*v);
    env.push_back("TALVEX_ALARM_SENSOR=" + std::to_string(e.sensor));
    env.push_back("TALVEX_ALARM_KIND=" + std::string(acquisition::alarmKindName(e.kind)));
    env.push_back("TALVEX_ALARM_VALUE=" + number(e.value));
    env.push_back("TALVEX_ALARM_THRESHOLD=" + number(e.threshold));
    env.push_back("TALVEX_ALARM_STATE=" + std::string(acquisition::alarmStateName(e.state)));
    env.push_back("TALVEX_ALARM_TIME=" + e.time);
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string sh = "/bin/sh", dashC = "-c", cmd = command_;
    char* argv[] = {sh.data(), dashC.data(), cmd.data(), nullptr};

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group, so that a command past its time is stopped with all it started; its
    // input is not ours (the terminal of a person watching the poll).
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, sh.c_str(), &files, &attr, argv, envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        report_(cliText("IDS_Cli_Poll_AlarmCommandNotStarted", {std::strerror(rc)}));
        return;
    }
    std::lock_guard lock(mutex_);
    running_.push_back({pid, std::chrono::steady_clock::now() + limit_, std::to_string(e.sensor),
                        std::string(acquisition::alarmKindName(e.kind)),
                        std::string(acquisition::alarmStateName(e.state))});
}

void AlarmCommand::reap() {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    for (auto it = running_.begin(); it != running_.end();) {
        const std::string &id = it->sensor, &kind = it->kind, &state = it->state;
        int status = 0;
        const pid_t done = ::waitpid(it->pid, &status, WNOHANG);
        if (done == it->pid) {
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                report_(cliText("IDS_Cli_Poll_AlarmCommandFailed",
                                {id, kind, state,
                                 WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                                   : "signal " + std::to_string(WTERMSIG(status))}));
            it = running_.erase(it);
            continue;
        }
        if (now >= it->deadline) {
            ::kill(-it->pid, SIGKILL);
            ::waitpid(it->pid, &status, 0);
            report_(cliText("IDS_Cli_Poll_AlarmCommandTimedOut",
                            {id, kind, state, std::to_string(limit_.count())}));
            it = running_.erase(it);
            continue;
        }
        ++it;
    }
}

void AlarmCommand::finish() {
    for (;;) {
        reap();
        {
            std::lock_guard lock(mutex_);
            if (running_.empty()) return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace talvex::cli
