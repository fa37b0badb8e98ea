#include "talvex/acquisition/link_session.hpp"

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/language.hpp"
#include "talvex/port_open_text.hpp"
#include "talvex/rtu.h"

namespace talvex::acquisition {

LinkSession::LinkSession(LinkArbiter* arbiter, BusStarter startBus)
    : arbiter_(arbiter), startBus_(std::move(startBus)) {}

LinkSession::~LinkSession() {
    if (isOpen()) close();
}

LinkSession::Result LinkSession::open(const std::string& path, int baud) {
    Result r;
    if (RTUOpenDevice(path.c_str(), baud, 8, 0, 0) != 1) {
        const auto reason = static_cast<PortOpenFailure>(RTULastOpenFailure());
        r.permissionDenied = reason == PortOpenFailure::PermissionDenied;
        r.reason = portOpenReason(reason, path, RTULastOpenHolder());
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
    if (bus_ && busBaud_ != baud) bus_.reset();
    if (!bus_) {
        if (!startBus_) return {false, false, GetText("IDS_Port_NoSimulatedBus")};
        std::string error;
        bus_ = startBus_(baud, firstModel, error);
        if (!bus_) return {false, false, GetTextWith("IDS_Port_SimulatedBusFailed", {error})};
        busBaud_ = baud;
    }
    return open(bus_->path(), baud);
}

void LinkSession::close() {
    if (arbiter_) arbiter_->disconnecting();
    RTUCloseCom();
}

bool LinkSession::isOpen() const {
    return RTUIsOpen() == 1;
}

std::string LinkSession::simulatedBusPath() const {
    return bus_ ? bus_->path() : std::string();
}

}  // namespace talvex::acquisition
