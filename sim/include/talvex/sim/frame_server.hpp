// Serves the bus model on a line: reads requests, frames them, and writes the replies paced at the
// line's byte time (or at once when pacing is off). Half duplex: the next request is taken only
// when the previous reply is out.
#pragma once

#include <atomic>
#include <cstdint>

#include "talvex/sim/bus_model.hpp"
#include "talvex/sim/frame_monitor.hpp"
#include "talvex/sim/types.hpp"

namespace talvex::sim {

class FrameServer {
  public:
    // monitor: optional record of the frames taken and the replies sent.
    FrameServer(BusModel& bus, int fd, int baud, bool pace, ClockFn clock, FrameMonitor* monitor = nullptr);

    // Serves until stop is set; wakeFd becomes readable to cut a wait short.
    void run(const std::atomic<bool>& stop, int wakeFd);

    std::uint64_t droppedBytes() const { return dropped_.load(); }

  private:
    BusModel& bus_;
    int fd_;
    bool pace_;
    std::chrono::nanoseconds byteTime_;
    ClockFn clock_;
    FrameMonitor* monitor_;
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace talvex::sim
