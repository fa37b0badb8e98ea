// Opening and closing the one Modbus link of a run: a serial device, or a simulated sensor bus the
// program starts in this process on a pseudo-terminal. Tells the poller, through the arbiter's gate,
// when it may use the link.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "talvex/sensor_model.hpp"

namespace talvex::acquisition {

class LinkArbiter;

// A bus running in this process; it stops when destroyed.
class StartedBus {
  public:
    virtual ~StartedBus() = default;
    virtual std::string path() const = 0;  // the device to open
};

// Starts the simulated bus at a baud rate, the chosen model first; null (and why) when it cannot.
using BusStarter =
    std::function<std::unique_ptr<StartedBus>(int baud, SensorModel firstModel, std::string& error)>;

class LinkSession {
  public:
    // Without a starter the program has no simulated bus (openSimulatedBus fails).
    explicit LinkSession(LinkArbiter* arbiter, BusStarter startBus = {});
    ~LinkSession();

    struct Result {
        bool ok = false;
        bool permissionDenied = false;
        std::string reason;  // why the open failed, for the user, in the active language
    };

    Result openDevice(const std::string& path, int baud);
    // Starts the simulated bus on first use; it keeps its sensors' state across reconnects and
    // starts afresh only for another baud rate.
    Result openSimulatedBus(int baud, SensorModel firstModel);
    // Stops the poller's use of the link, then closes the port.
    void close();
    // The port is open (an I/O error closes it underneath).
    bool isOpen() const;
    // Path of the simulated bus's pseudo-terminal while it runs.
    std::string simulatedBusPath() const;

  private:
    Result open(const std::string& path, int baud);

    LinkArbiter* arbiter_;
    BusStarter startBus_;
    std::unique_ptr<StartedBus> bus_;
    int busBaud_ = 0;
};

}  // namespace talvex::acquisition
