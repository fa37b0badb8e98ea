// The talvex-sim program: options, the device path on its first line, the link, a clean end on
// SIGTERM and SIGINT, settings kept with --state, and a round of talvex-cli read against it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "talvex/sim/options.hpp"

namespace {

struct Child {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

// Arguments are built before fork: the child of a threaded process may only exec.
Child spawn(const char* program, std::vector<std::string> args) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return {};
    Child c;
    c.pid = ::fork();
    if (c.pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        ::execv(program, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    c.out = out[0];
    c.err = err[0];
    return c;
}

// Reads one line, waiting at most timeoutMs for it (the program's readiness signal).
std::string readLine(int fd, int timeoutMs = 5000) {
    std::string line;
    char ch = 0;
    while (true) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return line;
        if (::read(fd, &ch, 1) != 1 || ch == '\n') return line;
        line.push_back(ch);
    }
}

std::string drain(int fd) {
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

int waitExit(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

Outcome runToEnd(const char* program, std::vector<std::string> args) {
    Child c = spawn(program, std::move(args));
    Outcome r;
    r.out = drain(c.out);
    r.err = drain(c.err);
    r.exitCode = waitExit(c.pid);
    return r;
}

// A running talvex-sim; ended by signal when the test is done with it.
struct Sim {
    explicit Sim(std::vector<std::string> args) : child(spawn(TALVEX_SIM, std::move(args))) {
        path = readLine(child.out);
    }
    int end(int sig = SIGTERM) {
        ::kill(child.pid, sig);
        const int code = waitExit(child.pid);
        ::close(child.out);
        ::close(child.err);
        child.pid = -1;
        return code;
    }
    ~Sim() {
        if (child.pid > 0) end();
    }
    Child child;
    std::string path;
};

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "talvex-sim-" + std::to_string(::getpid()) + "-" + name;
}

}  // namespace

TEST(SimProgram, BadOptionsExitWithStatus2AndSayWhy) {
    const struct {
        std::vector<std::string> args;
        std::string mentions;
    } cases[] = {
        {{"--sensors", "0"}, "--sensors"},
        {{"--sensors", "5-3"}, "--sensors"},
        {{"--sensors", "1,x"}, "--sensors"},
        {{"--model", "ModelKX"}, "ModelKX"},
        {{"--model", "9:ModelKA"}, "not in --sensors"},
        {{"--concentrator", "300"}, "--concentrator"},
        {{"--baud", "12345"}, "--baud"},
        {{"--crc-errors", "1.5"}, "--crc-errors"},
        {{"--drop", "-0.1"}, "--drop"},
        {{"--delay", "fast"}, "--delay"},
        {{"--exception", "1:2"}, "ID:REG:CODE"},
        {{"--exception", "1:111:0"}, "ID:REG:CODE"},
        {{"--not-fitted", "display"}, "display"},
        {{"--history", "v3"}, "--history"},
        {{"--sensors", "199-201"}, "flowmeter"},
        {{"--seed"}, "needs a value"},
        {{"--monitor"}, "needs a value"},
        {{"--bogus"}, "--bogus"},
        {{"--h2-ramp", "1:50:800"}, "ID:FROM:TO:SECONDS"},
        {{"--h2-spike", "1:900:-1:5"}, "ID:PPM:AT:SECONDS"},
        {{"--status-bits", "1:0:5"}, "ID:MASK:AT"},
        {{"--status-bits", "1:0x10000:5"}, "ID:MASK:AT"},
        {{"--h2-ramp", "9:1:2:3"}, "not in --sensors"},
    };
    for (const auto& c : cases) {
        const Outcome r = runToEnd(TALVEX_SIM, c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args[0];
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(SimProgram, HelpListsTheOptions) {
    const Outcome r = runToEnd(TALVEX_SIM, {"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* option : {"--sensors", "--model", "--concentrator", "--no-flowmeter", "--fast",
                               "--state", "--link", "--silent", "--crc-errors", "--exception", "--not-fitted",
                               "--monitor", "--h2-ramp", "--h2-spike", "--status-bits"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST(SimProgram, OptionsBuildTheBus) {
    talvex::sim::ProgramOptions o;
    std::string error;
    ASSERT_TRUE(talvex::sim::parseProgramOptions({"--sensors",
                                                  "1-3,7",
                                                  "--model",
                                                  "ModelKG",
                                                  "--model",
                                                  "7:ModelKF",
                                                  "--concentrator",
                                                  "9",
                                                  "--no-flowmeter",
                                                  "--fast",
                                                  "--seed",
                                                  "5",
                                                  "--silent",
                                                  "2",
                                                  "--exception",
                                                  "3:111:4",
                                                  "--refuse-calibration",
                                                  "--not-fitted",
                                                  "moisture",
                                                  "--history",
                                                  "v1",
                                                  "--delay",
                                                  "20",
                                                  "--h2-ramp",
                                                  "3:50:800.5:60",
                                                  "--status-bits",
                                                  "7:0x30:5"},
                                                 o, error))
        << error;
    std::vector<unsigned> ids;
    for (const auto& s : o.bus.sensors) ids.push_back(s.id);
    EXPECT_EQ(ids, (std::vector<unsigned>{1, 2, 3, 7, 9}));
    EXPECT_EQ(o.bus.sensors[0].model, talvex::SensorModel::KG);
    EXPECT_EQ(o.bus.sensors[3].model, talvex::SensorModel::KF);
    EXPECT_TRUE(o.bus.sensors[3].wireless);
    EXPECT_FALSE(o.bus.sensors[0].wireless);
    EXPECT_TRUE(o.bus.sensors[4].concentrator);
    EXPECT_TRUE(o.bus.sensors[0].refuseCalibration);
    EXPECT_FALSE(o.bus.sensors[0].moistureFitted);
    EXPECT_TRUE(o.bus.sensors[0].pressureFitted);
    EXPECT_EQ(o.bus.sensors[0].historyFormat, 1);
    EXPECT_FALSE(o.bus.flowmeter);
    EXPECT_FALSE(o.bus.pace);
    EXPECT_EQ(o.bus.seed, 5u);
    EXPECT_EQ(o.bus.faults.silent, (std::vector<std::uint8_t>{2}));
    ASSERT_EQ(o.bus.faults.exceptions.size(), 1u);
    EXPECT_EQ(o.bus.faults.exceptions[0].reg, 111);
    EXPECT_EQ(o.bus.faults.delay, talvex::sim::Millis(20));
    ASSERT_TRUE(o.bus.sensors[2].h2Ramp);
    EXPECT_EQ(o.bus.sensors[2].h2Ramp->to, 800.5);
    EXPECT_FALSE(o.bus.sensors[0].h2Ramp);
    ASSERT_TRUE(o.bus.sensors[3].statusBits);
    EXPECT_EQ(o.bus.sensors[3].statusBits->mask, 0x30);
}

TEST(SimProgram, ServesTalvexCliAndEndsCleanly) {
    const std::string link = tempPath("bus");
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        Sim sim({"--sensors", "1-2", "--model", "2:ModelKG", "--link", link});
        ASSERT_EQ(sim.path.rfind("/dev/pts/", 0), 0u) << sim.path;
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), sim.path);

        const Outcome id = runToEnd(TALVEX_CLI, {"read", "--port", link, "--id", "2", "--addr", "150"});
        EXPECT_EQ(id.exitCode, 0) << id.err;
        EXPECT_EQ(id.out, "150 2\n");
        const Outcome block =
            runToEnd(TALVEX_CLI, {"read", "--port", sim.path, "--id", "1", "--addr", "0", "--count", "15"});
        EXPECT_EQ(block.exitCode, 0) << block.err;
        EXPECT_EQ(std::count(block.out.begin(), block.out.end(), '\n'), 15);
        const Outcome missing =
            runToEnd(TALVEX_CLI, {"read", "--port", sim.path, "--id", "1", "--addr", "61"});
        EXPECT_EQ(missing.exitCode, 3);  // the sensor refused: exception 2
        EXPECT_NE(missing.err.find("0x8002"), std::string::npos) << missing.err;

        EXPECT_EQ(sim.end(sig), 0);
        struct stat st {};
        EXPECT_NE(::lstat(link.c_str(), &st), 0);  // link removed on exit
    }
}

TEST(SimProgram, StateFileKeepsSettingsBetweenRuns) {
    const std::string state = tempPath("state");
    ::unlink(state.c_str());
    {
        Sim sim({"--sensors", "1", "--fast", "--state", state});
        ASSERT_FALSE(sim.path.empty());
        EXPECT_EQ(runToEnd(TALVEX_CLI, {"write", "--port", sim.path, "--id", "1", "--addr", "156", "7777"})
                      .exitCode,
                  0);
        EXPECT_EQ(
            runToEnd(TALVEX_CLI, {"write", "--port", sim.path, "--id", "1", "--addr", "150", "5"}).exitCode,
            0);
        EXPECT_EQ(sim.end(), 0);
    }
    Sim again({"--sensors", "1", "--fast", "--state", state});
    ASSERT_FALSE(again.path.empty());
    const Outcome r = runToEnd(TALVEX_CLI, {"read", "--port", again.path, "--id", "5", "--addr", "156"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "156 7777\n");
    ::unlink(state.c_str());
}

TEST(SimProgram, StateFileOfAnotherKindIsRefusedAndKept) {
    const std::string foreign = tempPath("Config.ini");
    const std::string text = "[Network1]\nNode1=1,5,1#\n";
    std::ofstream(foreign) << text;
    const Outcome r = runToEnd(TALVEX_SIM, {"--sensors", "1", "--fast", "--state", foreign});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("not a talvex-sim state file"), std::string::npos) << r.err;
    std::ifstream in(foreign);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), text);
    ::unlink(foreign.c_str());

    // A state file of an earlier version starts with its first sensor's section: still loaded.
    const std::string earlier = tempPath("state-earlier");
    std::ofstream(earlier) << "[sensor 1]\nid=1\nreg.156=4321\n";
    Sim sim({"--sensors", "1", "--fast", "--state", earlier});
    ASSERT_FALSE(sim.path.empty());
    const Outcome read = runToEnd(TALVEX_CLI, {"read", "--port", sim.path, "--id", "1", "--addr", "156"});
    EXPECT_EQ(read.out, "156 4321\n") << read.err;
    EXPECT_EQ(sim.end(), 0);
    ::unlink(earlier.c_str());
}

TEST(SimProgram, StateFileSurvivesAKilledSimulator) {
    const std::string state = tempPath("state-killed");
    ::unlink(state.c_str());
    {
        Sim sim({"--sensors", "1", "--fast", "--state", state});
        ASSERT_FALSE(sim.path.empty());
        ASSERT_EQ(runToEnd(TALVEX_CLI, {"write", "--port", sim.path, "--id", "1", "--addr", "156", "4321"})
                      .exitCode,
                  0);
        // The periodic save lands within a second or two; then nothing is left to a clean exit.
        bool saved = false;
        for (int i = 0; i < 100 && !saved; ++i) {
            std::ifstream in(state);
            std::stringstream text;
            text << in.rdbuf();
            saved = text.str().find("4321") != std::string::npos;
            if (!saved) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(saved);
        sim.end(SIGKILL);
    }
    Sim again({"--sensors", "1", "--fast", "--state", state});
    ASSERT_FALSE(again.path.empty());
    const Outcome r = runToEnd(TALVEX_CLI, {"read", "--port", again.path, "--id", "1", "--addr", "156"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "156 4321\n");
    ::unlink(state.c_str());
}
