// The simulated bus on a pty with the RTU link open on it, its clock driven by a recording pacer:
// an operation's pauses advance the sensors' time, so slow exchanges run without sleeping, and the
// transcript holds every request and pause in order.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "talvex/rtu.h"
#include "talvex/rtu_register_io.hpp"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/recording_register_io.hpp"

namespace talvex::device::testing {

class SimFixture : public ::testing::Test {
  protected:
    explicit SimFixture(std::vector<sim::SensorConfig> sensors = {
                            sim::defaultSensorConfig(1, SensorModel::KA)}) {
        sim::BusOptions o;
        o.sensors = std::move(sensors);
        o.flowmeter = false;
        o.pace = false;
        const sim::TimePoint base = sim::SteadyClock::now();
        o.clock = [this, base] { return base + std::chrono::milliseconds(pacer.clockMs.load()); };
        bus = std::make_unique<sim::SimBus>(o);
        std::string error;
        EXPECT_TRUE(bus->start(&error)) << error;
        EXPECT_EQ(RTUOpenDevice(bus->slavePath().c_str(), 19200, 8, 0, 0), 1);
    }
    ~SimFixture() override {
        RTUCloseCom();
        bus->stop();
    }
    std::vector<std::string> lines() const { return transcript.lines(); }

    talvex::testing::Transcript transcript;
    talvex::testing::RecordingPacer pacer{transcript};
    talvex::testing::RecordingRegisterIo io{rtuRegisterIo(), transcript};
    std::unique_ptr<sim::SimBus> bus;
};

}  // namespace talvex::device::testing
