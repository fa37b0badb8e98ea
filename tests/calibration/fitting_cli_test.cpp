// talvex-cli fit as a process: fields as the dialogs show them, the strict option table, a dry run,
// and a write into the simulator over a pseudo-terminal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "talvex/calibration/fitting/calibration_sheet.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"

namespace talvex::calibration::fitting {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

class FitCli : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir_);
        std::ofstream out(dir_ / "cal.csv");
        out << "ID";
        for (int c = 0; c < 57; ++c) out << "," << formatFixed(10.0 * c, 2);
        out << "\n5";
        for (int c = 0; c < 57; ++c) out << "," << formatFixed(c + 0.02 * c * c + 0.1 * (c % 3), 4);
        out << "\n";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    CliRun cli(const std::string& args) {
        const auto run = talvex::testing::runProgram(
            TALVEX_CLI, talvex::testing::words("fit --data-dir " + dir_.string() + " --sheet " +
                                               (dir_ / "cal.csv").string() + " " + args));
        return {run.exitCode, run.out, run.err};
    }

    // One ModelKA sensor at ID 5 that answers at once: what the writes below go to.
    static sim::BusOptions sensorFiveBus() {
        sim::BusOptions o;
        o.sensors = {sim::defaultSensorConfig(5, SensorModel::KA)};
        o.flowmeter = false;
        o.pace = false;
        o.timing.processing = sim::Millis(0);
        return o;
    }

    std::filesystem::path dir_ =
        std::filesystem::temp_directory_path() / ("talvex_fit_cli_" + std::to_string(::getpid()));
};

TEST_F(FitCli, PrintsTheFieldsOfEachKind) {
    const CliRun piecewise = cli("--kind 2 --row 1");
    ASSERT_EQ(piecewise.exitCode, 0) << piecewise.err;
    EXPECT_EQ(piecewise.out.substr(0, piecewise.out.find('\n')), "P0 " + formatFixed(3 + 0.18, 9));
    EXPECT_NE(piecewise.out.find("\nA1 "), std::string::npos);
    EXPECT_NE(piecewise.out.find("\nR2_3 "), std::string::npos);
    EXPECT_NE(piecewise.out.find("\nR2_segment_3 "), std::string::npos);

    const CliRun json = cli("--kind 4 --row 1 --range 2,9 --json");
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\"kind\":4,\"row\":1,\"fields\":{\"ST_A\":\"", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("\"STC_a\":\"1\",\"STC_b\":\"0\"}}"), std::string::npos);

    const CliRun reference = cli("--kind 3 --row 1 --segment low --points 1,2,5");
    ASSERT_EQ(reference.exitCode, 0) << reference.err;
    EXPECT_EQ(reference.out.rfind("MID_20 ", 0), 0u);
}

TEST_F(FitCli, RefusesBeforeReadingOrWriting) {
    const char* refused[] = {
        "--kind 2",                                  // no row
        "--kind 5 --row 1",                          // no such kind
        "--kind 2 --row 1 --range 0,3",              // option of another kind
        "--kind 2 --row 1 --breakpoints 3,7,11",     // three breakpoints
        "--kind 2 --row 1 --breakpoints 3,7,,16",    // empty item
        "--kind 2 --row 1 --id 5",                   // --id without --write
        "--kind 2 --row 1 --write --dry-run",        // no --id
        "--kind 2 --row 1 --write --id 5",           // neither --port nor --dry-run
        "--kind 2 --row 1 --colour red",             // unknown option
        "--kind 2 --row 1 --row 2",                  // repeated option
        "--kind 2 --row 1 --breakpoints 7,3,11,16",  // out of order
        "--kind 4 --row 1",                          // start 0, end 0: one point
        "--kind 3 --row 1 --points 4,9,14",          // past the row's 14 points
    };
    for (const char* args : refused) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 2) << args << "\n" << run.err;
        EXPECT_TRUE(run.out.empty()) << args;
        EXPECT_FALSE(run.err.empty()) << args;
    }
}

// Damaged workbooks that once ended talvex-cli with an exception from the import library, or were
// read as good data: a clear message and exit 1, nothing on stdout.
TEST_F(FitCli, DamagedWorkbooksGiveAMessageAndExitOne) {
    for (const char* file : {"content_types_cut.xlsx", "inflate_garbage.xlsx", "crc_mismatch.xlsx",
                             "sheet_cut.xlsx", "zip_seek.ods"}) {
        const std::string path = std::string(WORKBOOK_FIXTURES) + "/damaged/" + file;
        const auto run = talvex::testing::runProgram(
            TALVEX_CLI, talvex::testing::words("fit --data-dir " + dir_.string() + " --sheet " + path +
                                               " --kind 2 --row 1"));
        EXPECT_EQ(run.exitCode, 1) << file << "\n" << run.err;
        EXPECT_TRUE(run.out.empty()) << file;
        EXPECT_NE(run.err.find(path + ": "), std::string::npos) << run.err;
    }
}

TEST_F(FitCli, WritesAsTheDialogDoes) {
    sim::SimBus bus(sensorFiveBus());
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;

    const CliRun dry = cli("--kind 4 --row 1 --range 2,9 --write --dry-run --id 5");
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_NE(dry.err.find("would commit 5 253 17"), std::string::npos) << dry.err;
    EXPECT_TRUE(bus.writeLog(5).empty());

    const CliRun unconfirmed = cli("--kind 4 --row 1 --range 2,9 --write --id 5 --port " + bus.slavePath());
    EXPECT_EQ(unconfirmed.exitCode, 2) << unconfirmed.err;
    EXPECT_TRUE(bus.writeLog(5).empty());

    const CliRun written = cli("--kind 4 --row 1 --range 2,9 --write --id 5 --yes --port " + bus.slavePath());
    ASSERT_EQ(written.exitCode, 0) << written.err;
    const auto log = bus.writeLog(5);
    ASSERT_EQ(log.size(), 12u + 1u + 8u + 1u);
    EXPECT_EQ(log[12].address, sensor::reg::kCommit);
    EXPECT_EQ(log[12].values, std::vector<std::uint16_t>{sensor::commit::kTemperatureCoefficients});
    EXPECT_EQ(log.back().values, std::vector<std::uint16_t>{sensor::commit::kTemperatureCalibration});
}

// A blank or text cell among the chosen points is refused with the file's own cell name (this sheet
// is used from B2, so sheet cell 5 of row 1 is H3), before anything is sent.
TEST_F(FitCli, RefusesAChosenCellThatIsNotANumber) {
    sim::SimBus bus(sensorFiveBus());
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;

    for (const char* bad : {"", "n/a"}) {
        {
            std::ofstream out(dir_ / "cal.csv");
            out << "\n,ID";
            for (int c = 0; c < 57; ++c) out << "," << formatFixed(10.0 * c, 2);
            out << "\n,5";
            for (int c = 0; c < 57; ++c) out << "," << (c == 5 ? bad : formatFixed(c + 0.02 * c * c, 4));
            out << "\n";
        }
        const CliRun run = cli("--kind 2 --row 1 --write --id 5 --yes --port " + bus.slavePath());
        EXPECT_EQ(run.exitCode, 2) << bad << "\n" << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_NE(run.err.find("H3"), std::string::npos) << run.err;
        EXPECT_TRUE(bus.writeLog(5).empty());
    }
}

}  // namespace
}  // namespace talvex::calibration::fitting
