// The newest frames of the tap (at most kCapacity), numbered in arrival order, for the traffic page.
// Thread-safe: the link thread appends while the page reads.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "talvex/frame_tap.hpp"

namespace talvex::diagnostics {

struct TrafficFrame {
    std::uint64_t seq = 0;  // 1, 2, ... in arrival order; never reused, also across clear()
    std::int64_t timeUs = 0;
    std::int64_t unixMs = 0;  // wall-clock time of arrival
    FrameDirection direction = FrameDirection::Request;
    FrameOutcome outcome = FrameOutcome::Sent;
    bool retry = false;
    std::int64_t responseUs = -1;  // responses: time since their request
    std::vector<std::uint8_t> bytes;
};

class TrafficLog {
  public:
    static constexpr std::size_t kCapacity = 100'000;

    explicit TrafficLog(std::size_t capacity = kCapacity) : capacity_(capacity) {}

    void append(TrafficFrame frame);  // sets frame.seq
    // Frames numbered above `after`, oldest first, at most `max`.
    std::vector<TrafficFrame> since(std::uint64_t after, std::size_t max = kCapacity) const;
    std::size_t size() const;
    std::uint64_t lastSeq() const;
    void clear();

  private:
    mutable std::mutex mutex_;  // guards frames_ and next_
    std::size_t capacity_;
    std::deque<TrafficFrame> frames_;
    std::uint64_t next_ = 1;
};

}  // namespace talvex::diagnostics
