// The device parameters and optional functions pages against the simulated bus: what the buttons
// send, what the boxes show, the closed port, and the read-back wait.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "device_parameters_page.hpp"
#include "optional_functions_page.hpp"
#include "pages_fixture.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/core/operation_runner.hpp"

namespace talvex::ui {
namespace {

using device::ParameterField;
using talvex::testing::child;
using testing::SimulatedLink;
using testing::text;

// Clicks b and waits until the page's operation has finished.
template <class PageType>
void clickAndWait(PageType& page, QPushButton* b) {
    QSignalSpy done(&page, &PageType::operationFinished);
    b->click();
    ASSERT_TRUE(done.wait(10000));
}

std::vector<std::uint16_t> commands(sim::SimBus& bus) {
    std::vector<std::uint16_t> c;
    for (const auto& r : bus.writeLog(1))
        if (r.address == sensor::reg::kCommand) c.push_back(r.values.at(0));
    return c;
}

class DevicePageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(link.opened);
        page.runner().setPacer(&pacer);  // the pauses pass at once; the sensor answers at once too
    }
    QPushButton* button(const QString& name) { return child<QPushButton>(&page, name); }
    QLineEdit* edit(const QString& name) { return child<QLineEdit>(&page, name); }
    QLineEdit* field(ParameterField f) {
        const std::string_view name = device::parameterFieldName(f);
        return edit(QStringLiteral("field.") + QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
    // True when a read-back wait was running (stopping it ends it, unconfirmed).
    bool stopWaitIfRunning() {
        QSignalSpy ended(&page, &CVelPageSet::waitEnded);
        page.stopWaiting();
        return !ended.isEmpty();
    }

    SimulatedLink link{1};
    FakePacer pacer;
    CVelPageSet page{link.ctx};
};

TEST_F(DevicePageTest, ReadFillsTheBoxesAndWritesSendWhatTheBoxesSay) {
    link.connect();
    clickAndWait(page, button("readButton"));
    EXPECT_EQ(field(ParameterField::RangeHigh)->text(), "2000");
    EXPECT_EQ(field(ParameterField::AnalogLow)->text(), "4.0");
    EXPECT_EQ(field(ParameterField::OilTypeKa)->text(), "0.05");
    EXPECT_EQ(edit("sensorIdEdit")->text(), "1");
    EXPECT_TRUE(link.prompter.messages.isEmpty());

    link.bus->clearWriteLog(1);
    field(ParameterField::RangeLow)->setText("0");
    field(ParameterField::RangeHigh)->setText("100000");
    clickAndWait(page, button("writeRangeButton"));
    EXPECT_EQ(link.prompter.messages.last(), text("IDS_WriteSuccess"));
    std::vector<std::uint16_t> range;
    for (const auto& r : link.bus->writeLog(1)) range.push_back(r.values.at(0));
    EXPECT_EQ(range, (std::vector<std::uint16_t>{0, 0, 1, 34464}));
}

TEST_F(DevicePageTest, JunkAndOutOfRangeIdsAreRefusedWithoutSending) {
    link.connect();
    field(ParameterField::AnalogLow)->setText("4..0");
    clickAndWait(page, button("writeAnalogButton"));
    EXPECT_TRUE(link.prompter.messages.last().contains(text("IDS_Tab_Parameters_Rlow")));
    for (const char* id : {"248", "0", "x"}) {
        edit("sensorIdEdit")->setText(id);
        button("changeIdButton")->click();
        EXPECT_EQ(link.prompter.messages.last(), text("IDD_Message_EnterInteger"));
    }
    EXPECT_TRUE(link.bus->writeLog(1).empty());
}

TEST_F(DevicePageTest, WithThePortClosedEveryButtonSaysSoAndSendsNothing) {
    edit("energyEdit")->setText("80");
    edit("intervalEdit")->setText("60");
    edit("sensorIdEdit")->setText("5");
    for (const QString& name : {QStringLiteral("readButton"), QStringLiteral("writeRangeButton"),
                                QStringLiteral("writeAnalogButton"), QStringLiteral("writeAlarmsButton"),
                                QStringLiteral("startModeButton"),
                                QStringLiteral("coefficientButton%1").arg(sensor::commit::kOilGas),
                                QStringLiteral("readEnergyButton"), QStringLiteral("writeEnergyButton"),
                                QStringLiteral("writeIntervalButton"), QStringLiteral("changeIdButton"),
                                QStringLiteral("restoreButton")}) {
        QPushButton* b = button(name);
        link.prompter.messages.clear();
        clickAndWait(page, b);
        EXPECT_EQ(link.prompter.messages.value(0), text("IDD_Message_ConnectPort"))
            << b->text().toStdString();
    }
    EXPECT_FALSE(stopWaitIfRunning()) << "no read-back wait started";
    EXPECT_TRUE(link.bus->writeLog(1).empty());
}

TEST_F(DevicePageTest, IntervalWaitEndsOnTheReadBackOrWhenAnotherSensorIsSelected) {
    link.connect();
    edit("intervalEdit")->setText("65");
    QSignalSpy ended(&page, &CVelPageSet::waitEnded);
    clickAndWait(page, button("writeIntervalButton"));
    EXPECT_EQ(link.prompter.messages.last(), text("IDS_Tab_Parameters_WritingWait"));
    EXPECT_TRUE(ended.isEmpty()) << "the wait runs until the read-back";
    ASSERT_TRUE(ended.wait(5000));  // the first tick after 2 s reads back 60
    EXPECT_EQ(ended.takeFirst().at(0).toBool(), true);
    EXPECT_EQ(link.prompter.messages.last(), text("IDS_Tab_Parameters_WriteIntervalSuccess"));
    EXPECT_EQ(link.bus->writeLog(1).front().values, std::vector<std::uint16_t>{6});

    edit("energyEdit")->setText("80");
    link.bus->pokeRegister(1, sensor::reg::kEnergy, 50);  // never confirms
    clickAndWait(page, button("writeEnergyButton"));
    EXPECT_EQ(link.prompter.messages.last(), text("IDS_Tab_Parameters_WritingEnergyWait"));
    EXPECT_TRUE(ended.isEmpty());
    page.selectedSensorChanged();  // ends the wait at once
    ASSERT_EQ(ended.size(), 1);
    EXPECT_EQ(ended.takeFirst().at(0).toBool(), false);

    // Closing the link ends the wait at its next tick, without a message.
    clickAndWait(page, button("writeEnergyButton"));
    link.prompter.messages.clear();
    link.arbiter.setLinkClosed(true);
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(ended.takeFirst().at(0).toBool(), false);
    EXPECT_TRUE(link.prompter.messages.isEmpty()) << link.prompter.messages.join("|").toStdString();
}

class FunctionsPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(link.opened);
        page.runner().setPacer(&pacer);
    }
    QPushButton* button(const char* name) { return child<QPushButton>(&page, name); }
    // The box of a group's bit: the one ticked when the bit is set, or the one ticked when it is clear.
    QCheckBox* box(int group, int bit, bool ticksSet) {
        return child<QCheckBox>(&page, QStringLiteral("group%1Bit%2%3")
                                           .arg(group)
                                           .arg(bit)
                                           .arg(ticksSet ? QStringLiteral("Set") : QStringLiteral("Clear")));
    }

    SimulatedLink link{1};
    FakePacer pacer;
    CVelPageFun page{link.ctx};
};

TEST_F(FunctionsPageTest, ASaveWithoutReadSendsWhatThePageShows) {
    link.connect();
    EXPECT_TRUE(box(1, 3, true)->isChecked()) << "compensation box ticked";
    clickAndWait(page, button("saveButton"));
    EXPECT_EQ(commands(*link.bus),
              (std::vector<std::uint16_t>{0x0101, 0x0104, 0x0106, 0x0107, 0x0201, 0x0204, 0x0206, 0x0301,
                                          0x0304, 0x0402, 0x0404, 0x0406, 0x0408, 0x0410}));
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDS_Fun_SaveSucceeded")});
}

TEST_F(FunctionsPageTest, PairsActAsRadioButtonsAndReadSetsTheControls) {
    // What a save sends for group 1 bit 1 tells which way the page holds that bit.
    const sensor::OptionCommand& bit11 = sensor::kOptionCommands[1];
    ASSERT_EQ(std::pair(bit11.group, bit11.bit), std::pair(1, 1));
    const auto savedBit11 = [&] {
        link.bus->clearWriteLog(1);
        clickAndWait(page, button("saveButton"));
        return commands(*link.bus).at(1);
    };
    link.connect();
    QCheckBox* prcy = box(1, 1, true);
    QCheckBox* pr14 = box(1, 1, false);
    EXPECT_TRUE(pr14->isChecked());
    prcy->setChecked(true);
    EXPECT_FALSE(pr14->isChecked());
    EXPECT_EQ(savedBit11(), bit11.ifSet);
    prcy->setChecked(false);  // clearing the ticked box ticks the other one
    EXPECT_TRUE(pr14->isChecked());
    EXPECT_EQ(savedBit11(), bit11.ifClear);

    link.prompter.messages.clear();
    link.bus->pokeRegister(1, sensor::reg::kCommand, 0x0006);
    clickAndWait(page, button("readButton"));
    EXPECT_EQ(child<QComboBox>(&page, "switchList1")->currentIndex(), 1) << "pressure sensor off";
    EXPECT_TRUE(prcy->isChecked());
    EXPECT_TRUE(box(1, 2, true)->isChecked());
    EXPECT_FALSE(box(1, 3, true)->isChecked());
    EXPECT_TRUE(
        child<QPlainTextEdit>(&page, "log")->toPlainText().startsWith(text("IDS_Fun_Log_PressureOff")));
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDS_Fun_ReadSucceeded")});
}

TEST_F(FunctionsPageTest, ClosedPortShowsThePagesOwnWarning) {
    clickAndWait(page, button("readButton"));
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDS_Fun_ConnectPortFirst")});
    EXPECT_EQ(link.prompter.captions, QStringList{text("IDS_Warning")});
    EXPECT_TRUE(link.bus->writeLog(1).empty());
}

}  // namespace
}  // namespace talvex::ui
