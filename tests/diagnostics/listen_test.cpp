// talvex-cli listen on a line shared by the master and the simulator: a hub joins three pseudo-terminals
// the way an RS-485 bus joins adapters, so the listener hears both directions. What it prints must be the
// frames the simulator's own monitor (--monitor) recorded, in order, each response paired with its request.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace {

using talvex::testing::ProgramRun;

ProgramRun cli(std::vector<std::string> args, talvex::testing::OutputWatch* watch = nullptr) {
    return talvex::testing::runProgram(TALVEX_CLI, std::move(args), watch);
}

int rawPty(int& slave, std::string& path) {
    int master = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return -1;
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, O_NONBLOCK);
    path = name;
    return master;
}

// Everything the master's adapter sends goes to the simulator and the listener; everything the simulator
// sends goes to the master and the listener.
class BusHub {
  public:
    explicit BusHub(const std::string& simPath) {
        sim_ = ::open(simPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        tcgetattr(sim_, &tio);
        cfmakeraw(&tio);
        tcsetattr(sim_, TCSANOW, &tio);
        master_ = rawPty(masterSlave_, masterPath_);
        listener_ = rawPty(listenerSlave_, listenerPath_);
        thread_ = std::thread([this] { run(); });
    }
    ~BusHub() {
        stop_ = true;
        thread_.join();
        for (int fd : {sim_, master_, masterSlave_, listener_, listenerSlave_}) ::close(fd);
    }
    const std::string& masterPath() const { return masterPath_; }
    const std::string& listenerPath() const { return listenerPath_; }

  private:
    void run() {
        std::uint8_t buf[512];
        while (!stop_) {
            pollfd p[2] = {{master_, POLLIN, 0}, {sim_, POLLIN, 0}};
            if (::poll(p, 2, 20) <= 0) continue;
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & POLLIN)) continue;
                const ssize_t n = ::read(p[i].fd, buf, sizeof buf);
                if (n <= 0) continue;
                (void)!::write(i == 0 ? sim_ : master_, buf, static_cast<std::size_t>(n));
                (void)!::write(listener_, buf, static_cast<std::size_t>(n));
            }
        }
    }
    int sim_ = -1, master_ = -1, masterSlave_ = -1, listener_ = -1, listenerSlave_ = -1;
    std::string masterPath_, listenerPath_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string field(const std::string& line, const std::string& name) {
    const std::regex re("\"" + name + "\": (\"([^\"]*)\"|[^,}]*)");
    std::smatch m;
    if (!std::regex_search(line, m, re)) return "";
    return m[2].matched ? m[2].str() : m[1].str();
}

TEST(Listen, HearsBothSidesAsTheSimulatorRecordedThem) {
    const talvex::testing::TempDir dir;
    talvex::sim::BusOptions o;
    o.flowmeter = false;
    o.pace = false;
    o.monitorPath = dir.file("monitor.txt");
    o.faults.exceptions = {{1, 300, 2}};
    talvex::sim::SimBus bus(o);
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;
    BusHub hub(bus.slavePath());

    ProgramRun listened;
    talvex::testing::OutputWatch watch;
    std::thread listener([&] {
        listened = cli({"listen", "--port", hub.listenerPath(), "--json", "--duration", "3"}, &watch);
    });
    EXPECT_TRUE(watch.waitForErr("listening on", std::chrono::seconds(10)));  // its device is open
    ASSERT_EQ(RTUOpenDevice(hub.masterPath().c_str(), 19200, 8, 0, 0), 1);
    unsigned char data[30];
    EXPECT_EQ(RTUReadHoldingRegisters(1, 0, 15, data), RTU_OK);
    EXPECT_EQ(RTUWriteSingleRegister(1, 9, 50), RTU_OK);
    EXPECT_EQ(RTUReadHoldingRegisters(1, 300, 1, data), RTU_EXCEPTION + 2);
    EXPECT_EQ(RTUReadHoldingRegisters(1, 111, 1, data), RTU_OK);
    RTUCloseCom();
    listener.join();
    bus.stop();
    EXPECT_EQ(listened.exitCode, 0) << listened.err;

    std::vector<std::string> simSaw;
    std::ifstream monitor(o.monitorPath);
    for (std::string line; std::getline(monitor, line);) {
        std::istringstream in(line);
        std::string us, side;
        in >> us >> side;
        std::string hex;
        std::getline(in, hex);
        simSaw.push_back(side + hex);  // "rx 01 03 ..."
    }
    std::vector<std::string> heard;
    std::istringstream out(listened.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) {
        lines.push_back(line);
        heard.push_back((field(line, "direction") == "request" ? "rx " : "tx ") + field(line, "hex"));
    }
    ASSERT_EQ(simSaw.size(), 8u);
    EXPECT_EQ(heard, simSaw) << listened.out;
    ASSERT_EQ(lines.size(), 8u);
    for (std::size_t i = 1; i < lines.size(); i += 2)
        EXPECT_EQ(field(lines[i], "pairing"), "paired") << lines[i];
    EXPECT_EQ(field(lines[0], "summary"), "read holding registers 0+15");
    EXPECT_EQ(field(lines[5], "exception_name"), "illegal data address");
    EXPECT_EQ(field(lines[2], "values"), "[50]");
}

TEST(Listen, RefusesBadInvocationsBeforeOpeningAnything) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {{"listen"}, 2},
        {{"listen", "--port", "/dev/null", "--bogus"}, 2},
        {{"listen", "--port", "/dev/null", "--baud", "1234"}, 2},
        {{"listen", "--port", "/dev/null", "--duration", "-1"}, 2},
        {{"listen", "--port", "/dev/null", "--json", "--json"}, 2},
        {{"listen", "--port", "/dev/null", "stray"}, 2},
        {{"listen", "--port", "/dev/talvex-no-such-device", "--duration", "0"}, 1},
        {{"listen", "--port", "/dev/null", "--duration", "0"}, 1},  // not a serial device
    };
    for (const auto& c : cases) {
        const ProgramRun r = cli(c.args);
        const std::string what = ::testing::PrintToString(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << what << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << what << ": " << r.out;
    }
}

// A program of this machine that has the port open (a master polling it): a second reader of the tty
// would take its replies. Refused, naming it and what listening needs; --shared listens anyway.
TEST(Listen, RefusesAPortAnotherProgramHoldsUnlessShared) {
    int slave = -1;
    std::string path;
    const int master = rawPty(slave, path);
    ASSERT_GE(master, 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        prctl(PR_SET_NAME, "poller");
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != ready[1]) ::close(fd);  // not the test's ends of the pseudo-terminal
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        const char byte = fd >= 0 ? 1 : 0;
        if (write(ready[1], &byte, 1) != 1) _exit(1);
        for (;;) pause();
    }
    ::close(ready[1]);
    char opened = 0;
    ASSERT_EQ(read(ready[0], &opened, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(opened, 1);

    const ProgramRun refused = cli({"listen", "--port", path, "--duration", "0"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("held by PID " + std::to_string(holder) + " (poller)"), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("listening needs a second adapter on the same line"), std::string::npos)
        << refused.err;
    const ProgramRun shared = cli({"listen", "--port", path, "--duration", "0", "--shared"});
    EXPECT_EQ(shared.exitCode, 0) << shared.err;
    EXPECT_NE(shared.err.find("listening on " + path), std::string::npos) << shared.err;

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    const ProgramRun alone = cli({"listen", "--port", path, "--duration", "0"});
    EXPECT_EQ(alone.exitCode, 0) << alone.err;
    ::close(master);
    ::close(slave);
}

}  // namespace
