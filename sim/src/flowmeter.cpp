// Mass-flow controller: a first-order lag from the flow at the last setpoint change.
#include "talvex/sim/flowmeter.hpp"

#include <cmath>

namespace talvex::sim {

namespace {
constexpr double kLagSeconds = 1.5;
}

double Flowmeter::setpoint() const {
    return static_cast<double>(static_cast<std::uint32_t>(setHigh_) << 16 | setLow_) / 1000.0;
}

double Flowmeter::flow(TimePoint now) const {
    const double dt = std::chrono::duration<double>(now - changed_).count();
    return targetAtChange_ + (flowAtChange_ - targetAtChange_) * std::exp(-dt / kLagSeconds);
}

Reply Flowmeter::read(std::uint16_t start, std::uint16_t count, TimePoint now) {
    Reply reply;
    for (unsigned a = start; a < static_cast<unsigned>(start) + count; ++a) {
        switch (a) {
            case 2053:
                reply.registers.push_back(setHigh_);
                break;
            case 2054:
                reply.registers.push_back(setLow_);
                break;
            case 2102: {
                const double t = std::chrono::duration<double>(now - start_).count();
                const double celsius = 25.3 + 0.2 * std::sin(t / 600.0);
                reply.registers.push_back(static_cast<std::uint16_t>(std::lround(celsius * 100.0)));
                break;
            }
            case 2103:
                reply.registers.push_back(static_cast<std::uint16_t>(std::lround(flow(now))));
                break;
            default:
                reply.registers.clear();
                reply.exception = kIllegalAddress;
                return reply;
        }
    }
    return reply;
}

Reply Flowmeter::write(const Request& request, TimePoint now) {
    Reply reply;
    for (std::size_t i = 0; i < request.values.size(); ++i) {
        const auto a = request.address + i;
        if (a != 2053 && a != 2054) {
            reply.exception = kIllegalAddress;
            return reply;
        }
    }
    logWrite(request, now);
    const double current = flow(now);
    for (std::size_t i = 0; i < request.values.size(); ++i)
        (request.address + i == 2053 ? setHigh_ : setLow_) = request.values[i];
    flowAtChange_ = current;
    targetAtChange_ = setpoint();
    changed_ = now;
    return reply;
}

}  // namespace talvex::sim
