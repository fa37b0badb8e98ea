// The compact channel table `enumUintEN` and the process-wide session values the pages and the
// poller share. Entries are atomics: the poller reads them on its own thread while the window edits.
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

// 49 entries, 1..48 used; entry 0 holds nothing. Zero at start.
class ChannelTable {
  public:
    ChannelEntry get(int channel) const {
        const auto& e = entries_[index(channel)];
        return {e.sensorId.load(std::memory_order_relaxed), e.rate.load(std::memory_order_relaxed),
                e.enabled.load(std::memory_order_relaxed)};
    }
    void set(int channel, ChannelEntry v) {
        auto& e = entries_[index(channel)];
        e.sensorId.store(v.sensorId, std::memory_order_relaxed);
        e.rate.store(v.rate, std::memory_order_relaxed);
        e.enabled.store(v.enabled, std::memory_order_relaxed);
    }

  private:
    struct Slot {
        std::atomic<std::uint8_t> sensorId{0}, rate{0}, enabled{0};
    };
    static std::size_t index(int channel) {
        return channel >= 1 && channel <= kChannelCount ? static_cast<std::size_t>(channel) : 0;
    }
    std::array<Slot, kChannelCount + 1> entries_{};
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
