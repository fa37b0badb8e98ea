// A second master on the bus: a program that opened the port the ordinary way, or one that announced
// itself through a UUCP lock file, keeps us off it, and the message names it.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "pty_slave.hpp"
#include "talvex/serial_port.hpp"

namespace {

using talvex::CSerialPort;
using talvex::PortOpenFailure;
using talvex::UucpLock;

// A child process called "minicom"; with a device it opens it and waits, like a terminal program.
// Returns once the child has its name and its port, so nothing races the rename.
pid_t startMinicom(const std::string& device) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_NAME, "minicom");
        const int signal = ready[1];
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != signal) close(fd);  // not the test's end of the pseudo-terminal
        if (!device.empty() && open(device.c_str(), O_RDWR | O_NOCTTY) < 0) _exit(1);
        const char byte = 1;
        if (write(signal, &byte, 1) != 1) _exit(1);
        close(signal);
        for (;;) pause();
    }
    close(ready[1]);
    char byte = 0;
    const bool started = pid > 0 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    return started ? pid : -1;
}

void stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

struct LockDir : testing::Test {
    std::string dir;
    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "talvex-lock-XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        setenv("TALVEX_LOCK_DIR", dir.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TALVEX_LOCK_DIR");
        std::filesystem::remove_all(dir);
    }
};

TEST_F(LockDir, APortOpenElsewhereOrLockedByARunningProgramIsRefusedAndItsHolderNamed) {
    talvex::test::PtyPair pty;
    const std::string lock = UucpLock::lockPath(pty.slavePath());
    ASSERT_EQ(lock.rfind(dir + "/LCK..pts_", 0), 0u) << lock;
    // Opened the ordinary way by another program (no lock, no flock): refused.
    {
        const pid_t minicom = startMinicom(pty.slavePath());
        ASSERT_GT(minicom, 0);
        CSerialPort port;
        EXPECT_EQ(port.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 0);
        EXPECT_EQ(port.lastOpenFailure(), PortOpenFailure::Busy);
        EXPECT_EQ(port.lastOpenHolder(), "held by PID " + std::to_string(minicom) + " (minicom)");
        stop(minicom);
    }
    // A lock file naming a running program, in each form tools write it: refused, the file left alone.
    {
        const pid_t minicom = startMinicom("");
        ASSERT_GT(minicom, 0);
        const std::string named = "held by PID " + std::to_string(minicom) + " (minicom)";
        char padded[16];
        std::snprintf(padded, sizeof padded, "%10d\n", static_cast<int>(minicom));
        const int binary = static_cast<int>(minicom);
        const struct {
            std::string bytes, holder;
        } forms[] = {
            {"  1\n", "held by PID 1"},  // four bytes, yet ASCII: not a binary PID
            {padded, named},
            {std::to_string(minicom) + "\n", named},
            {std::string(reinterpret_cast<const char*>(&binary), 4), named},
        };
        for (const auto& form : forms) {
            std::ofstream(lock, std::ios::binary | std::ios::trunc) << form.bytes;
            CSerialPort port;
            EXPECT_EQ(port.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 0) << form.holder;
            EXPECT_EQ(port.lastOpenHolder().substr(0, form.holder.size()), form.holder);
            EXPECT_TRUE(std::filesystem::exists(lock));
        }
        stop(minicom);
    }
    // Its program has ended: the lock is stale, taken over while the port is open, removed on close.
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath().c_str(), 19200, 8, 0, 0), 1);
    std::ifstream in(lock);
    int pid = 0;
    in >> pid;
    EXPECT_EQ(pid, getpid());
    port.Close();
    EXPECT_FALSE(std::filesystem::exists(lock));
}

}  // namespace
