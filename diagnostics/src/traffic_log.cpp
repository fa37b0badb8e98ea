#include "talvex/diagnostics/traffic_log.hpp"

#include <algorithm>

namespace talvex::diagnostics {

void TrafficLog::append(TrafficFrame frame) {
    std::lock_guard lock(mutex_);
    frame.seq = next_++;
    frames_.push_back(std::move(frame));
    while (frames_.size() > capacity_) frames_.pop_front();
}

std::vector<TrafficFrame> TrafficLog::since(std::uint64_t after, std::size_t max) const {
    std::lock_guard lock(mutex_);
    std::vector<TrafficFrame> out;
    // Numbers are consecutive within the deque, so the first wanted frame is found by arithmetic.
    if (frames_.empty() || after >= frames_.back().seq) return out;
    const std::uint64_t first = frames_.front().seq;
    const std::size_t start = after < first ? 0 : static_cast<std::size_t>(after - first + 1);
    const std::size_t n = std::min(max, frames_.size() - start);
    out.reserve(n);
    for (std::size_t i = start; i < start + n; ++i) out.push_back(frames_[i]);
    return out;
}

std::size_t TrafficLog::size() const {
    std::lock_guard lock(mutex_);
    return frames_.size();
}

std::uint64_t TrafficLog::lastSeq() const {
    std::lock_guard lock(mutex_);
    return next_ - 1;
}

void TrafficLog::clear() {
    std::lock_guard lock(mutex_);
    frames_.clear();
}

}  // namespace talvex::diagnostics
