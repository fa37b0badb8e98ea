// Opening and closing the one Modbus link for the window: a serial device, or the built-in
// simulated bus started in this process on a pseudo-terminal. Tells the acquisition engine when
// the poller may use the link (through the arbiter's gate).
#pragma once

#include <memory>
#include <string>

#include "talvex/sensor_model.hpp"

namespace talvex::acquisition {
class LinkArbiter;
}

namespace talvex::ui {

class LinkSession {
  public:
    explicit LinkSession(acquisition::LinkArbiter* arbiter);
    ~LinkSession();

    struct Result {
        bool ok = false;
        bool permissionDenied = false;
        std::string reason;  // why the open failed, for the user (English)
    };

    Result openDevice(const std::string& path, int baud);
    // Starts the simulated bus on first use: sensors 1-3 (the first of the chosen model), a wireless
    // concentrator at 4 and the flowmeter at 200.
    Result openSimulatedBus(int baud, SensorModel firstModel);
    // Stops the poller's use of the link, then closes the port.
    void close();
    // The port is open (an I/O error closes it underneath).
    bool isOpen() const;
    // Path of the simulated bus's pseudo-terminal while it runs.
    std::string simulatedBusPath() const;

  private:
    Result open(const std::string& path, int baud);
    struct SimHolder;

    acquisition::LinkArbiter* arbiter_;
    std::unique_ptr<SimHolder> sim_;
};

}  // namespace talvex::ui
