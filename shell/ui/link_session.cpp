#include "link_session.hpp"

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/port_open_failure.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"

namespace talvex::ui {

struct LinkSession::SimHolder {
    explicit SimHolder(const sim::BusOptions& o) : bus(o), baud(o.baud) {}
    sim::SimBus bus;
    int baud;
};

LinkSession::LinkSession(acquisition::LinkArbiter* arbiter) : arbiter_(arbiter) {}

LinkSession::~LinkSession() {
    if (isOpen()) close();
}

LinkSession::Result LinkSession::open(const std::string& path, int baud) {
    Result r;
    if (RTUOpenDevice(path.c_str(), baud, 8, 0, 0) != 1) {
        const auto reason = static_cast<PortOpenFailure>(RTULastOpenFailure());
        r.permissionDenied = reason == PortOpenFailure::PermissionDenied;
        r.reason = openFailureMessage(reason, path, RTULastOpenHolder());
        return r;
    }
    if (arbiter_) arbiter_->connected();
    r.ok = true;
    return r;
}

LinkSession::Result LinkSession::openDevice(const std::string& path, int baud) {
    return open(path, baud);
}

LinkSession::Result LinkSession::openSimulatedBus(int baud, SensorModel firstModel) {
    // The bus keeps its sensors' state across reconnects; only another baud rate starts it afresh.
    if (sim_ && sim_->baud != baud) sim_.reset();
    if (!sim_) {
        sim::BusOptions o;
        o.baud = baud;
        const SensorModel first = firstModel == SensorModel::None ? SensorModel::KA : firstModel;
        o.sensors = {sim::defaultSensorConfig(1, first), sim::defaultSensorConfig(2, SensorModel::KB),
                     sim::defaultSensorConfig(3, SensorModel::KG)};
        sim::SensorConfig hub = sim::defaultSensorConfig(4, SensorModel::KF);
        hub.concentrator = true;
        o.sensors.push_back(hub);
        auto holder = std::make_unique<SimHolder>(o);
        std::string error;
        if (!holder->bus.start(&error)) return {false, false, "the simulated bus could not start: " + error};
        sim_ = std::move(holder);
    }
    return open(sim_->bus.slavePath(), baud);
}

void LinkSession::close() {
    if (arbiter_) arbiter_->disconnecting();
    RTUCloseCom();
}

bool LinkSession::isOpen() const {
    return RTUIsOpen() == 1;
}

std::string LinkSession::simulatedBusPath() const {
    return sim_ ? sim_->bus.slavePath() : std::string();
}

}  // namespace talvex::ui
