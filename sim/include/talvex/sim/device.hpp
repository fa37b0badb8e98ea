// A slave on the simulated bus: a sensor, a wireless concentrator or the mass-flow controller.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "talvex/sim/types.hpp"

namespace talvex::sim {

class Device {
  public:
    virtual ~Device() = default;

    // Current slave address (a sensor's changes after a write to its ID register).
    virtual std::uint8_t slaveId() const = 0;

    // Function 3. Any register of the range the device does not know answers exception 2.
    virtual Reply read(std::uint16_t start, std::uint16_t count, TimePoint now) = 0;

    // Functions 6 and 16: the values of request.values to consecutive registers from request.address.
    // Nothing is changed when any register of the range cannot be written.
    virtual Reply write(const Request& request, TimePoint now) = 0;

    // What the device was told, oldest first (bounded).
    const std::deque<WriteRecord>& writeLog() const { return log_; }
    void clearWriteLog() { log_.clear(); }

  protected:
    void logWrite(const Request& request, TimePoint now) {
        log_.push_back(WriteRecord{request.function, request.address, request.values, now});
        while (log_.size() > kMaxLog) log_.pop_front();
    }

  private:
    static constexpr std::size_t kMaxLog = 20000;
    std::deque<WriteRecord> log_;
};

}  // namespace talvex::sim
