// The simulated sensor bus in-process: devices, faults and a pseudo-terminal served on a thread
// of its own. Tests, benchmarks, the CLI demo and the GUI's demo mode start one of these.
//
//   talvex::sim::BusOptions o;
//   o.sensors = {defaultSensorConfig(1, SensorModel::KA), defaultSensorConfig(2, SensorModel::KG)};
//   talvex::sim::SimBus bus(o);
//   if (!bus.start(&error)) ...;
//   RTUOpenDevice(bus.slavePath().c_str(), 19200, 8, 0, 0);
//   bus.setValues(1, {.dissolved = 180.0});
//   auto told = bus.writeLog(1);
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "talvex/sim/bus_model.hpp"
#include "talvex/sim/frame_server.hpp"
#include "talvex/sim/pty_endpoint.hpp"

namespace talvex::sim {

struct BusOptions {
    std::vector<SensorConfig> sensors{defaultSensorConfig(1, SensorModel::KA)};
    bool flowmeter = true;
    std::uint8_t flowmeterId = 200;
    int baud = 19200;
    bool pace = true;  // replies at the line's byte time; off answers at once
    std::uint64_t seed = 1;
    Timing timing;
    Faults faults;
    std::string linkPath;     // optional symlink to the slave device
    ClockFn clock;            // time of the devices; steady clock when empty
    std::string monitorPath;  // optional record of every frame taken and reply sent (FrameMonitor)
};

class SimBus {
  public:
    explicit SimBus(BusOptions options = {});
    ~SimBus();
    SimBus(const SimBus&) = delete;
    SimBus& operator=(const SimBus&) = delete;

    // Builds the devices, opens the pseudo-terminal and serves it on a thread. False with a
    // message when the options are inconsistent (duplicate IDs) or the line cannot be opened.
    bool start(std::string* error = nullptr);
    // Stops serving and joins the thread; the devices keep their state.
    void stop();
    bool running() const { return running_; }
    std::string slavePath() const { return pty_.slavePath(); }

    // Thread-safe access to the devices, also while serving.
    BusModel& model() { return model_; }
    TimePoint now() const;

    bool addSensor(const SensorConfig& config);
    bool removeSensor(std::uint8_t id);
    bool setValues(std::uint8_t id, const SensorValues& values);
    bool pokeRegister(std::uint8_t id, std::uint16_t address, std::uint16_t value);
    bool clearPokes(std::uint8_t id);
    void setFaults(const Faults& faults) { model_.setFaults(faults); }
    Faults faults() const { return model_.faults(); }
    void clearFaults() { model_.setFaults(Faults{}); }
    std::vector<WriteRecord> writeLog(std::uint8_t id) const { return model_.writeLog(id); }
    bool clearWriteLog(std::uint8_t id) { return model_.clearWriteLog(id); }
    // Bytes the line discarded as junk or corrupted frames so far.
    std::uint64_t droppedBytes() const;

  private:
    BusOptions options_;
    BusModel model_;
    bool built_ = false;
    PtyEndpoint pty_;
    FrameMonitor monitor_;
    std::unique_ptr<FrameServer> server_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    bool running_ = false;
    int wake_[2] = {-1, -1};
};

}  // namespace talvex::sim
