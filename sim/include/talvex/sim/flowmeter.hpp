// The mass-flow controller on the sensor line: setpoint in 2053-2054 (0.001 mL/min, high word
// first), gas temperature in 2102 (0.01 degC) and measured mass flow in 2103 (mL/min), which
// follows the setpoint with a short lag.
#pragma once

#include "talvex/sim/device.hpp"

namespace talvex::sim {

class Flowmeter final : public Device {
  public:
    Flowmeter(std::uint8_t id, TimePoint now) : id_(id), changed_(now) {}

    std::uint8_t slaveId() const override { return id_; }
    Reply read(std::uint16_t start, std::uint16_t count, TimePoint now) override;
    Reply write(const Request& request, TimePoint now) override;

    // Setpoint in mL/min and the flow at the given time.
    double setpoint() const;
    double flow(TimePoint now) const;

  private:
    std::uint8_t id_;
    std::uint16_t setHigh_ = 0, setLow_ = 0;
    double flowAtChange_ = 0;
    double targetAtChange_ = 0;
    TimePoint changed_;
    TimePoint start_ = changed_;
};

}  // namespace talvex::sim
