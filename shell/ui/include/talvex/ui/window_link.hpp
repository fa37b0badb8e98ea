// What the main window asks of the link and the poller. The program implements it over its link
// session, poller and arbiter, so the window knows none of them and links none of them.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "talvex/sensor_model.hpp"

namespace talvex::ui {

class WindowLink {
  public:
    virtual ~WindowLink() = default;

    struct Opened {
        bool ok = false;
        std::string reason;  // why the port would not open, for the user
    };
    virtual Opened openDevice(const std::string& path, int baud) = 0;
    virtual Opened openSimulatedBus(int baud, SensorModel firstModel) = 0;
    // Stops the poller's use of the link, then closes the port. May wait for a slot waiting out a
    // silent sensor: call it off the UI thread.
    virtual void close() = 0;
    // The port is open (an I/O error closes it underneath).
    virtual bool isOpen() const = 0;

    // Called on the poller's thread when it has something for the window to take.
    struct PollerHooks {
        std::function<void()> logPending;
        std::function<void()> noticesPending;  // shown whatever the log box's Recv setting says
        std::function<void()> chartPointsPending;
    };
    virtual void startPolling(PollerHooks hooks) = 0;
    // Stops the poller and drops the hooks.
    virtual void stopPolling() = 0;
    virtual void setLogging(bool on) = 0;
    virtual std::string takeLog() = 0;
    virtual std::string takeNotices() = 0;

    // Keeps the poller from starting a slot while the window changes what it reads; the poller goes
    // on when the returned object is destroyed. Sends nothing, so it never waits on a slot.
    class Pause {
      public:
        virtual ~Pause() = default;
    };
    virtual std::unique_ptr<Pause> pause() = 0;
};

}  // namespace talvex::ui
