// The simulated bus on a pseudo-terminal with the master's RTU link open on it (19200 8N1), closed
// and stopped again at the end. A bus or link that does not start fails the test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "talvex/pacer.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"

namespace talvex::testing {

class SimLink : public sim::SimBus {
  public:
    explicit SimLink(sim::BusOptions options) : sim::SimBus(std::move(options)) {
        std::string error;
        const bool started = start(&error);
        EXPECT_TRUE(started) << error;
        open_ = started && RTUOpenDevice(slavePath().c_str(), 19200, 8, 0, 0) == 1;
        EXPECT_TRUE(open_) << "the link did not open on " << slavePath();
    }
    ~SimLink() {
        RTUCloseCom();
        stop();
    }
    SimLink(const SimLink&) = delete;
    SimLink& operator=(const SimLink&) = delete;

    bool linkOpen() const { return open_; }

  private:
    bool open_ = false;
};

// A bus of these sensors that answers at once: no flowmeter, no reply pacing.
inline sim::BusOptions quietBus(std::vector<sim::SensorConfig> sensors) {
    sim::BusOptions o;
    o.sensors = std::move(sensors);
    o.flowmeter = false;
    o.pace = false;
    return o;
}

// The sensors' clock driven by a fake pacer: an operation's pauses advance the sensors' time.
inline sim::ClockFn clockOf(const FakePacer& pacer, sim::TimePoint base = {}) {
    return [&pacer, base] { return base + std::chrono::milliseconds(pacer.clockMs.load()); };
}

}  // namespace talvex::testing
