// Flowmeter control: open with the setpoint, close with zero, the read-outs, and what a failure,
// a closed port or a setpoint outside 0..1000 leave behind.
#include "talvex/calibration/wizard/flowmeter_control.hpp"
#include "wizard_support.hpp"

namespace talvex::calibration::test {
namespace {

using Lines = std::vector<std::string>;

std::string M(std::uint16_t high, std::uint16_t low) {
    return "M 200 " + std::to_string(flow_reg::kSetpoint) + " " + talvex::testing::hex4(high) + " " +
           talvex::testing::hex4(low);
}

TEST(FlowmeterControl, OpensAndClosesByItsState) {
    struct Step {
        const char* setpoint;
        bool fail;
        Lines lines;
        bool open;
    } steps[] = {
        {"200", true, {M(0x0003, 0x0D40), plain("IDS_Tab_Cal_MeterONFailed")}, false},
        {"200", false, {M(0x0003, 0x0D40), plain("IDS_Tab_Cal_MeterOpened")}, true},
        {"200", true, {M(0, 0), plain("IDS_Tab_Cal_MeterCloseFailed")}, true},
        {"200", false, {M(0, 0), plain("IDS_Tab_Cal_MeterClosed")}, false},
        // Zero opens with the same request that closes, yet the state is open.
        {"0", false, {M(0, 0), plain("IDS_Tab_Cal_MeterOpened")}, true},
    };
    WizardBench b;
    FlowmeterControl flow;
    for (const auto& s : steps) {
        b.sensor.failWrites = s.fail ? std::set<int>{flow_reg::kSetpoint} : std::set<int>{};
        flow.toggle(b.io, b.prompter, true, s.setpoint);
        EXPECT_EQ(b.take(), s.lines) << s.setpoint << s.fail;
        EXPECT_EQ(flow.state().open, s.open) << s.setpoint << s.fail;
    }
}

TEST(FlowmeterControl, RefusesBeforeSending) {
    WizardBench b;
    FlowmeterControl flow;
    flow.toggle(b.io, b.prompter, false, "200");
    EXPECT_EQ(b.take(), Lines{plain("IDD_Message_ConnectPort")});
    for (const char* bad : {"1001", "abc", "", "-5", "99999999999"}) {
        flow.toggle(b.io, b.prompter, true, bad);
        EXPECT_EQ(b.take(), Lines{plain("IDS_Tab_Cal_BadFlowSetpoint")}) << bad;
    }
    EXPECT_FALSE(flow.state().open);
    EXPECT_EQ(flow.state().setpoint, 200u);
}

TEST(FlowmeterControl, ReadOutsKeepTheirTextOnAFailedRead) {
    WizardBench b;
    FlowmeterControl flow;
    b.sensor.regs[flow_reg::kMassFlow] = 150;
    b.sensor.regs[flow_reg::kTemperature] = 2534;
    flow.readOut(b.io);
    EXPECT_EQ(b.take(), (Lines{"R 200 2103 1", "R 200 2102 1"}));
    EXPECT_EQ(flow.state().massFlow, "150.00");
    EXPECT_EQ(flow.state().temperature, "25.34");
    b.sensor.failReads = {flow_reg::kMassFlow};
    b.sensor.regs[flow_reg::kTemperature] = 2600;
    flow.readOut(b.io);
    EXPECT_EQ(flow.state().massFlow, "150.00");
    EXPECT_EQ(flow.state().temperature, "26.00");
}

}  // namespace
}  // namespace talvex::calibration::test
