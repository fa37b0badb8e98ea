// poll --stats: watches the master's frame tap while it lives and prints the per-sensor link statistics
// to stdout when it goes (a table, or one JSON object with --json).
#pragma once

#include <memory>

namespace talvex::diagnostics {
class LinkMonitor;
}

namespace talvex::cli {

class LinkStatsReport {
  public:
    // Does nothing at all unless enabled.
    LinkStatsReport(bool enabled, bool json);
    ~LinkStatsReport();
    LinkStatsReport(const LinkStatsReport&) = delete;
    LinkStatsReport& operator=(const LinkStatsReport&) = delete;

  private:
    std::unique_ptr<diagnostics::LinkMonitor> monitor_;
    bool json_;
};

}  // namespace talvex::cli
