// The sensor-parameter commands of talvex-cli against the simulator: refusals before anything is
// sent (exit 2), dry runs without a port, and the exit codes 0 / 1 / 3.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "talvex/sensor_registers.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"

namespace {

using talvex::testing::ProgramRun;
namespace reg = talvex::sensor::reg;

ProgramRun cli(std::vector<std::string> args) {
    return talvex::testing::runProgram(TALVEX_CLI, std::move(args));
}

class DeviceCli : public testing::Test {
  protected:
    void SetUp() override {
        talvex::sim::BusOptions o;
        o.sensors = {talvex::sim::defaultSensorConfig(1, talvex::SensorModel::KA)};
        o.flowmeter = false;
        o.pace = false;
        o.timing.processing = talvex::sim::Millis(0);
        bus = std::make_unique<talvex::sim::SimBus>(o);
        std::string error;
        ASSERT_TRUE(bus->start(&error)) << error;
    }
    // The command with --port and --id 1 in front of args.
    ProgramRun run(const std::string& command, std::vector<std::string> args) {
        args.insert(args.begin(), {command, "--port", bus->slavePath(), "--id", "1"});
        return cli(std::move(args));
    }
    std::unique_ptr<talvex::sim::SimBus> bus;
};

TEST_F(DeviceCli, RefusalsComeBeforeAnythingIsSent) {
    const struct {
        std::string command;
        std::vector<std::string> args;
        std::string mentions;
    } cases[] = {
        {"coefficients", {"--code", "1010", "1.5", "abc"}, "OilType_Kb"},
        {"coefficients", {"--code", "1010", "1.5", "1e10"}, "9223372036.854775807"},
        {"coefficients", {"--code", "1010", "1.5"}, "takes 2 values"},
        {"coefficients", {"--code", "1012", "1", "2"}, "--code must be one of"},
        {"coefficients", {"--code", "1010", "--code", "1011", "1", "2"}, "given twice"},
        {"set-text", {"--code", "2572", "ABCDEFGHIJKLMNOPQRSTU"}, "at most 20"},
        {"set-text", {"--code", "2576", "M12"}, "2571..2575"},
        {"set-text", {"--code", "2572", "M12", "extra"}, "unexpected word"},
        {"set-text", {"--code", "2572", ""}, "empty"},
        {"set-text", {"--code", "2572", "M12\nD7"}, "line break"},
        {"set-text", {"--code", "2571", "Li\r"}, "line break"},
        {"command", {"0x10000"}, "0..65535"},
        {"command", {"--wait", "-1", "0x0410"}, "--wait"},
        {"item", {"2551", "2571"}, "not a text item code"},
        {"item", {}, ""},
        {"params", {"--bogus"}, "unknown option"},
        {"options", {"stray"}, "unexpected word"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = run(c.command, c.args);
        EXPECT_EQ(r.exitCode, 2) << c.command << ": " << r.err;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << c.command << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_TRUE(bus->writeLog(1).empty());
}

TEST(DeviceCliDryRun, ListsTheRegisterWritesWithoutAPort) {
    ProgramRun r = cli({"coefficients",
                        "--id",
                        "1",
                        "--code",
                        "1003",
                        "--dry-run",
                        "20261208",
                        "1.5",
                        "0",
                        "0",
                        "0",
                        "0",
                        "0",
                        "0",
                        "0",
                        "0",
                        "0",
                        "0",
                        "0",
                        "0.4"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 25), "83 0x1208\n84 0x2026\n19 0x");
    EXPECT_NE(r.out.find("21 0x5968\n22 0x2F00\n"), std::string::npos);
    EXPECT_NE(r.out.find("249 0x0000\n250 0x0190\ncommit REG=253 VALUE=1003\n"), std::string::npos);

    r = cli({"set-text", "--id", "1", "--code", "2572", "--dry-run", "M12"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "31 0x314D\n32 0x0032\n33 0x0000\n34 0x0000\n35 0x0000\n36 0x0000\n37 0x0000\n38 0x0000\n"
              "39 0x0000\n40 0x0000\ncommit REG=254 VALUE=2572\n");
}

TEST_F(DeviceCli, ExitCodesFollowTheSensorsAnswer) {
    ProgramRun r = run("coefficients", {"--code", "1010", "1.5", "-0.000000001"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "accepted\n");
    r = run("item", {"2604", "2605"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "2604 1.5\n2605 -0.000000001\n");

    r = run("command", {"0x0410"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "acknowledged\n");
    r = run("command", {"0x0777"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "refused: read 0xFFFF\n");

    r = run("set-text", {"--code", "2573", "D2026-1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = run("params", {"--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"serial_number\":\"D2026-1\""), std::string::npos) << r.out;

    bus->pokeRegister(1, reg::kCommit, 0);
    r = run("coefficients", {"--code", "1011", "1", "0"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "refused\n");
    bus->pokeRegister(1, reg::kTextItem, 0);
    r = run("item", {"2551"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("2551"), std::string::npos);
}

TEST_F(DeviceCli, ALostCommitOrAnUnreadItemIsACommunicationFailure) {
    ASSERT_EQ(run("coefficients", {"--code", "1010", "1.5", "2"}).exitCode, 0);
    // The commit write lost while 253 still holds the acknowledgement of the one before.
    talvex::sim::Faults faults;
    faults.lost = {{1, reg::kCommit, 1, false}};
    bus->setFaults(faults);
    ProgramRun r = run("coefficients", {"--code", "1010", "3", "4"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out, "not confirmed\n");
    EXPECT_NE(r.err.find("OilType_Ka: 1.5"), std::string::npos) << r.err;  // what the sensor still holds
    // 254 acknowledges, the window read is refused: no text, exit 1.
    faults.lost.clear();
    faults.exceptions = {{1, reg::kTextWindow, talvex::sim::kIllegalAddress}};
    bus->setFaults(faults);
    r = run("item", {"2604"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("2604"), std::string::npos);
}

TEST_F(DeviceCli, OptionsPrintThePagesLogLines) {
    const ProgramRun r = run("options", {});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Pressure sensor: on");
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const ProgramRun j = run("options", {"--json"});
    EXPECT_NE(j.out.find("{\"group\":4,\"bits\":0,"), std::string::npos) << j.out;
}

}  // namespace
