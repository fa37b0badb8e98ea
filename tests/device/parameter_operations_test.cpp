// The device parameters page's operations against the simulated sensor, on a fake clock.
#include <gtest/gtest.h>

#include <map>

#include "talvex/device/parameter_operations.hpp"
#include "talvex/language.hpp"
#include "talvex/testing/scripted_prompter.hpp"
#include "talvex/testing/sim_fixture.hpp"

namespace talvex::device {
namespace {

using Lines = std::vector<std::string>;
namespace reg = sensor::reg;

class ParameterOperations : public testing::SimFixture {
  protected:
    ParameterOperations() { setActiveLanguage(Language::English); }
    std::vector<std::pair<std::uint16_t, std::vector<std::uint16_t>>> writes() const {
        std::vector<std::pair<std::uint16_t, std::vector<std::uint16_t>>> w;
        for (const auto& r : bus->writeLog(1)) w.emplace_back(r.address, r.values);
        return w;
    }
    testing::ScriptedPrompter prompter;
};

TEST_F(ParameterOperations, ReadFillsEveryBoxInPageOrder) {
    bus->pokeRegister(1, reg::kAnalogHigh, 2050);
    bus->pokeRegister(1, reg::kAlarmOilTemperature, 8550);
    std::vector<ParameterField> order;
    std::map<ParameterField, std::string> boxes;
    EXPECT_EQ(readDeviceParameters(io, pacer, 1,
                                   [&](ParameterField f, const std::string& t) {
                                       order.push_back(f);
                                       boxes[f] = t;
                                   }),
              Outcome::Done);
    ASSERT_EQ(order.size(), static_cast<std::size_t>(kParameterFieldCount));
    for (int i = 0; i < kParameterFieldCount; ++i) EXPECT_EQ(static_cast<int>(order[i]), i);
    EXPECT_EQ(boxes[ParameterField::RangeHigh], "2000");
    EXPECT_EQ(boxes[ParameterField::AnalogLow], "4.0");
    EXPECT_EQ(boxes[ParameterField::AnalogHigh], "20.5");
    EXPECT_EQ(boxes[ParameterField::AlarmOilTemperature], "85");
    EXPECT_EQ(boxes[ParameterField::Firmware], "V2.6.0");
    EXPECT_EQ(boxes[ParameterField::OilTypeKa], "0.05");
    const Lines l = lines();
    EXPECT_EQ(Lines(l.begin(), l.begin() + 4), (Lines{"R 1 141 2", "P 100", "R 1 143 2", "P 100"}));
}

TEST_F(ParameterOperations, ReadStopsAtAnItemThatFailsItsAcknowledgementTwice) {
    bus->pokeRegister(1, reg::kTextItem, 0);
    std::vector<ParameterField> filled;
    EXPECT_EQ(readDeviceParameters(io, pacer, 1,
                                   [&](ParameterField f, const std::string&) { filled.push_back(f); }),
              Outcome::Refused);
    EXPECT_EQ(filled.back(), ParameterField::SerialNumber) << "boxes filled so far keep their values";
}

TEST_F(ParameterOperations, GroupWritesEncodeTheBoxesOrRefuseBeforeSending) {
    runGroupWrite(io, pacer, prompter, 1, planRange("0", "100000"));
    runGroupWrite(io, pacer, prompter, 1, planAnalogOutputs({"4.0", "20.5", "3", "3.5"}));
    runGroupWrite(io, pacer, prompter, 1, planAlarms("500", "-5", "85"));
    EXPECT_EQ(writes(), (std::vector<std::pair<std::uint16_t, std::vector<std::uint16_t>>>{{141, {0}},
                                                                                           {142, {0}},
                                                                                           {143, {1}},
                                                                                           {144, {34464}},
                                                                                           {145, {400}},
                                                                                           {146, {2050}},
                                                                                           {147, {300}},
                                                                                           {148, {350}},
                                                                                           {152, {0}},
                                                                                           {153, {500}},
                                                                                           {154, {0xFFFF}},
                                                                                           {155, {0xFFFB}},
                                                                                           {156, {8500}}}));
    EXPECT_EQ(prompter.messages, Lines(3, GetText("IDS_WriteSuccess")));

    // Junk in any box: a message naming the box, and nothing sent.
    bus->clearWriteLog(1);
    prompter.messages.clear();
    const WritePlan plans[] = {planRange("0", "abc"),
                               planRange("-1", "10"),
                               planAnalogOutputs({"4", "", "3", "3"}),
                               planAnalogOutputs({"4", "20", "nan", "3"}),
                               planAlarms("500", "1e400", "85"),
                               planAlarms("500", "5", "700")};
    for (const WritePlan& p : plans) runGroupWrite(io, pacer, prompter, 1, p);
    EXPECT_TRUE(writes().empty());
    ASSERT_EQ(prompter.messages.size(), std::size(plans));
    EXPECT_NE(prompter.messages[1].find(GetText("IDS_Tab_Parameters_MeasurementRange")), std::string::npos);
    EXPECT_NE(prompter.messages[2].find(GetText("IDS_Tab_Parameters_Rhigh")), std::string::npos);
}

TEST_F(ParameterOperations, CoefficientPairAsksWithBothValuesThenCommits) {
    prompter.answers = {false};
    runCoefficientPair(io, pacer, prompter, 1, sensor::commit::kMoisture, "1.5", "-0.25");
    EXPECT_EQ(prompter.questions, Lines{"Set AwAvg_Ka  = 1.5000\r\n Set AwAvg_Kb  = -0.2500\r\n "});
    EXPECT_TRUE(writes().empty()) << "cancelled";

    runCoefficientPair(io, pacer, prompter, 1, sensor::commit::kMoisture, "1.5", "-0.25");
    EXPECT_EQ(prompter.messages, Lines{GetText("IDS_WriteSuccess")});
    bus->pokeRegister(1, reg::kCommit, 1234);
    runCoefficientPair(io, pacer, prompter, 1, sensor::commit::kPressure, "101.3", "0.5");
    EXPECT_EQ(prompter.messages.back(), GetText("IDD_Message_SetFailed"));
    const auto asked = prompter.questions.size();
    runCoefficientPair(io, pacer, prompter, 1, sensor::commit::kOilGas, "1.5", "1e10");
    EXPECT_EQ(prompter.questions.size(), asked) << "an out-of-range value is refused before asking";
}

TEST_F(ParameterOperations, OperationModeAsksThenWritesTheModeAndTheClock) {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = 9;
    t.tm_min = 30;
    t.tm_sec = 5;
    runOperationMode(io, pacer, prompter, 1, 1, t);
    EXPECT_EQ(lines(), (Lines{"W 1 151 0x1001", "W 1 130 0x1208", "P 100", "W 1 131 0x2026", "P 100",
                              "W 1 132 0x0009", "P 100", "W 1 133 0x3005", "P 100"}));
    EXPECT_EQ(prompter.messages, Lines{GetText("IDS_WriteSuccess")});
    transcript.clear();
    runOperationMode(io, pacer, prompter, 1, 2, t);  // no third entry
    EXPECT_TRUE(lines().empty());
}

TEST_F(ParameterOperations, WirelessReadBacksAndSensorId) {
    // Interval 65 s: writes 6, confirmed once the sensor reads back 60.
    EXPECT_EQ(sendIntervalTick(io, pacer, 1, 65), std::optional<bool>(true));
    EXPECT_EQ(lines(), (Lines{"W 1 10 0x0006", "P 200", "R 1 10 1"}));
    writeEnergy(io, 1, 80);
    bus->pokeRegister(1, reg::kEnergy, 79);
    EXPECT_EQ(energyConfirmed(io, 1, 80), std::optional<bool>(true));
    bus->pokeRegister(1, reg::kEnergy, 78);
    EXPECT_EQ(energyConfirmed(io, 1, 80), std::optional<bool>(false));
    EXPECT_FALSE(parseEnergy("101").ok());
    EXPECT_FALSE(parseSendInterval("9").ok());

    EXPECT_EQ(parseSensorId("247"), 247);
    EXPECT_FALSE(parseSensorId("248"));
    EXPECT_FALSE(parseSensorId("0"));
    EXPECT_FALSE(parseSensorId("12x"));
}

TEST_F(ParameterOperations, RestoreFactoryOnlyAfterOk) {
    prompter.answers = {false, true};
    runRestoreFactory(io, pacer, prompter, 1);
    EXPECT_TRUE(lines().empty());
    runRestoreFactory(io, pacer, prompter, 1);
    EXPECT_EQ(lines(), (Lines{"W 1 123 0x0002", "P 100"}));
    EXPECT_EQ(prompter.messages, Lines{GetText("IDS_Tab_Parameters_FactoryRestored")});
}

}  // namespace
}  // namespace talvex::device
