// Runs a program to its end with its stdout and stderr captured, as a script would run it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
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

// The program reads nothing: its input is /dev/null, as in a script run without a terminal.
inline ProgramRun runProgram(const std::string& program, std::vector<std::string> args) {
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
        const int none = ::open("/dev/null", O_RDONLY);
        if (none >= 0) ::dup2(none, 0);
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
    return r;
}

}  // namespace talvex::testing
