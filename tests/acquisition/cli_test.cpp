// talvex-cli poll, export and delete as processes, against the simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"
#include "test_support.hpp"

namespace talvex::acquisition {
namespace {

using test::TempDir;

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::BusOptions o;
        o.sensors = {sim::defaultSensorConfig(1, SensorModel::KA),
                     sim::defaultSensorConfig(2, SensorModel::KA)};
        o.flowmeter = false;
        o.pace = false;
        bus_ = std::make_unique<sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus_->start(&error)) << error;
    }
    CliRun cli(const std::string& args, talvex::testing::OutputWatch* watch = nullptr) {
        const auto run = talvex::testing::runProgram(TALVEX_CLI, talvex::testing::words(args), watch);
        return {run.exitCode, run.out, run.err};
    }
    std::string port() const { return "--port " + bus_->slavePath() + " --data-dir " + dir_.path(); }

    TempDir dir_;
    std::unique_ptr<sim::SimBus> bus_;
};

TEST_F(Cli, PollOnceJsonThenExportAndDelete) {
    sim::SensorValues v;
    v.dissolved = 321;
    bus_->setValues(2, v);
    const CliRun poll = cli("poll " + port() + " --ids 1-2 --once --json --model ModelKA");
    ASSERT_EQ(poll.exitCode, 0) << poll.err;
    std::istringstream lines(poll.out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first.rfind("{\"SensorId\": \"1\", \"Timestamp\": \"", 0), 0u) << first;
    EXPECT_NE(second.find("\"H2DG\": \"321\""), std::string::npos) << second;
    EXPECT_NE(second.find("\"RunStatus\": "), std::string::npos);
    EXPECT_NE(poll.err.find("ID2 Polling Succeed"), std::string::npos) << poll.err;

    const std::string csv = dir_.file("two.csv");
    const CliRun exported = cli("export --id 2 --out " + csv + " --data-dir " + dir_.path());
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_NE(exported.err.find(csv), std::string::npos);
    const std::string text = slurp(csv);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBFSensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus\n2,", 0), 0u)
        << text;
    EXPECT_NE(text.find(",321,"), std::string::npos);

    const CliRun deleted = cli("delete --id 2 --data-dir " + dir_.path());
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    const std::string none = dir_.file("none.csv");
    const CliRun empty = cli("export --id 2 --out " + none + " --data-dir " + dir_.path());
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.err.find("No data found for this SensorId!"), std::string::npos) << empty.err;
    EXPECT_FALSE(std::filesystem::exists(none));
}

// An export never goes over the database (every sensor's history) or the settings files, and replaces
// another existing file only with --force; what it refuses stays byte for byte as it was.
TEST_F(Cli, ExportNeverReplacesTheDatabaseOrSettingsAndOtherFilesOnlyWithForce) {
    ASSERT_EQ(cli("poll " + port() + " --ids 1 --once").exitCode, 0);
    const std::string existing = dir_.file("old.csv");
    std::ofstream(existing) << "keep";
    const struct {
        std::string out;
        bool force;
        int exitCode;
    } cases[] = {
        {dir_.file("SensorDB.db"), true, 2},
        {dir_.path() + "/./SensorDB.db-wal", true, 2},
        {dir_.file("Config.ini"), true, 2},
        {dir_.file("setting.ini"), true, 2},
        {existing, false, 2},
        {existing, true, 0},
    };
    for (const auto& c : cases) {
        const bool existed = std::filesystem::exists(c.out);
        const std::string before = slurp(c.out);
        const CliRun r =
            cli("export --id 1 --out " + c.out + (c.force ? " --force" : "") + " --data-dir " + dir_.path());
        EXPECT_EQ(r.exitCode, c.exitCode) << c.out << ": " << r.err;
        if (c.exitCode == 0) {
            EXPECT_EQ(slurp(c.out).rfind("\xEF\xBB\xBFSensorId,", 0), 0u) << c.out;
        } else {
            EXPECT_EQ(std::filesystem::exists(c.out), existed) << c.out;
            EXPECT_EQ(slurp(c.out), before) << c.out;
        }
    }
    const CliRun again = cli("export --id 1 --out " + dir_.file("new.csv") + " --data-dir " + dir_.path());
    EXPECT_EQ(again.exitCode, 0) << again.err;  // the database still holds the record
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(Cli, RecordsTheDatabaseRefusesMakePollFail) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir_.file("SensorDB.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "create table SensorData(SensorId, Timestamp, H2DG, H2AG, Temp, DayRoc, PR, WT, "
                           "RunStatus); create trigger refuse before insert on SensorData begin select "
                           "raise(abort, 'frozen'); end;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const CliRun r = cli("poll " + port() + " --ids 1,2 --once");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("(frozen: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2 records could not be stored"), std::string::npos) << r.err;
}

// A headless logger survives an unplugged adapter: the lost port is said once, reopened with growing
// pauses, and polling resumes when the device is back (here: the simulator restarted on the same link).
TEST_F(Cli, PollReopensALostPortAndResumes) {
    const std::string link = dir_.file("ttySIM");
    auto startBus = [&] {
        sim::BusOptions o;
        o.sensors = {sim::defaultSensorConfig(1, SensorModel::KA)};
        o.flowmeter = false;
        o.pace = false;
        o.linkPath = link;
        auto bus = std::make_unique<sim::SimBus>(o);
        std::string error;
        EXPECT_TRUE(bus->start(&error)) << error;
        return bus;
    };
    bus_ = startBus();
    talvex::testing::OutputWatch watch;
    auto run = std::async(std::launch::async, [&] {
        return cli("poll --port " + link + " --data-dir " + dir_.path() + " --ids 1 --duration 6 --json",
                   &watch);
    });
    ASSERT_TRUE(watch.waitForErr("Polling Succeed", std::chrono::seconds(5)));
    bus_->stop();  // the device vanishes under the poller
    ASSERT_TRUE(watch.waitForErr("the port closed", std::chrono::seconds(5)));
    bus_ = startBus();
    const CliRun r = run.get();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto count = [](const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos; pos += what.size()) ++n;
        return n;
    };
    EXPECT_EQ(count(r.err, "the port closed"), 1) << r.err;
    EXPECT_EQ(count(r.err, "port reopened"), 1) << r.err;
    EXPECT_LE(count(r.err, "Polling Failed"), 3) << r.err;
    const std::size_t reopened = r.err.find("port reopened");
    ASSERT_NE(reopened, std::string::npos);
    EXPECT_NE(r.err.find("Polling Succeed", reopened), std::string::npos) << r.err;
}

TEST_F(Cli, SilentSensorMakesOncePollFail) {
    sim::Faults f;
    f.silent = {2};
    bus_->setFaults(f);
    const CliRun r = cli("poll " + port() + " --ids 1,2 --once");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("ID2 Polling Failed"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("SensorId=1  Timestamp="), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("1 of 2 sensors did not answer"), std::string::npos) << r.err;
}

TEST_F(Cli, BadInputIsRefusedWithAMessage) {
    const struct {
        std::string args, message;
    } cases[] = {
        {"poll " + port() + " --ids 0-3 --once", "not a sensor ID"},
        {"poll " + port() + " --ids 1 --model ModelKZ --once", "unknown model"},
        {"poll " + port() + " --ids 1 --once --duration 3", "exclude each other"},
        // A span whose end the clock cannot hold must not wrap into "already over" and succeed at once.
        {"poll " + port() + " --ids 1 --duration 10000000000", "--duration"},
        {"poll " + port() + " --ids 1 --duration -1", "--duration"},
        {"export --id 1 --data-dir " + dir_.path(), "--out FILE is required"},
        {"export --id 300 --out x.csv --data-dir " + dir_.path(), "sensor ID"},
        {"delete --id abc --data-dir " + dir_.path(), "talvex-cli delete:"},
        {"poll --ids 1 --once --data-dir " + dir_.path(), "--port"},
        {"poll " + port() + " --baud 12 --ids 1 --once", "--baud"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
    }
    // A usage error writes nothing: no database, no setting.ini, no Config.ini.
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "out.txt" || name == "err.txt") << name;
    }
}

}  // namespace
}  // namespace talvex::acquisition
