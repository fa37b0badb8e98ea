// A second master on the bus: a program that opened the port the ordinary way, or one that announced
// itself through a UUCP lock file, keeps us off it, and the message names it.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

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

// A program called "talvex" with a pseudo-terminal pair of its own and the UUCP lock of it, as a window
// connected to its built-in simulated bus has. Told to, it closes both ends but keeps running with the
// lock still in place: the moment of a window closing its port before the lock is removed.
class ClosingProgram {
  public:
    ClosingProgram() {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0) return;
        if (pipe(fromChild) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_NAME, "talvex");
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != toChild[0] && fd != fromChild[1]) close(fd);
            int master = -1, slave = -1;
            char name[128] = {};
            if (openpty(&master, &slave, name, nullptr, nullptr) != 0) _exit(1);
            UucpLock lock;
            lock.acquire(name, nullptr);
            const std::string path = std::string(name) + "\n";
            if (write(fromChild[1], path.data(), path.size()) != static_cast<ssize_t>(path.size())) _exit(1);
            char byte = 0;
            if (read(toChild[0], &byte, 1) != 1) _exit(1);
            close(slave);
            close(master);
            if (write(fromChild[1], &byte, 1) != 1) _exit(1);
            for (;;) pause();
        }
        close(toChild[0]);
        close(fromChild[1]);
        command_ = toChild[1];
        reply_ = fromChild[0];
        char c = 0;
        while (pid_ > 0 && read(reply_, &c, 1) == 1 && c != '\n') path_ += c;
    }
    ~ClosingProgram() {
        if (pid_ > 0) stop(pid_);
        close(command_);
        close(reply_);
    }
    pid_t pid() const { return pid_; }
    const std::string& ptyPath() const { return path_; }
    bool closePty() {
        const char byte = 1;
        char ack = 0;
        return write(command_, &byte, 1) == 1 && read(reply_, &ack, 1) == 1;
    }

  private:
    pid_t pid_ = -1;
    int command_ = -1, reply_ = -1;
    std::string path_;
};

timespec modified(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mtim;
}

timespec changed(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ctim;
}

bool later(const timespec& a, const timespec& b) {
    return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
}

// Who holds a device is decided by the device itself, never by its name: the number of a closed
// pseudo-terminal is given to the next one made, while the program that had it may still be running
// with its lock in place. Two pairs unrelated to that program open while it closes its own.
TEST_F(LockDir, AClosingProgramIsNotTakenForTheHolderOfAnUnrelatedPty) {
    talvex::test::PtyPair unrelated;
    ClosingProgram talvex;
    ASSERT_GT(talvex.pid(), 0);
    ASSERT_FALSE(talvex.ptyPath().empty());
    const std::string theirs = talvex.ptyPath();
    const std::string lock = UucpLock::lockPath(theirs);
    ASSERT_TRUE(std::filesystem::exists(lock));
    const std::string named = "held by PID " + std::to_string(talvex.pid()) + " (talvex)";
    {
        CSerialPort port;
        EXPECT_EQ(port.Open(theirs.c_str(), 19200, 8, 0, 0), 0);
        EXPECT_EQ(port.lastOpenHolder(), named);
        EXPECT_EQ(port.Open(unrelated.slavePath().c_str(), 19200, 8, 0, 0), 1) << port.lastOpenHolder();
    }
    ASSERT_TRUE(talvex.closePty());
    ASSERT_TRUE(std::filesystem::exists(lock)) << "the closing program's lock stays for this test";

    // The kernel gives the lowest free number: the one just closed, unless a program running beside the
    // test takes it first. Made again until it is that number, on a clock that has passed the lock's time.
    std::unique_ptr<talvex::test::PtyPair> fresh;
    for (int attempt = 0; attempt < 500 && !fresh; ++attempt) {
        auto pair = std::make_unique<talvex::test::PtyPair>();
        if (pair->slavePath() == theirs && later(changed(theirs), modified(lock)))
            fresh = std::move(pair);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!fresh) GTEST_SKIP() << "pseudo-terminal number " << theirs << " stayed taken by another program";
    EXPECT_EQ(talvex::otherProcessWithDeviceOpen(fresh->slavePath()).pid, 0);
    talvex::test::PtyPair second;
    for (const std::string& path : {fresh->slavePath(), second.slavePath(), unrelated.slavePath()}) {
        CSerialPort port;
        EXPECT_EQ(port.Open(path.c_str(), 19200, 8, 0, 0), 1) << path << ": " << port.lastOpenHolder();
    }
    EXPECT_FALSE(std::filesystem::exists(lock)) << "the stale lock was taken over and removed on close";
}

}  // namespace
