// The production page's operations against the simulated sensors on a pty, on a fake clock: the
// read-out, signing on a fixed date, the signature rule, the chain over enabled channels and the
// temperature calibration's preconditions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "talvex/language.hpp"
#include "talvex/production/chain.hpp"
#include "talvex/production/import_ops.hpp"
#include "talvex/production/import_record.hpp"
#include "talvex/production/production_ops.hpp"
#include "talvex/production/readout.hpp"
#include "talvex/production/signing.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/testing/scripted_prompter.hpp"
#include "talvex/testing/sim_fixture.hpp"
#include "talvex/testing/temp_dir.hpp"
#include "talvex/workbook/reader.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::production {
namespace {

using Lines = std::vector<std::string>;
using talvex::testing::ScriptedPrompter;

class Production : public talvex::testing::SimFixture {
  protected:
    Production()
        : SimFixture({sim::defaultSensorConfig(1, SensorModel::KA),
                      sim::defaultSensorConfig(2, SensorModel::KA),
                      sim::defaultSensorConfig(3, SensorModel::KA)}) {
        setActiveLanguage(Language::Chinese);
    }
    ScriptedPrompter prompter;
};

TEST_F(Production, ReadOutFillsTheFiftyThreeRowsInOrder) {
    std::vector<int> order;
    ReadoutResult r = readOut(io, pacer, 1, [&](int row, const std::string&) { order.push_back(row); });
    ASSERT_TRUE(r.complete());
    EXPECT_EQ(order.size(), 53u);
    EXPECT_EQ(order.front(), 1);
    EXPECT_EQ(order.back(), 53);
    const Lines l = lines();
    // Rows 1-5 read the identity registers, then row 6 reads item 2549 through the text window.
    EXPECT_EQ(Lines(l.begin(), l.begin() + 12),
              (Lines{"R 1 31 10", "P 100", "R 1 41 10", "P 100", "R 1 71 10", "P 100", "R 1 51 10", "P 100",
                     "R 1 89 10", "P 100", "W 1 254 0x09F5", "P 100"}));
    // Row 28 follows row 27 with 2576 (2571-2575 are write codes); row 53 is 2608.
    EXPECT_EQ(readoutRows()[27].source, 2576);
    EXPECT_EQ(readoutRows()[52].source, 2608);
    EXPECT_EQ(readoutRows()[52].label, "DC");
    EXPECT_NE(std::find(l.begin(), l.end(), "W 1 254 0x0A30"), l.end());  // 2608
}

TEST_F(Production, ReadOutStopsAtTheFirstFailingRow) {
    ReadoutResult r = readOut(io, pacer, 9, {});  // nobody answers at 9
    EXPECT_EQ(r.failedRow, 1);
    EXPECT_EQ(r.values[0], "NULL");
    EXPECT_EQ(r.values[1], "");
    EXPECT_EQ(rowFailureText(r.failedRow), "通信错误00！");
    EXPECT_EQ(rowFailureText(53), "通信错误52！");
}

TEST_F(Production, SigningWritesTheNameThenTheDateAsBcd) {
    std::tm day{};
    day.tm_year = 2026 - 1900;
    day.tm_mon = 11;
    day.tm_mday = 8;
    SignResult s = sign(io, pacer, 1, "张三", day);
    EXPECT_EQ(s.outcome, SignOutcome::Signed);
    EXPECT_EQ(s.message, "签字成功！");
    const Lines l = lines();
    ASSERT_GE(l.size(), 26u);
    EXPECT_EQ(l[0], "W 1 191 0xC5D5");  // GBK of 张, low byte first
    EXPECT_EQ(l[1], "P 10");
    EXPECT_EQ(Lines(l.end() - 6, l.end()),
              (Lines{"W 1 254 0x0A0B", "P 10", "W 1 83 0x1208", "P 100", "W 1 84 0x2026", "P 100"}));
}

TEST_F(Production, SignerNamesThatDoNotFitAreRefusedBeforeSending) {
    std::tm day{};
    for (const char* name : {"", "一二三四五六七八九十一", "abcdefghijklmnopqrstu"}) {
        SignResult s = sign(io, pacer, 1, name, day);
        EXPECT_EQ(s.outcome, SignOutcome::NameRefused) << name;
        EXPECT_FALSE(s.message.empty());
    }
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(sign(io, pacer, 1, "一二三四五六七八九十", day).outcome,
              SignOutcome::Signed);  // exactly 20 bytes
}

TEST(SignatureGate, EveryExportUsesUpItsSignature) {
    SignatureGate gate;
    EXPECT_FALSE(gate.takeForExport());
    gate.markSigned();
    EXPECT_TRUE(gate.takeForExport());
    EXPECT_FALSE(gate.takeForExport()) << "a second export needs a second signature";
}

TEST_F(Production, ChainRunsOverEnabledChannelsInChannelOrder) {
    ChannelTable channels;
    channels.set(2, {3, 1, 1});
    channels.set(5, {2, 1, 0});  // disabled: skipped
    channels.set(7, {1, 1, 1});
    channels.set(9, {2, 1, 1});
    Targets t{chainTargets(channels), true};
    ASSERT_EQ(t.ids, (std::vector<int>{3, 1, 2}));
    const RunModeEntry& heatingOff = runModeEntries()[3];
    EXPECT_EQ(startRunMode(io, pacer, prompter, heatingOff, t), 4);
    EXPECT_EQ(prompter.messages, (Lines{"ID: 3   设置成功！", "ID: 1   设置成功！", "ID: 2   设置成功！"}));
    EXPECT_EQ(lines(), (Lines{"W 3 160 0x0004", "P 10", "R 3 160 1", "W 1 160 0x0004", "P 10", "R 1 160 1",
                              "W 2 160 0x0004", "P 10", "R 2 160 1"}));
}

TEST_F(Production, ARunModeRefusedInTheChainIsOfferedWithRetryAndCancel) {
    // Sensor 2 ignores the first heating-off command; the operator retries it, then a second run
    // meets the same refusal and is cancelled.
    const RunModeEntry& heatingOff = runModeEntries()[3];
    const Targets t{{1, 2}, true};
    for (const bool retry : {true, false}) {
        SCOPED_TRACE(retry);
        bus->model().withSensor(2, [](sim::Sensor& s) { s.ignoreCommandOnce(sensor::runmode::kHeatingOff); });
        // Another run mode first, so 160 does not still read heating off's acknowledgement.
        ASSERT_EQ(io.writeSingle(2, sensor::reg::kCommand, sensor::runmode::kUser), 0);
        transcript.clear();
        prompter.messages.clear();
        prompter.questions.clear();
        prompter.retries.clear();
        prompter.answers = {retry};
        startRunMode(io, pacer, prompter, heatingOff, t);
        EXPECT_TRUE(prompter.questions.empty()) << "no OK/Cancel question";
        EXPECT_EQ(prompter.retries, Lines{"ID: 2   设置失败！"});
        Lines expected = {"W 1 160 0x0004", "P 10", "R 1 160 1", "W 2 160 0x0004", "P 10", "R 2 160 1"};
        if (retry) expected.insert(expected.end(), {"W 2 160 0x0004", "P 10", "R 2 160 1"});
        EXPECT_EQ(lines(), expected);
        const Lines told =
            retry ? Lines{"ID: 1   设置成功！", "ID: 2   设置成功！"} : Lines{"ID: 1   设置成功！"};
        EXPECT_EQ(prompter.messages, told);
    }
}

TEST_F(Production, TheSignatureRowsAreReadAgainAsTheReadOutReadsThem) {
    std::tm day{};
    day.tm_year = 2026 - 1900;
    day.tm_mon = 11;
    day.tm_mday = 8;
    ASSERT_EQ(sign(io, pacer, 1, "王五", day).outcome, SignOutcome::Signed);
    transcript.clear();
    std::vector<std::pair<int, std::string>> shown;
    const ReadoutResult r = readRows(io, pacer, 1, kDataDateRow, kSignerRow,
                                     [&](int row, const std::string& v) { shown.emplace_back(row, v); });
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(shown, (std::vector<std::pair<int, std::string>>{{6, "2026-12-08"}, {7, "王五"}}));
    EXPECT_EQ(lines(), (Lines{"W 1 254 0x09F5", "P 100", "R 1 191 10", "P 100", "R 1 254 1", "W 1 254 0x09F6",
                              "P 100", "R 1 191 10", "P 100", "R 1 254 1"}));
}

TEST_F(Production, TemperatureCalibrationNeedsHeatingOffAndAPoint) {
    EXPECT_FALSE(
        calibrateTemperature(io, pacer, prompter, 1, CalibrationPoint::First, "25", Targets::single(1)));
    EXPECT_FALSE(
        calibrateTemperature(io, pacer, prompter, 4, CalibrationPoint::None, "25", Targets::single(1)));
    EXPECT_EQ(prompter.messages[0], "请先关闭加热！");
    EXPECT_EQ(prompter.messages[1], "请先选择：\n    第1点校准 或是 第2点校准！");
    EXPECT_TRUE(lines().empty());

    EXPECT_TRUE(
        calibrateTemperature(io, pacer, prompter, 4, CalibrationPoint::First, "25", Targets::single(1)));
    EXPECT_EQ(prompter.questions, (Lines{"确定校准？"}));
    EXPECT_EQ(prompter.messages.back(), "温度校准成功！");
    EXPECT_EQ(lines(), (Lines{"W 1 19 0x0000", "P 100", "W 1 20 0x0005", "P 100", "W 1 21 0xD21D", "P 100",
                              "W 1 22 0xBA00", "P 100", "W 1 253 0x0044", "P 100", "P 1000", "R 1 253 1"}));
}

// Every default of the simulated sensor fits the encoding the program writes it with: its own
// production export imports back with every block and the identity texts, and reads out the same.
TEST_F(Production, TheSimulatorsOwnExportImportsBackWithEveryBlock) {
    const ReadoutResult before = readOut(io, pacer, 1);
    ASSERT_TRUE(before.complete());
    talvex::testing::TempDir dir;
    const std::string path = (dir / "D1.xlsx").string();
    ASSERT_TRUE(workbook::writeList(exportList(before.values), path, OutputRule{}).ok());
    const auto sheet = workbook::readFirstSheet(path);
    ASSERT_TRUE(sheet.ok());
    const ImportRecord record = importFromSheet(sheet.sheet);

    for (const IdentityText& t : identityTexts())
        EXPECT_EQ(writeIdentityText(io, pacer, prompter, 1, t, record.texts[importFieldIndex(t.field)]),
                  WriteOutcome::Done)
            << t.field;
    for (const ImportBlock& block : importBlocks()) {
        const PreparedBlock prepared = prepareBlock(block, record);
        EXPECT_TRUE(prepared.ok()) << block.cliName << ": " << prepared.error;
        EXPECT_EQ(writeBlock(io, pacer, prompter, block, record, WriteTargets{}, true), WriteOutcome::Done)
            << block.cliName;
    }

    const ReadoutResult after = readOut(io, pacer, 1);
    ASSERT_TRUE(after.complete());
    for (int row = 0; row < kReadoutRows; ++row) {
        // The sensor renders a value it was written in its own way ("0.000" comes back "0.0").
        const std::string& was = before.values[row];
        const std::string& is = after.values[row];
        char* end = nullptr;
        const double a = std::strtod(was.c_str(), &end);
        if (was.empty() || *end != '\0') {
            EXPECT_EQ(is, was) << "row " << row + 1;
            continue;
        }
        EXPECT_NEAR(std::strtod(is.c_str(), nullptr), a, 1e-6 * std::max(1.0, std::abs(a)))
            << "row " << row + 1 << ": " << was << " -> " << is;
    }
}

}  // namespace
}  // namespace talvex::production
