// talvex-cli calibrate and flow as processes against the simulator on a pseudo-terminal: exit codes,
// what is printed where, and arguments refused before anything is sent.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"

namespace talvex::calibration {
namespace {

using talvex::testing::ProgramRun;

class CalibrateCli : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::BusOptions o;
        o.sensors = {sim::defaultSensorConfig(1, SensorModel::KA),
                     sim::defaultSensorConfig(2, SensorModel::KA)};
        o.pace = false;
        o.timing.processing = sim::Millis(0);
        bus_ = std::make_unique<sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus_->start(&error)) << error;
    }
    ProgramRun cli(const std::string& args) {
        return talvex::testing::runProgram(TALVEX_CLI, talvex::testing::words(args));
    }
    // The command on the simulator's line.
    ProgramRun calibrate(const std::string& args) { return cli("calibrate " + port() + " " + args); }
    ProgramRun flow(const std::string& args) { return cli("flow " + port() + " " + args); }
    std::string port() const { return "--port " + bus_->slavePath(); }

    std::unique_ptr<sim::SimBus> bus_;
};

TEST_F(CalibrateCli, CalibratesRefusesAndClears) {
    sim::SensorValues v;
    v.pressure = 99.5;
    bus_->setValues(1, v);
    ProgramRun r = calibrate("--id 1 --type pressure --reference 101.3 --yes");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "measured 99.50\n");
    EXPECT_NE(r.err.find("Start calibration."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Calibration Completed"), std::string::npos) << r.err;

    bus_->model().withSensor(2, [](sim::Sensor& s) { s.setRefuseCalibrate(true, 403); });
    r = calibrate("--id 2 --type in-oil --reference 500 --yes --json");
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find("Calibration failed! Retry calibration."), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"calibrated\":false"), std::string::npos) << r.out;

    r = calibrate("--id 1 --type moisture --clear --yes");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Moisture calibration data cleared"), std::string::npos) << r.err;

    // No answer from the sensor is a communication failure.
    r = calibrate("--id 9 --type in-oil --reference 500 --yes");
    EXPECT_EQ(r.exitCode, 1) << r.err;
}

TEST_F(CalibrateCli, TwoPointsWithoutYesReadEnterFromTheTerminal) {
    const ProgramRun r = talvex::testing::runProgramOnTerminal(
        TALVEX_CLI,
        talvex::testing::words("calibrate " + port() +
                               " --id 1 --type gas-phase --points 2 --reference 500 --reference2 1000"),
        "\x04");
    // The terminal's input ends at once: the first Enter never comes, nothing is calibrated.
    EXPECT_EQ(r.exitCode, 3) << r.err;
    std::vector<std::uint16_t> commands;
    for (const auto& w : bus_->writeLog(1)) commands.push_back(w.address);
    EXPECT_EQ(commands, std::vector<std::uint16_t>{121});
}

TEST_F(CalibrateCli, BadArgumentsSendNothing) {
    for (const std::string args : {
             "--id 1 --type in-oil --reference 12x --yes",
             "--id 1 --type pressure --reference nan --yes",
             "--id 1 --type in-oil --points 2 --reference 1 --reference2 2 --yes",
             "--id 1 --type gas-phase --points 2 --reference 1 --yes",
             "--id 1 --type kettle --reference 1",
             "--id 0 --type in-oil --reference 1",
             "--id 1 --type in-oil --clear --reference 1",
             "--id 1 --type in-oil --reference 1 --reference 2",
             "--id 1 --type in-oil --reference 1 stray",
             "--id 1 --type in-oil --reference 1 --colour red",
         }) {
        const ProgramRun r = calibrate(args);
        EXPECT_EQ(r.exitCode, 2) << args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    const ProgramRun tooHigh = flow("--set 1001");
    EXPECT_EQ(tooHigh.exitCode, 2) << tooHigh.err;
    EXPECT_EQ(flow("--set 5 --close").exitCode, 2);
    EXPECT_TRUE(bus_->writeLog(1).empty());
    EXPECT_TRUE(bus_->writeLog(200).empty());
}

TEST_F(CalibrateCli, DryRunPrintsTheWritesWithoutAPort) {
    const ProgramRun r = cli("calibrate --id 1 --type gas-phase --reference 70000 --dry-run");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("measured")), "121 0x0001\n");
    EXPECT_NE(r.out.find("126 0x0001\n127 0x1170\n128 0x"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("121 0x0011\n"), std::string::npos) << r.out;
    const ProgramRun setpoint = cli("flow --set 200 --dry-run");
    EXPECT_EQ(setpoint.exitCode, 0) << setpoint.err;
    EXPECT_EQ(setpoint.out, "2053 0x0003\n2054 0x0D40\n");
}

TEST_F(CalibrateCli, FlowmeterSetReadClose) {
    ProgramRun r = flow("--set 200");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Flowmeter opened!"), std::string::npos);
    const auto told = bus_->writeLog(200);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].values, (std::vector<std::uint16_t>{0x0003, 0x0D40}));
    r = flow("--read --json");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"mass_flow\":", 0), 0u) << r.out;
    EXPECT_EQ(flow("--close").exitCode, 0);
}

}  // namespace
}  // namespace talvex::calibration
