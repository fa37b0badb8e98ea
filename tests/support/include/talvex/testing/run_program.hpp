// Runs a program to its end with its stdout and stderr captured, as a script would run it, or with
// a terminal for its input, as a user at the keyboard would run it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace talvex::testing {

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not end by exit (signal, or it could not start)
    std::string out, err;
};

// "a b  c" -> {"a", "b", "c"}: arguments written as one line, none of them holding a blank.
inline std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Where the shell would find a program by its name on PATH; empty when it is not installed.
inline std::string onPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

// What a program has printed so far, for a test that must act once it said something (it opened its
// port, a record came): waiting on its words instead of guessing how long it takes.
class OutputWatch {
  public:
    // Called by the run with its whole output so far.
    void update(const ProgramRun& sofar) {
        {
            std::lock_guard lock(mutex_);
            err_ = sofar.err;
        }
        changed_.notify_all();
    }
    void ended() {
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
        }
        changed_.notify_all();
    }
    // True once standard error holds text (count times); false when the program ended or time ran out first.
    bool waitForErr(const std::string& text, std::chrono::milliseconds timeout, int count = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            int seen = 0;
            for (std::size_t at = err_.find(text); at != std::string::npos; at = err_.find(text, at + 1))
                ++seen;
            return seen >= count || ended_;
        }) && !ended_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string err_;
    bool ended_ = false;
};

// The program's input is the file descriptor input (taken over by the child); watch, when given,
// sees the output after every piece of it.
inline ProgramRun runProgramWithInput(const std::string& program, std::vector<std::string> args, int input,
                                      OutputWatch* watch = nullptr) {
    // Built before fork: the child of a threaded process may only make async-signal-safe calls.
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (::pipe(out) != 0) return {};
    if (::pipe(err) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (input >= 0) ::dup2(input, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        ::close(out[1]);
        ::close(err[1]);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    ProgramRun r;
    // Both pipes are drained together so that a program filling one cannot block on it.
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    for (int open = 2; open > 0;) {
        if (::poll(fds, 2, -1) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(n));
                if (watch) watch->update(r);
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    if (pid > 0) ::waitpid(pid, &status, 0);
    r.exitCode = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (watch) watch->ended();
    return r;
}

// The program reads nothing: its input is /dev/null, as in a script run without a terminal.
inline ProgramRun runProgram(const std::string& program, std::vector<std::string> args,
                             OutputWatch* watch = nullptr) {
    const int none = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ProgramRun r = runProgramWithInput(program, std::move(args), none, watch);
    if (none >= 0) ::close(none);
    return r;
}

// The program's input is a terminal (a pseudo-terminal without echo) on which typed has already
// been typed; "\x04" (Ctrl-D) at the start of a line ends the input there.
inline ProgramRun runProgramOnTerminal(const std::string& program, std::vector<std::string> args,
                                       const std::string& typed) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        if (master >= 0) ::close(master);
        return {};
    }
    const int terminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (terminal >= 0 && ::tcgetattr(terminal, &t) == 0) {
        t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(terminal, TCSANOW, &t);
    }
    // The typing waits in the terminal's line buffer until the program reads it.
    ProgramRun r;
    if (terminal >= 0 && ::write(master, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size()))
        r = runProgramWithInput(program, std::move(args), terminal);
    if (terminal >= 0) ::close(terminal);
    ::close(master);
    return r;
}

}  // namespace talvex::testing
