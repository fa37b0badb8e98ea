// talvex-cli import as a script runs it: the dry run's register lines in sending order, values
// refused before anything is sent, naming their cell, and a write's confirmations on stderr.
#include <gtest/gtest.h>

#include <memory>

#include "talvex/language.hpp"
#include "talvex/production/import_record.hpp"
#include "talvex/production/readout.hpp"
#include "talvex/production/texts.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"
#include "talvex/testing/temp_dir.hpp"
#include "talvex/workbook/reader.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::production {
namespace {

using talvex::testing::ProgramRun;

// A production export whose value column holds numbers the blocks accept; row r of the read-out is
// workbook row r + 1.
std::string exportWith(const talvex::testing::TempDir& dir, int row, const std::string& value) {
    std::vector<std::string> values(kReadoutRows, "0");
    values[6 - 1] = "2026-08-15";  // PD date as a sensor shows it
    values[39 - 1] = "2301";       // core batch
    values[row - 1] = value;
    const std::string path = dir.file("record.xlsx");
    EXPECT_TRUE(workbook::writeList(exportList(values), path, OutputRule{true}).ok());
    return path;
}

ProgramRun cli(std::vector<std::string> args) {
    args.insert(args.begin(), "import");
    return talvex::testing::runProgram(TALVEX_CLI, std::move(args));
}

TEST(CliImport, DryRunPrintsTheWritesOfEachBlockInSendingOrder) {
    talvex::testing::TempDir dir;
    const ProgramRun r = cli({exportWith(dir, 1, "M1"), "--blocks", "core-temperature,equation", "--dry-run",
                              "--data-dir", dir.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(r.out.substr(at, end - at));
    ASSERT_EQ(lines.size(),
              (1u + 24 + 1) + (1u + 2 + 9 * 4 + 4 * 2 + 1));  // heading, staged registers, commit
    // The blocks go in the continued write's order, whatever the order of the list.
    EXPECT_EQ(lines[0], "# equation");
    EXPECT_EQ(lines[1], "83 0x0815");
    EXPECT_EQ(lines[2], "84 0x2026");
    EXPECT_EQ(lines[47], "253 0x03EB");
    EXPECT_EQ(lines[48], "# core-temperature");
    EXPECT_EQ(lines[49], "19 0x015F");
    EXPECT_EQ(lines[50], "20 0x1AD0");
    EXPECT_EQ(lines[72], "190 0x0000");
    EXPECT_EQ(lines.back(), "253 0x03EA");
}

TEST(CliImport, RefusedValuesExitTwoNamingTheirCell) {
    talvex::testing::TempDir dir;
    struct Case {
        int row;  // read-out row
        const char* value;
        const char* block;
        const char* cell;
    };
    const Case cases[] = {
        {40, "300000", "core-temperature", "[C41]"},  // Zero_50C beyond s32 x 10^4
        {6, "2026-02-30", "equation", "[C7]"},        // no such day
        {22, "", "calibration-range", "[C23]"},       // RHigh empty
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        const ProgramRun r = cli({exportWith(dir, c.row, c.value), "--blocks", c.block, "--port",
                                  "/dev/ttyTalvexNone", "--id", "1", "--data-dir", dir.path()});
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find(c.cell), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(cli({dir.file("record.xlsx"), "--blocks", "no-such-block", "--dry-run"}).exitCode, 2);
    EXPECT_EQ(cli({dir.file("record.xlsx"), "--dry-run"}).exitCode, 2);  // nothing chosen
}

TEST(CliImport, EachBlockIsConfirmedOnStderrUnderTheCommandsOwnPrefix) {
    talvex::sim::BusOptions o;
    o.sensors = {talvex::sim::defaultSensorConfig(1, SensorModel::KA)};
    o.flowmeter = false;
    o.pace = false;
    talvex::sim::SimBus bus(o);
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;
    talvex::testing::TempDir dir;
    const std::string file = exportWith(dir, 1, "M1");
    // The data directory speaks English, as this test's expected texts do.
    ASSERT_EQ(
        talvex::testing::runProgram(TALVEX_CLI, {"language", "English", "--data-dir", dir.path()}).exitCode,
        0);

    // Without --yes and without a terminal the questions cannot be answered: refused, nothing sent.
    const std::vector<std::string> args{file,   "--blocks", "equation",   "--port",  bus.slavePath(),
                                        "--id", "1",        "--data-dir", dir.path()};
    const ProgramRun refused = cli(args);
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_EQ(refused.err, "talvex-cli import: --yes is needed when standard input is not a terminal\n");
    EXPECT_TRUE(bus.writeLog(1).empty());

    auto withYes = args;
    withYes.push_back("--yes");
    const ProgramRun r = cli(withYes);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ImportBlock& equation = *findImportBlock("equation");
    const auto read = workbook::readFirstSheet(file);
    ASSERT_TRUE(read.ok());
    const PreparedBlock prepared = prepareBlock(equation, importFromSheet(read.sheet));
    ASSERT_TRUE(prepared.ok()) << prepared.error;
    const Language was = activeLanguage();
    setActiveLanguage(Language::English);
    const std::string expected = "talvex-cli import: " + confirmationText(equation, prepared) + " [y/N] y\n" +
                                 "talvex-cli import: " + text("IDS_Prod_WriteOk") + "\n";
    setActiveLanguage(was);
    EXPECT_EQ(r.err, expected);
    const auto told = bus.writeLog(1);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().address, sensor::reg::kCommit);
    EXPECT_EQ(told.back().values, std::vector<std::uint16_t>{equation.commitCode});
}

TEST(CliImport, AChainWithNoEnabledChannelIsRefused) {
    talvex::testing::TempDir dir;
    const std::string record = exportWith(dir, 1, "M1");
    // A Config.ini whose one enabled channel is switched off.
    ASSERT_EQ(talvex::testing::runProgram(TALVEX_CLI, {"channels", "--data-dir", dir.path()}).exitCode, 0);
    const std::string config = dir.file("Config.ini");
    std::string text = talvex::testing::readBytes(config);
    const auto at = text.find("Node1=1,5,1");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 11, "Node1=1,5,0");
    talvex::testing::writeBytes(config, text);
    for (const bool dryRun : {true, false}) {
        std::vector<std::string> args = {record, "--blocks", "oil-gas", "--chain", "--data-dir", dir.path()};
        if (dryRun)
            args.push_back("--dry-run");
        else
            args.insert(args.end(), {"--port", "/dev/ttyTalvexNone"});
        const ProgramRun r = cli(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find("no channel is enabled"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

}  // namespace
}  // namespace talvex::production
