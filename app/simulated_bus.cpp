#include "simulated_bus.hpp"

#include "talvex/sim/sim_bus.hpp"

namespace talvex::app {
namespace {

class SimulatedBus final : public acquisition::StartedBus {
  public:
    explicit SimulatedBus(const sim::BusOptions& options) : bus_(options) {}
    bool start(std::string& error) { return bus_.start(&error); }
    std::string path() const override { return bus_.slavePath(); }

  private:
    sim::SimBus bus_;
};

}  // namespace

acquisition::BusStarter simulatedBusStarter() {
    return
        [](int baud, SensorModel firstModel, std::string& error) -> std::unique_ptr<acquisition::StartedBus> {
            sim::BusOptions o;
            o.baud = baud;
            const SensorModel first = firstModel == SensorModel::None ? SensorModel::KA : firstModel;
            o.sensors = {sim::defaultSensorConfig(1, first), sim::defaultSensorConfig(2, SensorModel::KB),
                         sim::defaultSensorConfig(3, SensorModel::KG)};
            sim::SensorConfig hub = sim::defaultSensorConfig(4, SensorModel::KF);
            hub.concentrator = true;
            o.sensors.push_back(hub);
            auto bus = std::make_unique<SimulatedBus>(o);
            if (!bus->start(error)) return nullptr;
            return bus;
        };
}

}  // namespace talvex::app
