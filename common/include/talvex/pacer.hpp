// The pauses of a sensor operation ("write, wait 100 ms, read back"). Operations take a Pacer so
// that tests run them on a fake clock: FakePacer records every pause and advances a clock the
// simulator can share, instead of sleeping. A pacer can also be cancelled (disconnect, Stop, another
// sensor selected): pause() then returns false at once and the operation ends.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace talvex {

class Pacer {
  public:
    virtual ~Pacer() = default;
    // Waits d; false when the operation was cancelled (before or during the wait).
    virtual bool pause(std::chrono::milliseconds d) = 0;
    virtual bool cancelled() const = 0;
    // Milliseconds on this pacer's clock (monotonic), for operations that measure elapsed time.
    virtual std::int64_t nowMs() const = 0;
};

// Real time; cancel() wakes a pause under way.
class SteadyPacer : public Pacer {
  public:
    bool pause(std::chrono::milliseconds d) override {
        std::unique_lock lock(mutex_);
        return !wake_.wait_for(lock, d, [this] { return cancelled_.load(); });
    }
    bool cancelled() const override { return cancelled_.load(); }
    std::int64_t nowMs() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void cancel() {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        wake_.notify_all();
    }
    void reset() { cancelled_ = false; }

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> cancelled_{false};
};

// Test pacer: records each pause and advances its own clock by it; never sleeps.
class FakePacer : public Pacer {
  public:
    bool pause(std::chrono::milliseconds d) override {
        if (cancelled_) return false;
        pauses.push_back(d.count());
        clockMs += d.count();
        return true;
    }
    bool cancelled() const override { return cancelled_; }
    std::int64_t nowMs() const override { return clockMs; }
    void cancel() { cancelled_ = true; }

    std::vector<std::int64_t> pauses;
    std::atomic<std::int64_t> clockMs{0};

  private:
    bool cancelled_ = false;
};

}  // namespace talvex
