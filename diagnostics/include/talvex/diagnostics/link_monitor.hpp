// Listens on the master's frame tap (RTUAddFrameListener) for as long as it lives, and keeps the link
// statistics and, when asked, the traffic log. Create one per process for the workbench or a CLI run.
#pragma once

#include <memory>

#include "talvex/diagnostics/link_statistics.hpp"
#include "talvex/diagnostics/traffic_log.hpp"
#include "talvex/rtu.h"

namespace talvex::diagnostics {

class LinkMonitor {
  public:
    // keepFrames: also fill the traffic log (the statistics are always kept).
    explicit LinkMonitor(bool keepFrames = true);
    ~LinkMonitor();
    LinkMonitor(const LinkMonitor&) = delete;
    LinkMonitor& operator=(const LinkMonitor&) = delete;

    bool attached() const { return attached_; }
    // Leaves the tap and comes back (the figures and frames so far stay).
    void attach();
    void detach();
    LinkStatistics& statistics() { return statistics_; }
    TrafficLog& log() { return log_; }

    // The work of one tap frame (public so tests can feed frames without a line).
    void take(const RTUFrame& frame);

  private:
    static void onFrame(const RTUFrame* frame, void* user);

    bool keepFrames_;
    bool attached_ = false;
    LinkStatistics statistics_;
    TrafficLog log_;
    std::int64_t lastRequestUs_ = -1;  // link thread only
};

}  // namespace talvex::diagnostics
