// A test on the simulated bus whose clock a recording pacer drives: an operation's pauses advance the
// sensors' time, so slow exchanges run without sleeping, and the transcript holds every request and
// pause in order.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "talvex/rtu_register_io.hpp"
#include "talvex/testing/recording_register_io.hpp"
#include "talvex/testing/sim_link.hpp"

namespace talvex::testing {

class SimFixture : public ::testing::Test {
  protected:
    explicit SimFixture(std::vector<sim::SensorConfig> sensors = {
                            sim::defaultSensorConfig(1, SensorModel::KA)}) {
        sim::BusOptions o = quietBus(std::move(sensors));
        o.clock = clockOf(pacer, sim::SteadyClock::now());
        bus = std::make_unique<SimLink>(std::move(o));
    }
    std::vector<std::string> lines() const { return transcript.lines(); }

    Transcript transcript;
    RecordingPacer pacer{transcript};
    RecordingRegisterIo io{rtuRegisterIo(), transcript};
    std::unique_ptr<SimLink> bus;
};

}  // namespace talvex::testing
