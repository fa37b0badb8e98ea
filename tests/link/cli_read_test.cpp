// talvex-cli read and write against a scripted slave on a pseudo-terminal: data on stdout, the result
// code's text on stderr, and the exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "pty_slave.hpp"

namespace {

using namespace talvex::test;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string drain(int fd) {
    std::string text;
    char buf[512];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

CliRun runCli(std::vector<std::string> args) {
    // Built before fork: the child of a threaded process may only make async-signal-safe calls.
    std::vector<char*> argv{const_cast<char*>(TALVEX_CLI)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        execv(TALVEX_CLI, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    CliRun r;
    r.out = drain(out[0]);  // outputs are small: reading one pipe to its end cannot block the other
    r.err = drain(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(CliOnPty, ReadAndWriteReportDataAndFailures) {
    PtyPair pty;
    ScriptedSlave slave(pty.masterFd(), [](const Bytes& req) {
        if (wordAt(req, 2) == 99) return Reply{exceptionReply(req[0], req[1], 2)};
        return registerBank(4)(req);
    });
    const std::string port = pty.slavePath();
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
        std::string errMentions;
    } cases[] = {
        {{"read", "--port", port, "--id", "4", "--addr", "5", "--count", "3"},
         0,
         "5 1005\n6 1006\n7 1007\n",
         ""},
        {{"read", "--port", port, "--id", "4", "--addr", "2", "--input", "--json"},
         0,
         "{\"id\":4,\"function\":4,\"registers\":[{\"address\":2,\"value\":1002}]}\n",
         ""},
        // A Modbus exception is the sensor refusing the request: exit 3.
        {{"read", "--port", port, "--id", "4", "--addr", "99"}, 3, "", "illegal data address (0x8002)"},
        {{"read", "--port", port, "--id", "0"}, 2, "", "--id"},
        {{"write", "--port", port, "--id", "4", "--addr", "253", "1010"}, 0, "", ""},
        {{"write-multi", "--port", port, "--id", "4", "--addr", "19", "--values", "1,-1,0x10"}, 0, "", ""},
        {{"read", "--port", "/dev/ttyDoesNotExist7", "--id", "4"}, 1, "", "does not exist"},
    };
    for (const auto& c : cases) {
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << r.err;
        EXPECT_EQ(r.out, c.out);
        if (!c.errMentions.empty()) {
            EXPECT_NE(r.err.find(c.errMentions), std::string::npos) << r.err;
        }
    }
    // The writes reached the wire as function 6 and 16 frames with the values given.
    const auto frames = slave.requests();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[3], withCrc({0x04, 0x06, 0x00, 0xFD, 0x03, 0xF2}));
    EXPECT_EQ(frames[4],
              withCrc({0x04, 0x10, 0x00, 0x13, 0x00, 0x03, 0x06, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0x10}));
}

}  // namespace
