// The devices of the simulated bus and the fault injection between them and the line: a request
// frame goes in, the reply bytes (or silence) come out. No I/O; thread-safe.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

#include "talvex/sim/faults.hpp"
#include "talvex/sim/flowmeter.hpp"
#include "talvex/sim/sensor.hpp"

namespace talvex::sim {

// Reply bytes and how long to wait before sending them.
struct Outgoing {
    std::vector<std::uint8_t> bytes;
    Millis delay{0};
    std::size_t pauseAt = 0;  // a pause of pause after this many bytes (0: none)
    Millis pause{0};
};

struct BusStats {
    std::uint64_t requests = 0;    // frames with a good CRC, any slave
    std::uint64_t replies = 0;     // frames or streams sent back
    std::uint64_t exceptions = 0;  // of those, exception replies
    // Faults applied (a reply may be both corrupted and truncated).
    std::uint64_t silenced = 0;   // requests to a silent slave, unanswered
    std::uint64_t dropped = 0;    // requests left unanswered by the drop rate or a lost-request rule
    std::uint64_t corrupted = 0;  // replies sent with a wrong CRC
    std::uint64_t truncated = 0;  // replies cut short
};

class BusModel {
  public:
    BusModel(const Timing& timing, std::uint64_t seed) : timing_(timing), seed_(seed), rng_(seed) {}

    // False when the slave address is outside 1..247 or taken.
    bool addSensor(const SensorConfig& config, TimePoint now);
    bool addFlowmeter(std::uint8_t id, TimePoint now);
    bool remove(std::uint8_t id);
    std::vector<std::uint8_t> slaveIds() const;

    std::optional<Outgoing> handle(const std::vector<std::uint8_t>& frame, TimePoint now);

    void setFaults(const Faults& faults);
    Faults faults() const;
    void setTiming(const Timing& timing);
    BusStats stats() const;
    // The same figures for the requests addressed to one slave (zero for one never addressed).
    BusStats stats(std::uint8_t id) const;

    // Runs fn on the sensor under the bus lock; false when no sensor answers at id.
    bool withSensor(std::uint8_t id, const std::function<void(Sensor&)>& fn);
    bool withFlowmeter(std::uint8_t id, const std::function<void(Flowmeter&)>& fn);
    // Runs fn on every sensor in turn (under the lock; fn must not call back into the bus).
    void forEachSensor(const std::function<void(Sensor&)>& fn);
    // For use inside forEachSensor only: every device's slave ID, with the sensor owning it or null.
    void forEachDeviceId(const std::function<void(std::uint8_t, const Sensor*)>& fn) const;
    std::vector<WriteRecord> writeLog(std::uint8_t id) const;
    bool clearWriteLog(std::uint8_t id);

  private:
    Device* find(std::uint8_t id) const;  // caller holds mutex_
    bool chance(double rate);
    // The lost-request rule request meets, if any (counts it); caller holds mutex_.
    const LostRequest* lostBy(std::uint8_t slave, std::uint16_t address, unsigned span);

    mutable std::mutex mutex_;  // guards every member below
    Timing timing_;
    std::uint64_t seed_;
    std::vector<std::unique_ptr<Device>> devices_;
    Faults faults_;
    std::vector<unsigned> lostSeen_;  // per rule of faults_.lost: matching requests so far
    std::mt19937_64 rng_;
    BusStats stats_;
    std::map<std::uint8_t, BusStats> slaveStats_;
};

}  // namespace talvex::sim
