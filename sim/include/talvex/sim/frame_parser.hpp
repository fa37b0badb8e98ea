// Cuts the byte stream from the master into request frames. The expected length comes from the
// function code; a wrong CRC or junk costs one byte and the search goes on from the next, and
// bytes that stay incomplete across an inter-frame silence are dropped the same way.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "talvex/sim/types.hpp"

namespace talvex::sim {

class FrameParser {
  public:
    explicit FrameParser(std::chrono::microseconds silence) : silence_(silence) {}

    void feed(const std::uint8_t* data, std::size_t size, TimePoint now);

    // The next complete frame (CRC checked), if any. Frames of unknown functions are recognised by
    // their CRC once the line has been silent.
    std::optional<std::vector<std::uint8_t>> next(TimePoint now);

    // When buffered bytes will be judged by the silence rule; none when the buffer is empty.
    std::optional<TimePoint> silenceDeadline() const;

    std::uint64_t droppedBytes() const { return dropped_; }

  private:
    void dropFront(std::size_t n);

    static constexpr std::size_t kMaxBuffer = 512;
    std::chrono::microseconds silence_;
    std::vector<std::uint8_t> buf_;
    TimePoint lastByte_{};
    std::uint64_t dropped_ = 0;
};

}  // namespace talvex::sim
