#include "link_stats_report.hpp"

#include <cstdio>

#include "talvex/diagnostics/diagnostics_format.hpp"
#include "talvex/diagnostics/link_monitor.hpp"

namespace talvex::cli {

LinkStatsReport::LinkStatsReport(bool enabled, bool json) : json_(json) {
    if (enabled) monitor_ = std::make_unique<diagnostics::LinkMonitor>(/*keepFrames=*/false);
}

LinkStatsReport::~LinkStatsReport() {
    if (!monitor_) return;
    const auto slaves = monitor_->statistics().all();
    monitor_.reset();  // off the tap before printing
    const std::string text =
        json_ ? diagnostics::statisticsJson(slaves) + "\n" : diagnostics::statisticsText(slaves);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace talvex::cli
