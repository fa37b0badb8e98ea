// The optional-functions page's read and save against the simulated sensor, on a fake clock.
#include <gtest/gtest.h>

#include "talvex/device/option_operations.hpp"
#include "talvex/language.hpp"
#include "talvex/testing/scripted_prompter.hpp"
#include "talvex/testing/sim_fixture.hpp"

namespace talvex::device {
namespace {

using Lines = std::vector<std::string>;

class OptionOperations : public testing::SimFixture {
  protected:
    OptionOperations() { setActiveLanguage(Language::Chinese); }
    ~OptionOperations() override { setActiveLanguage(Language::English); }
    std::vector<std::uint16_t> commandsSent() const {
        std::vector<std::uint16_t> c;
        for (const auto& r : bus->writeLog(1))
            if (r.address == sensor::reg::kCommand) c.push_back(r.values.at(0));
        return c;
    }
    testing::ScriptedPrompter prompter;
    OptionSettings settings;
};

TEST_F(OptionOperations, ReadTakesEachGroupsBitsAndWritesTheLog) {
    bus->pokeRegister(1, sensor::reg::kCommand, 0x0006);  // every group reads 0x06
    std::string log;
    settings.bytes = {0xF0, 0xF0, 0xF0, 0xF0};
    EXPECT_EQ(runReadOptions(io, pacer, prompter, 1, settings, {}, &log), Outcome::Done);
    EXPECT_EQ(settings.bytes, (std::array<std::uint8_t, 4>{0xF6, 0xF6, 0xF2, 0xE6}))
        << "only named bits change";
    EXPECT_EQ(settings.switchedOn, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(
        log.substr(0, log.find("=====")),
        "压力传感器：已关闭\r\n压力传感器芯片：PRCY\r\n压力传感器量程：200Kpa\r\n压力传感器补偿：已关闭\r\n");
    EXPECT_EQ(prompter.messages, Lines{"读取成功！"});
    const Lines l = lines();
    EXPECT_EQ(Lines(l.begin(), l.begin() + 6),
              (Lines{"W 1 160 0x0100", "P 100", "R 1 160 1", "P 100", "W 1 160 0x0200", "P 100"}));

    // Moisture 0x0003: on, not shown on 485, immersed in oil.
    EXPECT_EQ(optionLogLines(2, 0x03),
              (Lines{"微水传感器：已开启", "微水传感器：浸油用", "微水传感器：不显示到485"}));
}

TEST_F(OptionOperations, SaveWithAllBytesZeroSendsTheTableInOrder) {
    EXPECT_EQ(runSaveOptions(io, pacer, prompter, 1, settings), Outcome::Done);
    EXPECT_EQ(commandsSent(),
              (std::vector<std::uint16_t>{0x0101, 0x0104, 0x0106, 0x0108, 0x0201, 0x0204, 0x0206, 0x0301,
                                          0x0304, 0x0402, 0x0404, 0x0406, 0x0408, 0x0410}));
    EXPECT_EQ(prompter.messages, Lines{"保存成功！"});
    const Lines l = lines();
    EXPECT_EQ(Lines(l.begin(), l.begin() + 6),
              (Lines{"W 1 160 0x0101", "P 1000", "R 1 160 1", "W 1 160 0x0104", "P 200", "R 1 160 1"}));
}

TEST_F(OptionOperations, NotFittedIsANoticeAndTheSaveGoesOn) {
    bus->model().withSensor(1, [](sim::Sensor& s) { s.setNotFitted(true, false); });
    settings.bytes[0] = 0x02;  // PRCY
    EXPECT_EQ(runSaveOptions(io, pacer, prompter, 1, settings), Outcome::Done);
    const auto sent = commandsSent();
    EXPECT_EQ(std::vector<std::uint16_t>(sent.begin(), sent.begin() + 2),
              (std::vector<std::uint16_t>{0x0101, 0x0103}))
        << "the notice at once, no repeat";
    EXPECT_EQ(prompter.messages, (Lines{"压力传感器，不支持的硬件！", "保存成功！"}));
}

TEST_F(OptionOperations, AnAcknowledgementOnTheSecondTryIsSilent) {
    settings.bytes[0] = 0x04;  // 200 kPa: 0x0105
    bus->model().withSensor(1, [](sim::Sensor& s) { s.ignoreCommandOnce(0x0105); });
    EXPECT_EQ(runSaveOptions(io, pacer, prompter, 1, settings), Outcome::Done);
    const auto sent = commandsSent();
    EXPECT_EQ(std::vector<std::uint16_t>(sent.begin() + 2, sent.begin() + 5),
              (std::vector<std::uint16_t>{0x0105, 0x0105, 0x0108}));
    EXPECT_EQ(prompter.messages, Lines{"保存成功！"});
}

TEST_F(OptionOperations, AFailedRowIsRepeatedOnceThenNamedByItsNumber) {
    bus->pokeRegister(1, sensor::reg::kCommand, 0);
    EXPECT_EQ(runSaveOptions(io, pacer, prompter, 1, settings), Outcome::Refused);
    EXPECT_EQ(commandsSent(), (std::vector<std::uint16_t>{0x0101, 0x0101}));
    EXPECT_EQ(prompter.messages, Lines{"保存失败101！"});
    EXPECT_EQ(settings.bytes, (std::array<std::uint8_t, 4>{})) << "a save does not change the bytes";
}

}  // namespace
}  // namespace talvex::device
