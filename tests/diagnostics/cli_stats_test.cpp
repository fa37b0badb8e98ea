// poll --stats against the simulated bus: the figures printed at the end are what the simulator saw.
#include <gtest/gtest.h>

#include <string>

#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/run_program.hpp"
#include "talvex/testing/temp_dir.hpp"

namespace {

TEST(PollStats, PrintsWhatTheSensorsSawWhenPollingEnds) {
    const talvex::testing::TempDir dir;
    talvex::sim::BusOptions o;
    o.flowmeter = false;
    o.pace = false;
    o.faults.exceptions = {{1, 111, 4}};  // the status read of every poll fails with exception 4
    talvex::sim::SimBus bus(o);
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;

    const auto run =
        talvex::testing::runProgram(TALVEX_CLI, {"poll", "--port", bus.slavePath(), "--ids", "1", "--once",
                                                 "--no-db", "--stats", "--json", "--data-dir", dir.path()});
    bus.stop();
    const std::string& out = run.out;

    const auto sim = bus.model().stats(1);
    ASSERT_GT(sim.requests, 0u);
    const auto summary = out.rfind("{\"slaves\"");
    ASSERT_NE(summary, std::string::npos) << out << run.err;
    const std::string last = out.substr(summary);
    const std::string expected =
        "{\"slaves\": [{\"slave\": 1, \"requests\": " + std::to_string(sim.requests) +
        ", \"answers\": " + std::to_string(sim.replies) +
        ", \"timeouts\": 0, \"crc_errors\": 0, \"other_errors\": 0, \"retries\": 0, "
        "\"exceptions\": {\"4\": " +
        std::to_string(sim.exceptions) + "}, \"min_us\": ";
    EXPECT_EQ(last.substr(0, expected.size()), expected) << out;
    EXPECT_NE(last.find("\"what\": \"exception 4 (slave device failure)\""), std::string::npos) << last;
}

}  // namespace
