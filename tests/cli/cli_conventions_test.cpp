// The rules every talvex-cli command follows: its usage on --help, refusals (exit 2) before anything
// is sent or written, decimal numbers, one message prefix, missing data (exit 1), and poll's streams.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace {

using talvex::testing::ProgramRun;
using talvex::testing::TempDir;

ProgramRun cli(std::vector<std::string> args) {
    return talvex::testing::runProgram(TALVEX_CLI, std::move(args));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Every registered command, as the overall usage lists them ("  read --port ...").
std::vector<std::string> commandNames() {
    std::vector<std::string> names;
    for (const auto& line : lines(cli({"--help"}).out))
        if (line.rfind("  ", 0) == 0) names.push_back(line.substr(2, line.find(' ', 2) - 2));
    return names;
}

TEST(CliConventions, EveryCommandPrintsItsUsageForHelp) {
    const auto names = commandNames();
    ASSERT_FALSE(names.empty());
    for (const auto& name : names) {
        const ProgramRun r = cli({name, "--help"});
        EXPECT_EQ(r.exitCode, 0) << name;
        EXPECT_EQ(r.out.rfind("usage: talvex-cli " + name + " ", 0), 0u) << name << ": " << r.out;
    }
}

// The manual page talvex-cli(1) (packaging/man/talvex-cli.1.scd) shows every command under its own
// heading with its usage as the program prints it, and the exit codes: a new command or option that
// is not in the manual fails here.
TEST(CliConventions, TheManualPageShowsEveryCommandAndTheExitCodes) {
    const std::string page = talvex::testing::readBytes(TALVEX_CLI_MAN_PAGE);
    ASSERT_FALSE(page.empty());
    const auto usages = lines(cli({"--help"}).out);
    std::size_t commands = 0;
    for (const auto& line : usages) {
        if (line.rfind("  ", 0) != 0) continue;
        ++commands;
        const std::string usage = line.substr(2, line.find("   ", 2) - 2);  // without its description
        const std::string name = usage.substr(0, usage.find(' '));
        EXPECT_NE(page.find("\n## " + name + "\n"), std::string::npos) << "no heading for " << name;
        EXPECT_NE(page.find("\ntalvex-cli " + usage + "\n"), std::string::npos) << "usage differs: " << usage;
    }
    EXPECT_GT(commands, 20u);
    const std::size_t exitStatus = page.find("\n# EXIT STATUS\n");
    ASSERT_NE(exitStatus, std::string::npos);
    for (const char* code : {"\n*0*\n", "\n*1*\n", "\n*2*\n", "\n*3*\n"})
        EXPECT_NE(page.find(code, exitStatus), std::string::npos) << code;
}

TEST(CliConventions, BadInputIsRefusedBeforeAnythingIsSentOrWritten) {
    TempDir dir;
    const std::string data = dir.path();
    const std::string typo = dir.file("dmeo");
    // A port that does not exist: a command that got as far as opening it would exit 1, not 2.
    const std::string port = "/dev/ttyTalvexNone";
    const struct {
        std::vector<std::string> args;
        std::string mentions;
    } cases[] = {
        {{"read", "--port", port, "--id", "1", "--cuont", "10"}, "talvex-cli read: unknown option --cuont"},
        {{"read", "--port", port, "--id", "1", "stray"}, "talvex-cli read: unexpected word \"stray\""},
        {{"read", "--port", port, "--id", "248"}, "talvex-cli read: --id must be a sensor ID 1..247"},
        {{"write", "--port", port, "--id", "1", "--addr", "9", "--addr", "10", "5"},
         "talvex-cli write: option --addr given twice"},
        {{"write", "--port", port, "--id", "1", "--addr", "9", "08x"}, "not a 16-bit number"},
        {{"write-multi", "--port", port, "--id", "1", "--addr", "19", "--values", "5,6,"}, "empty item"},
        {{"write-multi", "--port", port, "--id", "1", "--addr", "19", "--values", "5,,6"}, "empty item"},
        {{"delete", "--id", "1", "--id", "2", "--data-dir", data},
         "talvex-cli delete: option --id given twice"},
        {{"delete", "--id", "abc", "--data-dir", data}, "talvex-cli delete: --id expects a whole number"},
        {{"delete", "--id", "1", "--data-dir", typo}, "talvex-cli delete: --data-dir " + typo + ": no such"},
        {{"export", "--id", "0", "--out", dir.file("x.csv"), "--data-dir", data}, "sensor ID 1..247"},
        {{"export", "--id", "1", "--data-dir", data}, "--out FILE is required"},
        {{"channels", "--data-dir", typo}, "no such directory"},
        {{"channels", "--data-dir", data, "extra"}, "unexpected word"},
        {{"language", "Klingon", "--data-dir", data}, "name English or Chinese"},
        {{"poll", "--port", port, "--ids", " , ", "--data-dir", data}, "--ids: no sensor ID in \" , \""},
        {{"poll", "--port", port, "--ids", "1,x", "--data-dir", data}, "--ids: \"x\" is not a sensor ID"},
        {{"poll", "--port", port, "--ids", "0-3", "--data-dir", data}, "not a sensor ID 1..247"},
        {{"poll", "--port", port, "--ids", "1", "--interval", "256", "--data-dir", data}, "--interval"},
        {{"poll", "--port", port, "--ids", "1", "--interval", "0", "--data-dir", data}, "1..255"},
        {{"poll", "--port", port, "--interval", "5", "--data-dir", data}, "--interval goes with --ids"},
        {{"poll", "--port", port, "--ids", "1", "--once", "--duration", "3", "--data-dir", data},
         "exclude each other"},
        {{"poll", "--port", port, "--ids", "1", "--duration", "10000000000", "--data-dir", data},
         "--duration"},
        {{"poll", "--port", port, "--ids", "1", "--once", "--data-dir", typo}, "no such directory"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = cli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args[0] << ": " << r.err;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << c.args[0] << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(data)) << "a refused command wrote into the data directory";
    EXPECT_FALSE(std::filesystem::exists(typo));
}

TEST(CliConventions, NumbersAreDecimalUnlessTheyStartWith0x) {
    const ProgramRun one = cli({"write", "--dry-run", "--json", "--id", "010", "--addr", "010", "010"});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(one.out, "{\"id\":10,\"function\":6,\"address\":10,\"value\":10,\"dryRun\":true}\n");
    const ProgramRun many =
        cli({"write-multi", "--dry-run", "--id", "0x0A", "--addr", "19", "--values", "010,0x10,-1"});
    EXPECT_EQ(many.exitCode, 0) << many.err;
    EXPECT_EQ(many.out, "would write to sensor 10, function 16: 19=10 20=16 21=65535\n");
}

class CliOnSimulator : public testing::Test {
  protected:
    void SetUp() override {
        talvex::sim::BusOptions o;
        o.sensors = {talvex::sim::defaultSensorConfig(1, talvex::SensorModel::KA),
                     talvex::sim::defaultSensorConfig(2, talvex::SensorModel::KA)};
        o.flowmeter = false;
        o.pace = false;
        bus_ = std::make_unique<talvex::sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus_->start(&error)) << error;
    }
    std::vector<std::string> poll(std::vector<std::string> more) const {
        std::vector<std::string> args{"poll",      "--port",  bus_->slavePath(), "--data-dir",
                                      dir_.path(), "--model", "ModelKA"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    TempDir dir_;
    std::unique_ptr<talvex::sim::SimBus> bus_;
};

TEST_F(CliOnSimulator, DeleteSaysWhenThereIsNothingToDelete) {
    const ProgramRun noDb = cli({"delete", "--id", "1", "--data-dir", dir_.path()});
    EXPECT_EQ(noDb.exitCode, 1);
    EXPECT_NE(noDb.err.find("talvex-cli delete: no SensorDB.db in"), std::string::npos) << noDb.err;
    EXPECT_FALSE(std::filesystem::exists(dir_.file("SensorDB.db")));

    ASSERT_EQ(cli(poll({"--ids", "1", "--once"})).exitCode, 0);
    const struct {
        std::string id;
        int exitCode;
        std::string mentions;
    } steps[] = {
        {"2", 1, "talvex-cli delete: No data found for this SensorId!"},
        {"1", 0, "Data Deleted!"},
        {"1", 1, "No data found"},
    };
    for (const auto& s : steps) {
        const ProgramRun r = cli({"delete", "--id", s.id, "--data-dir", dir_.path()});
        EXPECT_EQ(r.exitCode, s.exitCode) << s.id << ": " << r.err;
        EXPECT_NE(r.err.find(s.mentions), std::string::npos) << r.err;
    }
}

TEST_F(CliOnSimulator, ACommandThatAsksNeedsYesWithoutATerminal) {
    // The input of these runs is not a terminal, so only --yes could answer the questions to come
    // (import's own test shows the same once its workbook has been checked).
    const std::string port = bus_->slavePath();
    const std::vector<std::vector<std::string>> asking = {
        {"fit", "--sheet", dir_.file("cal.csv"), "--kind", "4", "--row", "1", "--range", "2,9", "--write",
         "--id", "1", "--port", port},
        {"calibrate", "--port", port, "--id", "1", "--type", "pressure", "--reference", "101.3"},
        {"calibrate", "--port", port, "--id", "1", "--type", "moisture", "--clear"},
    };
    for (const auto& args : asking) {
        const ProgramRun r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << args[0] << ": " << r.err;
        EXPECT_EQ(r.err,
                  "talvex-cli " + args[0] + ": --yes is needed when standard input is not a terminal\n");
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_TRUE(bus_->writeLog(1).empty());
}

TEST_F(CliOnSimulator, PollWritesRecordsToStdoutAndLogLinesToStderr) {
    for (const bool json : {false, true}) {
        auto args = poll({"--ids", "1-2", "--once", "--no-db"});
        if (json) args.push_back("--json");
        const ProgramRun r = cli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto records = lines(r.out);
        ASSERT_EQ(records.size(), 2u) << r.out;
        for (const auto& line : records)
            EXPECT_EQ(line.rfind(json ? "{\"SensorId\": " : "SensorId=", 0), 0u) << line;
        EXPECT_NE(r.err.find("ID1 Polling Succeed"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("ID2 Polling Succeed"), std::string::npos) << r.err;
    }
}

TEST_F(CliOnSimulator, PollIntervalSpacesTheRecordsOfOneSensor) {
    // One record in three seconds at a 60-second interval; more at the shortest, 1 second.
    const ProgramRun spaced = cli(poll({"--ids", "1", "--interval", "60", "--duration", "3", "--no-db"}));
    EXPECT_EQ(spaced.exitCode, 0) << spaced.err;
    EXPECT_EQ(lines(spaced.out).size(), 1u) << spaced.out;
    const ProgramRun everySecond = cli(poll({"--ids", "1", "--interval", "1", "--duration", "3", "--no-db"}));
    EXPECT_GT(lines(everySecond.out).size(), 1u) << everySecond.out;
}

TEST_F(CliOnSimulator, PollForADurationFailsWhenNoSensorAnswered) {
    talvex::sim::Faults f;
    f.silent = {1};
    bus_->setFaults(f);
    const ProgramRun r = cli(poll({"--ids", "1", "--duration", "1", "--no-db"}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("talvex-cli poll: no sensor answered"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("ID1 Polling Failed (time-out)"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

}  // namespace
