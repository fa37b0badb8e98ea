// Dispatch of requests to the devices, with the injected faults applied on the way out.
#include "talvex/sim/bus_model.hpp"

#include <algorithm>

#include "talvex/sim/frame_codec.hpp"

namespace talvex::sim {

Device* BusModel::find(std::uint8_t id) const {
    for (const auto& d : devices_)
        if (d->slaveId() == id) return d.get();
    return nullptr;
}

bool BusModel::addSensor(const SensorConfig& config, TimePoint now) {
    std::lock_guard lock(mutex_);
    if (config.id < 1 || config.id > 247 || find(config.id)) return false;
    devices_.push_back(std::make_unique<Sensor>(config, timing_, seed_, now));
    return true;
}

bool BusModel::addFlowmeter(std::uint8_t id, TimePoint now) {
    std::lock_guard lock(mutex_);
    if (id < 1 || id > 247 || find(id)) return false;
    devices_.push_back(std::make_unique<Flowmeter>(id, now));
    return true;
}

bool BusModel::remove(std::uint8_t id) {
    std::lock_guard lock(mutex_);
    const auto it =
        std::find_if(devices_.begin(), devices_.end(), [id](const auto& d) { return d->slaveId() == id; });
    if (it == devices_.end()) return false;
    devices_.erase(it);
    return true;
}

std::vector<std::uint8_t> BusModel::slaveIds() const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> ids;
    for (const auto& d : devices_) ids.push_back(d->slaveId());
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool BusModel::chance(double rate) {
    if (rate <= 0) return false;
    if (rate >= 1) return true;
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < rate;
}

const LostRequest* BusModel::lostBy(std::uint8_t slave, std::uint16_t address, unsigned span) {
    const LostRequest* hit = nullptr;
    for (std::size_t i = 0; i < faults_.lost.size(); ++i) {
        const LostRequest& rule = faults_.lost[i];
        if (rule.slave != slave || rule.reg < address || rule.reg >= address + span) continue;
        if (++lostSeen_[i] == rule.nth && !hit) hit = &rule;
    }
    return hit;
}

std::optional<Outgoing> BusModel::handle(const std::vector<std::uint8_t>& frame, TimePoint now) {
    std::lock_guard lock(mutex_);
    const Request request = decodeRequest(frame);
    BusStats& mine = slaveStats_[request.slave];
    // Every figure goes to the bus total and to the addressed slave's own.
    auto count = [&](std::uint64_t BusStats::*field) {
        ++(stats_.*field);
        ++(mine.*field);
    };
    count(&BusStats::requests);
    Device* device = find(request.slave);
    if (!device) return std::nullopt;
    if (std::find(faults_.silent.begin(), faults_.silent.end(), request.slave) != faults_.silent.end()) {
        count(&BusStats::silenced);
        return std::nullopt;
    }
    if (chance(faults_.dropRate)) {
        count(&BusStats::dropped);
        return std::nullopt;
    }

    Reply reply;
    const unsigned span = std::max<unsigned>(1, request.quantity);
    const LostRequest* lost = lostBy(request.slave, request.address, span);
    if (lost && !lost->replyOnly) {
        count(&BusStats::dropped);
        return std::nullopt;
    }
    for (const auto& rule : faults_.exceptions) {
        if (rule.slave == request.slave && rule.reg >= request.address && rule.reg < request.address + span &&
            (request.function == 3 || request.function == 6 || request.function == 16)) {
            reply.exception = rule.code;
        }
    }
    if (reply.exception == 0) {
        switch (request.function) {
            case 3:
                if (request.quantity < 1 || request.quantity > 125)
                    reply.exception = kIllegalValue;
                else
                    reply = device->read(request.address, request.quantity, now);
                break;
            case 6:
            case 16: {
                if (request.function == 16 &&
                    (request.quantity < 1 || request.quantity > 123 ||
                     request.values.size() != request.quantity || frame[6] != 2 * request.quantity)) {
                    reply.exception = kIllegalValue;
                    break;
                }
                // A new sensor ID must be a valid address not in use by another device.
                const bool touchesId = dynamic_cast<Sensor*>(device) && request.address <= 150 &&
                                       request.address + request.values.size() > 150;
                if (touchesId) {
                    const auto newId = request.values[150u - request.address];
                    if (newId < 1 || newId > 247 ||
                        (newId != request.slave && find(static_cast<std::uint8_t>(newId)))) {
                        reply.exception = kIllegalValue;
                        break;
                    }
                }
                reply = device->write(request, now);
                break;
            }
            default:
                reply.exception = kIllegalFunction;
                break;
        }
    }

    if (lost) {  // the device has acted on it; only the reply never arrives
        count(&BusStats::dropped);
        return std::nullopt;
    }
    Outgoing out;
    out.delay = faults_.delay;
    count(&BusStats::replies);
    if (reply.exception != 0) count(&BusStats::exceptions);
    if (reply.streamOnly) {
        out.bytes = std::move(reply.stream);
        out.pauseAt = reply.pauseAt;
        out.pause = reply.pause;
        return out;
    }
    out.bytes = encodeReply(request, reply);
    if (chance(faults_.crcErrorRate)) {
        out.bytes.back() ^= 0x5A;
        count(&BusStats::corrupted);
    }
    if (chance(faults_.truncateRate)) {
        count(&BusStats::truncated);
        const auto keep = std::uniform_int_distribution<std::size_t>(1, out.bytes.size() - 1)(rng_);
        out.bytes.resize(keep);
    }
    return out;
}

void BusModel::setFaults(const Faults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
    lostSeen_.assign(faults_.lost.size(), 0);
}

Faults BusModel::faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

void BusModel::setTiming(const Timing& timing) {
    std::lock_guard lock(mutex_);
    timing_ = timing;
    for (const auto& d : devices_)
        if (auto* s = dynamic_cast<Sensor*>(d.get())) s->setTiming(timing);
}

BusStats BusModel::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

BusStats BusModel::stats(std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    const auto it = slaveStats_.find(id);
    return it == slaveStats_.end() ? BusStats{} : it->second;
}

bool BusModel::withSensor(std::uint8_t id, const std::function<void(Sensor&)>& fn) {
    std::lock_guard lock(mutex_);
    auto* s = dynamic_cast<Sensor*>(find(id));
    if (!s) return false;
    fn(*s);
    return true;
}

bool BusModel::withFlowmeter(std::uint8_t id, const std::function<void(Flowmeter&)>& fn) {
    std::lock_guard lock(mutex_);
    auto* f = dynamic_cast<Flowmeter*>(find(id));
    if (!f) return false;
    fn(*f);
    return true;
}

void BusModel::forEachSensor(const std::function<void(Sensor&)>& fn) {
    std::lock_guard lock(mutex_);
    for (const auto& d : devices_)
        if (auto* s = dynamic_cast<Sensor*>(d.get())) fn(*s);
}

void BusModel::forEachDeviceId(const std::function<void(std::uint8_t, const Sensor*)>& fn) const {
    // Called from inside forEachSensor, which already holds the lock.
    for (const auto& d : devices_) fn(d->slaveId(), dynamic_cast<const Sensor*>(d.get()));
}

std::vector<WriteRecord> BusModel::writeLog(std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    const Device* d = find(id);
    if (!d) return {};
    return {d->writeLog().begin(), d->writeLog().end()};
}

bool BusModel::clearWriteLog(std::uint8_t id) {
    std::lock_guard lock(mutex_);
    Device* d = find(id);
    if (!d) return false;
    d->clearWriteLog();
    return true;
}

}  // namespace talvex::sim
