// The simulator's own record of its line (talvex-sim --monitor FILE): one line per request frame it took
// and per reply it sent, "<monotonic us> rx|tx <hex bytes>", flushed at once so a reader can follow it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace talvex::sim {

class FrameMonitor {
  public:
    FrameMonitor() = default;
    ~FrameMonitor();
    FrameMonitor(const FrameMonitor&) = delete;
    FrameMonitor& operator=(const FrameMonitor&) = delete;

    // Creates or empties the file; false with a message when it cannot be written.
    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    // received: a request the simulator took; otherwise a reply it sent.
    void record(bool received, const std::vector<std::uint8_t>& bytes);

  private:
    std::mutex mutex_;  // guards file_ writes
    std::FILE* file_ = nullptr;
};

}  // namespace talvex::sim
