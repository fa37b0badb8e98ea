// Hand-over points from the acquisition thread to the front end: the pending-log text and the live
// chart-point queue, each with its own lock and a "pending" hook that the GUI turns into a queued
// signal. Hooks run on the producing thread, outside the lock.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::acquisition {

class PendingLog {
  public:
    void setHook(std::function<void()> hook) {
        std::lock_guard lock(mutex_);
        hook_ = std::move(hook);
    }
    // Appends without announcing (pieces of one line); announce() after the line.
    void append(std::string_view text) {
        std::lock_guard lock(mutex_);
        text_.append(text);
    }
    void announce() {
        std::function<void()> hook;
        {
            std::lock_guard lock(mutex_);
            hook = hook_;
        }
        if (hook) hook();
    }
    std::string take() {
        std::lock_guard lock(mutex_);
        std::string out;
        out.swap(text_);
        return out;
    }

  private:
    std::mutex mutex_;  // guards text_ and hook_
    std::string text_;
    std::function<void()> hook_;
};

struct ChartPoint {
    double hydrogen = 0;
    double temperature = 0;
};

class ChartQueue {
  public:
    void setHook(std::function<void()> hook) {
        std::lock_guard lock(mutex_);
        hook_ = std::move(hook);
    }
    void push(ChartPoint p) {
        std::function<void()> hook;
        {
            std::lock_guard lock(mutex_);
            points_.push_back(p);
            hook = hook_;
        }
        if (hook) hook();
    }
    std::vector<ChartPoint> take() {
        std::lock_guard lock(mutex_);
        std::vector<ChartPoint> out;
        out.swap(points_);
        return out;
    }

  private:
    std::mutex mutex_;  // guards points_ and hook_
    std::vector<ChartPoint> points_;
    std::function<void()> hook_;
};

}  // namespace talvex::acquisition
