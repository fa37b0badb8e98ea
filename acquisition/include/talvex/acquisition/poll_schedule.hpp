// When each of the 48 slots is next due. Times are milliseconds of a monotonic clock the caller
// passes in (64-bit, so no wrap-around), which lets tests drive the schedule with a fake clock.
#pragma once

#include <array>
#include <cstdint>

#include "talvex/channel_table.hpp"

namespace talvex::acquisition {

class PollSchedule {
  public:
    static constexpr std::uint64_t kMaxIntervalMs = 30000;
    static constexpr std::uint64_t kReanchorWindowMs = 60000;

    // Every slot due at once, miss counts cleared.
    void reset();

    // Interval of a slot with rate seconds and its present miss count: rate x 1000 ms, times 2 after
    // one or two missed polls and times 5 after three or more, at most 30 s.
    static std::uint64_t intervalMs(std::uint8_t rateSeconds, int missCount);

    // Decides whether the slot is polled now. When it is, books the next due time and counts the
    // poll as missed until pollSucceeded() clears it; the count is kept across polls, so a sensor
    // that stays silent is asked less often and leaves the bus to the others.
    bool begin(int slot, const ChannelEntry& channel, std::uint64_t nowMs);
    void pollSucceeded(int slot);

    std::uint64_t nextDue(int slot) const { return nextDue_[index(slot)]; }
    int missCount(int slot) const { return miss_[index(slot)]; }

  private:
    static std::size_t index(int slot) {
        return slot >= 1 && slot <= kChannelCount ? static_cast<std::size_t>(slot) : 0;
    }
    std::array<std::uint64_t, kChannelCount + 1> nextDue_{};
    std::array<int, kChannelCount + 1> miss_{};
};

}  // namespace talvex::acquisition
