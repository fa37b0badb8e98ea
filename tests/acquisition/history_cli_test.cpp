// talvex-cli history as a process against the simulated sensor on a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "talvex/acquisition/history_export.hpp"
#include "talvex/acquisition/history_read.hpp"
#include "talvex/acquisition/history_requests.hpp"
#include "talvex/history_registers.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/rtu_register_io.hpp"
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

class HistoryCli : public ::testing::Test {
  protected:
    // format 0 keeps the simulator's default.
    void start(std::uint32_t stopAfter = 0, int format = 0, std::uint32_t corrupt = 0,
               std::uint32_t records = 40, bool pace = false) {
        auto sensor = sim::defaultSensorConfig(1, SensorModel::KA);
        sensor.historyRecords = records;
        sensor.historyStopAfter = stopAfter;
        sensor.historyCorruptRecord = corrupt;
        if (format != 0) sensor.historyFormat = format;
        sim::BusOptions o;
        o.sensors = {sensor};
        o.flowmeter = false;
        o.pace = pace;
        bus_ = std::make_unique<sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus_->start(&error)) << error;
        std::ofstream(dir_.file("setting.ini")) << "[Setting]\r\nLanguage=English\r\n";
    }
    CliRun cli(const std::string& args) {
        const auto run = talvex::testing::runProgram(TALVEX_CLI, talvex::testing::words("history " + args));
        return {run.exitCode, run.out, run.err};
    }
    std::string port() const {
        return "--port " + bus_->slavePath() + " --data-dir " + dir_.path() + " --id 1";
    }

    TempDir dir_;
    std::unique_ptr<sim::SimBus> bus_;
};

TEST_F(HistoryCli, RefusesBadWordsBeforeSendingAnything) {
    start();
    const std::string csv = " --out " + dir_.file("x.csv");
    for (const std::string& bad : std::vector<std::string>{
             "", "--stored --interval 5", "--count 5", "--count 12abc" + csv, "--count 4294967296" + csv,
             "--count -1" + csv, "--interval 0", "--interval 65536", "--stored --format v2",
             "--count 5 --format v3" + csv, "--stored --stored", "--stored --dry-run", "--interval 5 --json",
             "--stored stray", "--stored --colour red", "--stored --out" + csv}) {
        const CliRun r = cli(port() + " " + bad);
        EXPECT_EQ(r.exitCode, 2) << bad << "\n" << r.err;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << bad;
    }
    EXPECT_EQ(cli("--id 0 --stored --port " + bus_->slavePath()).exitCode, 2);
    EXPECT_TRUE(bus_->writeLog(1).empty());
    EXPECT_FALSE(std::ifstream(dir_.file("x.csv")).good());
}

TEST_F(HistoryCli, DryRunStoredAndInterval) {
    start();
    const CliRun dry = cli("--id 1 --count 70000 --out x.csv --dry-run");
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(dry.out, "99 0x0001\n100 0x1170\n101 0x03E9\n");
    EXPECT_EQ(cli("--id 1 --interval 30 --dry-run").out, "157 0x001E\n");

    const CliRun stored = cli(port() + " --stored");
    EXPECT_EQ(stored.exitCode, 0) << stored.err;
    EXPECT_EQ(stored.out, "40\n");
    EXPECT_EQ(cli(port() + " --stored --json").out, "{\"id\":1,\"stored\":40}\n");

    const CliRun interval = cli(port() + " --interval 30");
    EXPECT_EQ(interval.exitCode, 0) << interval.err;
    EXPECT_NE(interval.err.find("Saved!"), std::string::npos) << interval.err;
    ASSERT_EQ(bus_->writeLog(1).size(), 1u);
    EXPECT_EQ(bus_->writeLog(1)[0].address, sensor::history::kStorageInterval);
    EXPECT_EQ(bus_->writeLog(1)[0].values, std::vector<std::uint16_t>{30});

    sim::Faults refuse;
    refuse.exceptions = {{1, sensor::history::kStorageInterval, 3}};
    bus_->setFaults(refuse);
    const CliRun refused = cli(port() + " --interval 30");
    EXPECT_EQ(refused.exitCode, 3) << refused.err;
    EXPECT_NE(refused.err.find("Save failed!"), std::string::npos) << refused.err;
    sim::Faults silent;
    silent.silent = {1};
    bus_->setFaults(silent);
    EXPECT_EQ(cli(port() + " --stored").exitCode, 1);
}

// One operation at a time on a link holds across programs too: a second talvex-cli on the port of a
// running read is refused before it sends, told who holds the port, and the read goes on to its end.
TEST_F(HistoryCli, ASecondCommandOnTheLineOfARunningReadIsRefused) {
    start(0, 2, 0, 300, true);  // paced at the line's speed: the read lasts seconds
    const std::string csv = dir_.file("h.csv");
    CliRun read;
    std::thread reader([&] { read = cli(port() + " --count 300 --format v2 --out " + csv); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bus_->writeLog(1).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(
            std::chrono::milliseconds(5));  // until the read has asked for its records
    ASSERT_FALSE(bus_->writeLog(1).empty());

    const auto write = talvex::testing::runProgram(
        TALVEX_CLI,
        talvex::testing::words("write --port " + bus_->slavePath() + " --id 1 --addr " +
                               std::to_string(sensor::history::kStorageInterval) + " --value 30"));
    reader.join();
    EXPECT_EQ(write.exitCode, 1) << write.err;
    EXPECT_NE(write.err.find("(talvex-cli)"), std::string::npos) << write.err;
    for (const auto& w : bus_->writeLog(1))
        EXPECT_NE(w.address, sensor::history::kStorageInterval) << "the second command reached the sensor";
    EXPECT_EQ(read.exitCode, 0) << read.err;
    const std::string file = slurp(csv);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 301) << "a heading and every record";
}

TEST_F(HistoryCli, ExportIsTheWritersBytes) {
    start(0, 2);
    // A storage interval of 45 days keeps the sensor's records fixed while the test runs.
    const std::string csv = dir_.file("h.csv");
    ASSERT_EQ(cli(port() + " --interval 65535").exitCode, 0);
    const CliRun r = cli(port() + " --count 25 --format v2 --json --out " + csv);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "{\"id\":1,\"requested\":25,\"received\":25,\"file\":\"" + csv + "\"}\n");
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;

    // The same read in this process, written by the writer the Records page uses.
    ASSERT_EQ(RTUOpenDevice(bus_->slavePath().c_str(), 19200, 8, 0, 0), 1);
    SteadyPacer pacer;
    ASSERT_TRUE(requestRecordCount(rtuRegisterIo(), pacer, 1, 25).done());
    HistoryReadRequest request;
    request.format = HistoryFormat::V2;
    request.count = 25;
    const HistoryReadResult read = readHistory(rtuRegisterIo(), pacer, request);
    RTUCloseCom();
    ASSERT_EQ(read.table.records.size(), 25u);
    const std::string ours = dir_.file("ours.csv");
    ASSERT_EQ(writeHistoryCsv(ours, read.table, historyFileHeadings(), OutputRule{}),
              HistoryExportOutcome::Done);
    const std::string file = slurp(csv);
    EXPECT_EQ(file, slurp(ours));
    EXPECT_EQ(file.rfind("\xEF\xBB\xBFSensor ID,Time,H2(PPM),Temp(℃),Day ROC,Pressure,Moisture\r\n1,", 0), 0u)
        << file.substr(0, 120);

    // The file does not follow the language of the data directory.
    std::ofstream(dir_.file("setting.ini")) << "[Setting]\r\nLanguage=Chinese\r\n";
    const std::string chinese = dir_.file("zh.csv");
    ASSERT_EQ(cli(port() + " --count 25 --format v2 --out " + chinese).exitCode, 0);
    EXPECT_EQ(slurp(chinese), file);
}

TEST_F(HistoryCli, FewerThanRequestedWarnsAndKeepsThem) {
    start(/*stopAfter=*/10, /*format=*/2);
    const std::string csv = dir_.file("short.csv");
    const CliRun r = cli(port() + " --count 20 --format v2 --out " + csv);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("warning: Read 10 history records"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Requested 20, sensor returned 10."), std::string::npos) << r.err;
    const std::string file = slurp(csv);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 11);
}

// The simulator sends what a read with the defaults reads; a read in the other format says which
// format the records are in instead of suggesting a longer wait; damaged records are counted.
TEST_F(HistoryCli, DefaultsMatchTheOtherFormatIsNamedDamagedRecordsAreCounted) {
    start();
    const std::string csv = dir_.file("h.csv");
    const CliRun plain = cli(port() + " --count 20 --out " + csv);
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(plain.err.find("history: Read 20\n"), std::string::npos) << plain.err;
    EXPECT_EQ(plain.err.find("damaged"), std::string::npos) << plain.err;

    const CliRun wrong = cli(port() + " --count 20 --format v2 --out " + dir_.file("v2.csv"));
    EXPECT_EQ(wrong.exitCode, 1) << wrong.err;
    EXPECT_NE(wrong.err.find("Read 0\nThe records are in the V1 format: choose V1."), std::string::npos)
        << wrong.err;
    EXPECT_EQ(wrong.err.find("wait time"), std::string::npos) << wrong.err;
    EXPECT_FALSE(std::ifstream(dir_.file("v2.csv")).good());

    start(0, 2, /*corrupt=*/5);
    const CliRun damaged = cli(port() + " --count 20 --format v2 --out " + dir_.file("damaged.csv"));
    EXPECT_EQ(damaged.exitCode, 0) << damaged.err;
    EXPECT_NE(damaged.err.find(" damaged records skipped."), std::string::npos) << damaged.err;
}

}  // namespace
}  // namespace talvex::acquisition
