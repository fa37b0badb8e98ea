// The compact channel table `enumUintEN` and the process-wide session values the pages and the
// poller share. The poller reads the entries on its own thread while the window edits them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace talvex {

inline constexpr int kChannelCount = 48;

struct ChannelEntry {
    std::uint8_t sensorId = 0;
    std::uint8_t rate = 0;     // seconds
    std::uint8_t enabled = 0;  // 1 = enabled
};

// 49 entries, 1..48 used; entry 0 holds nothing. Zero at start. Each entry is one atomic word, so
// a reader on another thread sees an entry as it was before or after a write, never a new ID with an
// old enabled flag.
class ChannelTable {
  public:
    ChannelEntry get(int channel) const {
        return unpack(entries_[index(channel)].load(std::memory_order_acquire));
    }
    void set(int channel, ChannelEntry v) {
        entries_[index(channel)].store(pack(v), std::memory_order_release);
    }

  private:
    static std::uint32_t pack(ChannelEntry v) {
        return std::uint32_t{v.sensorId} | std::uint32_t{v.rate} << 8 | std::uint32_t{v.enabled} << 16;
    }
    static ChannelEntry unpack(std::uint32_t w) {
        return {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
                static_cast<std::uint8_t>(w >> 16)};
    }
    static std::size_t index(int channel) {
        return channel >= 1 && channel <= kChannelCount ? static_cast<std::size_t>(channel) : 0;
    }
    std::array<std::atomic<std::uint32_t>, kChannelCount + 1> entries_{};
};

// Process-wide session state read by the poller and the pages.
struct Session {
    ChannelTable enumUintEN;
    std::atomic<std::uint8_t> selectedSensorId{1};
    std::atomic<bool> scheduleReset{false};  // set by ApplyAllChannels, cleared by the next poll cycle
};

// The one session of the process.
Session& session();

}  // namespace talvex
