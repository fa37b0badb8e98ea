// Every command that writes a file for the user places it by one rule: never over the data directory's
// database or settings files (under any name that reaches them), never over anything but a regular
// file, over an existing file only with --force, and never through a name planted beside the target.
// What a command refuses stays as it was, and it exits 2 before anything is sent or written.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using talvex::testing::ProgramRun;
using talvex::testing::readBytes;
using talvex::testing::TempDir;

ProgramRun cli(std::vector<std::string> args) {
    return talvex::testing::runProgram(TALVEX_CLI, std::move(args));
}

// What a path is, so that a refusal can be shown to have left it alone: its kind and its bytes.
std::string stateOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "absent";
    if (S_ISLNK(st.st_mode)) return "link to " + fs::read_symlink(path).string();
    if (S_ISDIR(st.st_mode)) return "folder";
    if (S_ISFIFO(st.st_mode)) return "fifo";
    if (S_ISCHR(st.st_mode))
        return "device " + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
    return "file " + std::to_string(st.st_ino) + " " + readBytes(path);
}

class OutputFiles : public testing::Test {
  protected:
    void SetUp() override {
        auto sensor = talvex::sim::defaultSensorConfig(1, talvex::SensorModel::KA);
        sensor.historyFormat = 2;
        sensor.historyRecords = 3;
        talvex::sim::BusOptions o;
        o.sensors = {sensor};
        o.flowmeter = false;
        o.pace = false;
        bus_ = std::make_unique<talvex::sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus_->start(&error)) << error;
        data_ = dir_.file("data");
        fs::create_directory(data_);
        std::ofstream(data_ + "/setting.ini") << "[Setting]\r\nLanguage=English\r\n";
        const ProgramRun poll = cli({"poll", "--port", bus_->slavePath(), "--ids", "1", "--once", "--model",
                                     "ModelKA", "--data-dir", data_});
        ASSERT_EQ(poll.exitCode, 0) << poll.err;
        ASSERT_TRUE(fs::exists(data_ + "/SensorDB.db"));
        std::ofstream(data_ + "/Config.ini")
            << "[Config]\r\n";  // the channels; their content does not matter here
    }

    // Each command that writes a file, with its arguments for the file out.
    struct Command {
        std::string name;
        std::function<std::vector<std::string>(const std::string& out)> args;
        std::string startsWith;  // the written file's first bytes
        bool slow = false;       // signs and reads 53 rows (11 s): written once, over an existing file
    };
    std::vector<Command> commands() const {
        const std::string port = bus_->slavePath(), data = data_;
        return {
            {"export",
             [=](const std::string& out) {
                 return std::vector<std::string>{"export", "--id", "1", "--out", out, "--data-dir", data};
             },
             "\xEF\xBB\xBFSensorId,"},
            {"history",
             [=](const std::string& out) {
                 return std::vector<std::string>{"history", "--port",     port,       "--id", "1",
                                                 "--count", "3",          "--format", "v2",   "--out",
                                                 out,       "--data-dir", data};
             },
             "\xEF\xBB\xBFSensor ID,"},
            {"fit-example",
             [=](const std::string& out) {
                 return std::vector<std::string>{"fit-example", "--out", out, "--data-dir", data};
             },
             "ID,"},
            {"production",
             [=](const std::string& out) {
                 return std::vector<std::string>{"production", "--port", port, "--id",       "1", "--sign",
                                                 "Li",         "--xlsx", out,  "--data-dir", data};
             },
             "PK", true},
        };
    }

    TempDir dir_;
    std::string data_;
    std::unique_ptr<talvex::sim::SimBus> bus_;
};

TEST_F(OutputFiles, EveryCommandKeepsToTheOneRule) {
    const std::string db = data_ + "/SensorDB.db";
    const std::string elsewhere = dir_.file("elsewhere");
    fs::create_directory(elsewhere);
    fs::create_symlink(db, elsewhere + "/db-link.csv");
    ASSERT_EQ(::link(db.c_str(), (elsewhere + "/db-hard.csv").c_str()), 0);
    fs::create_directory(elsewhere + "/folder.csv");
    ASSERT_EQ(::mkfifo((elsewhere + "/fifo.csv").c_str(), 0644), 0);
    // A reader on the fifo, so that a writer that opened it would not block the test.
    const int fifoReader = ::open((elsewhere + "/fifo.csv").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fifoReader, 0);
    // A device node of our own (the null device) where the test may make one (as root).
    const bool device = ::mknod((elsewhere + "/device.csv").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const std::string mine = elsewhere + "/mine.csv";
    const std::string victim = elsewhere + "/victim.txt";

    const struct {
        std::string out;
        bool force;
        bool written;
    } cases[] = {
        {db, true, false},
        {data_ + "/../data/./SensorDB.db", true, false},
        {data_ + "/SensorDB.db-wal", true, false},
        {elsewhere + "/db-link.csv", true, false},
        {elsewhere + "/db-hard.csv", true, false},
        {data_ + "/Config.ini", true, false},
        {data_ + "/setting.ini", true, false},
        {elsewhere + "/folder.csv", true, false},
        {elsewhere + "/fifo.csv", true, false},
        {device ? elsewhere + "/device.csv" : std::string(), true, false},
        {mine, false, false},
        {mine, true, true},
        {elsewhere + "/new.csv", false, true},
    };
    for (const auto& command : commands()) {
        for (const auto& c : cases) {
            if (c.out.empty() || (command.slow && c.written && !c.force)) continue;
            SCOPED_TRACE(command.name + " " + c.out + (c.force ? " --force" : ""));
            std::ofstream(mine, std::ios::trunc) << "my own file";
            std::ofstream(victim, std::ios::trunc) << "someone else's file";
            fs::remove(elsewhere + "/new.csv");
            // A name the writer might once have used beside the target, planted to point elsewhere.
            const std::string planted = c.out + ".part";
            const bool plantedHere =
                !fs::exists(fs::symlink_status(planted)) && fs::path(c.out).parent_path() == elsewhere;
            if (plantedHere) fs::create_symlink(victim, planted);
            const std::string before = stateOf(c.out), dbBefore = stateOf(db);
            auto args = command.args(c.out);
            if (c.force) args.push_back("--force");
            const ProgramRun r = cli(args);
            if (c.written) {
                EXPECT_EQ(r.exitCode, 0) << r.err;
                EXPECT_EQ(readBytes(c.out).rfind(command.startsWith, 0), 0u) << stateOf(c.out).substr(0, 80);
            } else {
                EXPECT_EQ(r.exitCode, 2) << r.err;
                EXPECT_EQ(stateOf(c.out), before);
                EXPECT_TRUE(r.out.empty()) << "nothing read or sent before the refusal: " << r.out;
            }
            EXPECT_EQ(stateOf(db), dbBefore);
            EXPECT_EQ(readBytes(victim), "someone else's file");
            if (plantedHere) fs::remove(planted);
        }
        char byte = 0;
        EXPECT_LT(::read(fifoReader, &byte, 1), 1) << command.name << " wrote into the fifo";
    }
    ::close(fifoReader);
    // Nothing left behind: no temporary file in either folder.
    for (const std::string& folder : {data_, elsewhere})
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

// The refusal names the rule that refused, in the data directory's language.
TEST_F(OutputFiles, RefusalsSayWhy) {
    std::ofstream(dir_.file("old.csv")) << "old";
    const struct {
        std::string out;
        std::string says;
    } cases[] = {
        {data_ + "/Config.ini", "never replaces the measurement database or a settings file"},
        {dir_.file("old.csv"), "The file already exists; use --force to replace it: " + dir_.file("old.csv")},
        {dir_.path(), "Only a regular file is replaced"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = cli({"fit-example", "--out", c.out, "--data-dir", data_});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("talvex-cli fit-example: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

}  // namespace
