// talvex-cli production and item against the simulator: the sensor's texts are GBK whatever their
// bytes look like, on stdout and in the workbook, and the workbook is the same in every language.
#include <gtest/gtest.h>

#include <memory>

#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"
#include "talvex/testing/temp_dir.hpp"
#include "talvex/workbook/reader.hpp"

namespace talvex::production {
namespace {

using talvex::testing::ProgramRun;
using talvex::testing::TempDir;

class CliProduction : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::BusOptions o;
        o.sensors = {sim::defaultSensorConfig(1, SensorModel::KA)};
        o.flowmeter = false;
        o.pace = false;
        o.timing.processing = sim::Millis(0);
        bus = std::make_unique<sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus->start(&error)) << error;
        talvex::testing::writeBytes(english.file("setting.ini"), "[Setting]\r\nLanguage=English\r\n");
        talvex::testing::writeBytes(chinese.file("setting.ini"), "[Setting]\r\nLanguage=Chinese\r\n");
    }
    // The command against sensor 1, with --data-dir for the commands that take one.
    ProgramRun cli(std::vector<std::string> args, const TempDir* dataDir = nullptr) {
        args.insert(args.end(), {"--port", bus->slavePath(), "--id", "1"});
        if (dataDir) args.insert(args.end(), {"--data-dir", dataDir->path()});
        return talvex::testing::runProgram(TALVEX_CLI, std::move(args));
    }
    std::unique_ptr<sim::SimBus> bus;
    TempDir english, chinese;
};

// 韦伟 and 专业为之 have GBK bytes that are valid UTF-8 ("Τΰ", Hebrew and Cyrillic letters as such).
TEST_F(CliProduction, GbkTextsReadBackAsWrittenAndTheWorkbookIsTheSameInEveryLanguage) {
    const ProgramRun set = cli({"set-text", "--code", "2573", "专业为之"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    for (const TempDir* dataDir : {&english, &chinese}) {
        const std::string xlsx = dataDir->file("record.xlsx");
        const ProgramRun r = cli({"production", "--sign", "韦伟", "--xlsx", xlsx}, dataDir);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("\n2\t产品编号\t专业为之\t"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\n7\t标定人员\t韦伟\t"), std::string::npos) << r.out;

        const workbook::ReadResult book = workbook::readFirstSheet(xlsx);
        ASSERT_TRUE(book.ok()) << book.detail;
        const workbook::Sheet& s = book.sheet;
        EXPECT_EQ(std::vector<std::string>(
                      {s.cellText(1, 1), s.cellText(1, 2), s.cellText(1, 3), s.cellText(1, 4)}),
                  std::vector<std::string>({"序号", "参数", "数值", "备注"}));
        EXPECT_EQ(s.cellText(3, 3), "专业为之");  // row 2 of the read-out
        EXPECT_EQ(s.cellText(8, 3), "韦伟");      // row 7
    }
    const ProgramRun item = cli({"item", "2550"});
    EXPECT_EQ(item.exitCode, 0) << item.err;
    EXPECT_EQ(item.out, "2550 韦伟\n");
}

// A sensor that stops answering gives no rows at all, and the row it stopped at is named.
TEST_F(CliProduction, ASilentSensorPrintsNoRowsAndNamesTheFirstFailedOne) {
    sim::Faults silent;
    silent.silent = {1};
    bus->setFaults(silent);
    for (const bool json : {false, true}) {
        std::vector<std::string> args{"production"};
        if (json) args.push_back("--json");
        const ProgramRun r = cli(args, &english);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(
            r.err,
            "talvex-cli production: row 1 (产品型号) was not read: communication error; nothing printed\n");
    }
}

// A production record saved as CSV by a spreadsheet application in a Chinese locale: GBK, no mark.
// Rows of the read-out (texts in rows 1-4) under a header; value is the text of read-out row 2.
std::string gbkRecord(const std::string& productNumber) {
    std::string csv = "No,Parameter,Value,Remark\r\n";
    const std::string texts[] = {"M-KA\xC7\xE2", productNumber, "PCB\xCE\xA4\xCE\xB0",
                                 "C\xD6\xAE"};  // 氢 韦伟 之
    for (int row = 1; row <= 53; ++row)
        csv += std::to_string(row) + ",p,\"" + (row <= 4 ? texts[row - 1] : "0") + "\",r\r\n";
    return csv;
}

TEST_F(CliProduction, AGbkCsvImportsItsTextsAsWrittenOrIsRefusedNamingTheCell) {
    const std::string file = english.file("record.csv");
    talvex::testing::writeBytes(file, gbkRecord("\xD7\xA8\xD2\xB5\xCE\xAA\xD6\xAE"));  // 专业为之
    const ProgramRun r = cli({"import", file, "--texts"}, &english);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ProgramRun read = cli({"production"}, &english);
    EXPECT_NE(read.out.find("1\t产品型号\tM-KA氢\t"), std::string::npos) << read.out;
    EXPECT_NE(read.out.find("\n2\t产品编号\t专业为之\t"), std::string::npos) << read.out;
    EXPECT_NE(read.out.find("\n3\tPCB编号\tPCB韦伟\t"), std::string::npos) << read.out;
    EXPECT_NE(read.out.find("\n4\t芯体编号\tC之\t"), std::string::npos) << read.out;

    // A byte that is neither GBK nor UTF-8: nothing is sent, the cell is named; never "M-KA????".
    bus->clearWriteLog(1);
    talvex::testing::writeBytes(file, gbkRecord("D\xFF"));
    const ProgramRun refused = cli({"import", file, "--texts"}, &english);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("C3"), std::string::npos) << refused.err;
    EXPECT_TRUE(bus->writeLog(1).empty());
}

}  // namespace
}  // namespace talvex::production
