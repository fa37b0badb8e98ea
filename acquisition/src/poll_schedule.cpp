#include "talvex/acquisition/poll_schedule.hpp"

#include <algorithm>

namespace talvex::acquisition {

void PollSchedule::reset() {
    nextDue_.fill(0);
    miss_.fill(0);
}

std::uint64_t PollSchedule::intervalMs(std::uint8_t rateSeconds, int missCount) {
    const std::uint64_t factor = missCount <= 0 ? 1 : missCount <= 2 ? 2 : 5;
    return std::min<std::uint64_t>(std::uint64_t{rateSeconds} * 1000 * factor, kMaxIntervalMs);
}

bool PollSchedule::begin(int slot, const ChannelEntry& channel, std::uint64_t nowMs) {
    const std::size_t i = index(slot);
    if (i == 0 || channel.enabled != 1 || nowMs < nextDue_[i]) return false;
    const std::uint64_t interval = intervalMs(channel.rate, miss_[i]);
    std::uint64_t next = nextDue_[i] + interval;
    // After a long pause (or at start) re-anchor on now instead of catching up with a burst.
    if (next <= nowMs || next > nowMs + kReanchorWindowMs) next = nowMs + interval;
    nextDue_[i] = next;
    if (miss_[i] < 100) ++miss_[i];
    return true;
}

void PollSchedule::pollSucceeded(int slot) {
    miss_[index(slot)] = 0;
}

}  // namespace talvex::acquisition
