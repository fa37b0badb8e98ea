// Link statistics from the master's tap against the simulated bus with injected faults: what the monitor
// counts for each sensor matches what the simulator says it did to that sensor's requests.
#include <gtest/gtest.h>

#include "talvex/diagnostics/diagnostics_format.hpp"
#include "talvex/diagnostics/link_monitor.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/sim_link.hpp"

namespace talvex::diagnostics {
namespace {

class StatisticsOnSim : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::BusOptions o = talvex::testing::quietBus(
            {sim::defaultSensorConfig(1, SensorModel::KA), sim::defaultSensorConfig(2, SensorModel::KA)});
        o.seed = 7;
        bus_ = std::make_unique<talvex::testing::SimLink>(std::move(o));
        ASSERT_TRUE(bus_->linkOpen());
    }
    std::unique_ptr<talvex::testing::SimLink> bus_;
};

TEST_F(StatisticsOnSim, CountsMatchTheFaultsTheSimulatorInjected) {
    LinkMonitor monitor;
    ASSERT_TRUE(monitor.attached());
    sim::Faults faults;
    faults.crcErrorRate = 0.25;
    faults.dropRate = 0.1;
    faults.silent = {2};
    bus_->setFaults(faults);

    unsigned char data[30];
    const int calls1 = 24;
    for (int i = 0; i < calls1; ++i) RTUReadHoldingRegisters(1, 0, 15, data);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(RTUReadHoldingRegisters(2, 0, 15, data), RTU_ERR_TIMEOUT);
    // Exceptions without the random faults, so that none of them is corrupted on the way.
    faults.crcErrorRate = 0;
    faults.dropRate = 0;
    faults.exceptions = {{1, 200, 2}, {1, 300, 3}};
    bus_->setFaults(faults);
    EXPECT_EQ(RTUReadHoldingRegisters(1, 200, 1, data), RTU_EXCEPTION + 2);
    EXPECT_EQ(RTUReadHoldingRegisters(1, 300, 1, data), RTU_EXCEPTION + 3);
    EXPECT_EQ(RTUReadHoldingRegisters(1, 0, 15, data), RTU_OK);

    const sim::BusStats sim1 = bus_->model().stats(1);
    const sim::BusStats sim2 = bus_->model().stats(2);
    ASSERT_GT(sim1.corrupted, 0u);  // the seed must exercise both faults
    ASSERT_GT(sim1.dropped, 0u);
    const auto s1 = monitor.statistics().slave(1);
    const auto s2 = monitor.statistics().slave(2);
    ASSERT_TRUE(s1 && s2);
    EXPECT_EQ(s1->requests, sim1.requests);
    EXPECT_EQ(s1->crcErrors, sim1.corrupted);
    EXPECT_EQ(s1->timeouts, sim1.dropped);
    EXPECT_EQ(s1->answers, sim1.replies - sim1.corrupted);
    EXPECT_EQ(s1->requests, static_cast<std::uint64_t>(calls1 + 3) + s1->retries);
    EXPECT_GT(s1->retries, 0u);
    EXPECT_LE(static_cast<int>(s1->retries), calls1);
    EXPECT_EQ(s1->exceptions, (std::map<std::uint8_t, std::uint64_t>{{2, 1}, {3, 1}}));
    EXPECT_EQ(s1->otherErrors, 0u);
    ASSERT_TRUE(s1->minUs && s1->medianUs && s1->p99Us);
    EXPECT_LE(*s1->minUs, *s1->medianUs);
    EXPECT_LE(*s1->medianUs, *s1->p99Us);
    EXPECT_LT(*s1->p99Us, 1'000'000);  // answers only: the time-outs do not count
    EXPECT_EQ(s1->lastFailure, FrameOutcome::Exception);
    EXPECT_EQ(s1->lastFailureException, 3);

    // The silent sensor: each call a first attempt and one retry (the first two failures in a row).
    EXPECT_EQ(sim2.silenced, sim2.requests);
    EXPECT_EQ(s2->requests, 4u);
    EXPECT_EQ(s2->timeouts, sim2.silenced);
    EXPECT_EQ(s2->retries, 2u);
    EXPECT_EQ(s2->answers, 0u);
    EXPECT_FALSE(s2->medianUs);
    EXPECT_EQ(s2->lastFailure, FrameOutcome::NoResponse);
    EXPECT_NE(statisticsText(monitor.statistics().all()).find("time-out at "), std::string::npos);
}

TEST_F(StatisticsOnSim, TrafficLogKeepsTheNewestFramesWithTheirResponseTimes) {
    LinkMonitor monitor;
    unsigned char data[30];
    ASSERT_EQ(RTUReadHoldingRegisters(1, 0, 15, data), RTU_OK);
    ASSERT_EQ(RTUWriteSingleRegister(1, 9, 50), RTU_OK);
    const auto frames = monitor.log().since(0);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].seq, 1u);
    EXPECT_EQ(frames[1].outcome, FrameOutcome::Accepted);
    EXPECT_EQ(frames[1].bytes.size(), 35u);
    EXPECT_GE(frames[1].responseUs, 0);
    EXPECT_EQ(frames[0].responseUs, -1);
    EXPECT_EQ(frames[3].bytes, frames[2].bytes);  // the write's echo
    const std::string csv = framesCsv(frames);
    EXPECT_NE(csv.find(",request,1,3,sent,,read holding registers 0+15,01 03 00 00 00 0F 05 CE\n"),
              std::string::npos)
        << csv;
    EXPECT_NE(csv.find(",response,1,6,answer,"), std::string::npos);

    // The log is bounded: the oldest frames go first, numbers stay.
    TrafficLog small(3);
    for (int i = 0; i < 5; ++i) small.append(TrafficFrame{});
    EXPECT_EQ(small.size(), 3u);
    EXPECT_EQ(small.since(0).front().seq, 3u);
    EXPECT_EQ(small.since(4).size(), 1u);
    EXPECT_TRUE(small.since(5).empty());
}

}  // namespace
}  // namespace talvex::diagnostics
