#include "talvex/operations/sensor_id.hpp"

#include <chrono>

#include "talvex/sensor_registers.hpp"

namespace talvex::operations {

ProcedureResult changeSensorId(RegisterIo& io, Pacer& pacer, int oldId, int newId) {
    if (pacer.cancelled()) return {Outcome::Cancelled, 0};
    io.writeSingle(oldId, sensor::reg::kSensorId, static_cast<std::uint16_t>(newId));
    if (!pacer.pause(std::chrono::milliseconds(500))) return {Outcome::Cancelled, 0};
    std::uint16_t value = 0;
    if (!rtuOk(io.readHolding(newId, sensor::reg::kSensorId, 1, &value)))
        return {Outcome::CommunicationFailure, 0};
    return {value == newId ? Outcome::Done : Outcome::Refused, value};
}

BusSearch searchBus(RegisterIo& io, Pacer& pacer, const std::function<void(int, bool)>& onCandidate,
                    int first, int last) {
    BusSearch search;
    for (int candidate = first; candidate <= last; ++candidate) {
        if (pacer.cancelled()) return search;
        std::uint16_t value = 0;
        const bool found = rtuOk(io.readHolding(candidate, sensor::reg::kSensorId, 1, &value)) &&
                           (value & 0xFF) == candidate;
        if (found) search.found.push_back(candidate);
        if (onCandidate) onCandidate(candidate, found);
    }
    search.completed = true;
    return search;
}

}  // namespace talvex::operations
