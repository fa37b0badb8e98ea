// poll --stats against the simulated bus: the figures printed at the end are what the simulator saw.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "talvex/sim/sim_bus.hpp"

namespace {

TEST(PollStats, PrintsWhatTheSensorsSawWhenPollingEnds) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("talvex-pollstats-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    talvex::sim::BusOptions o;
    o.flowmeter = false;
    o.pace = false;
    o.faults.exceptions = {{1, 111, 4}};  // the status read of every poll fails with exception 4
    talvex::sim::SimBus bus(o);
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;

    const std::string command = std::string(TALVEX_CLI) + " poll --port " + bus.slavePath() +
                                " --ids 1 --once --no-db --stats --json --data-dir " + dir.string() +
                                " 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    bus.stop();
    std::filesystem::remove_all(dir);

    const auto sim = bus.model().stats(1);
    ASSERT_GT(sim.requests, 0u);
    const std::string last = out.substr(out.rfind("{\"slaves\""));
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
