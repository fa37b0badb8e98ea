// The window's link over the run's core: the link session opens and closes the port, the poller
// reports through the window's hooks, the arbiter pauses it.
#pragma once

#include "talvex/acquisition/link_session.hpp"
#include "talvex/ui/window_link.hpp"

namespace talvex::acquisition {
class AcquisitionEngine;
class LinkArbiter;
}  // namespace talvex::acquisition

namespace talvex::app {

class WorkbenchLink final : public ui::WindowLink {
  public:
    // Any of engine and arbiter may be null (a window that polls nothing); both outlive this.
    WorkbenchLink(acquisition::AcquisitionEngine* engine, acquisition::LinkArbiter* arbiter,
                  acquisition::BusStarter simulatedBus = {});

    Opened openDevice(const std::string& path, int baud) override;
    Opened openSimulatedBus(int baud, SensorModel firstModel) override;
    void close() override;
    bool isOpen() const override;

    void startPolling(PollerHooks hooks) override;
    void stopPolling() override;
    void setLogging(bool on) override;
    std::string takeLog() override;
    std::string takeNotices() override;

    std::unique_ptr<Pause> pause() override;

  private:
    acquisition::AcquisitionEngine* engine_;
    acquisition::LinkArbiter* arbiter_;
    acquisition::LinkSession session_;
};

}  // namespace talvex::app
