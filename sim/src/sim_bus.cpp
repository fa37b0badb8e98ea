// In-process bus: builds the devices, owns the line and its serving thread.
#include "talvex/sim/sim_bus.hpp"

#include <fcntl.h>
#include <unistd.h>

namespace talvex::sim {

SimBus::SimBus(BusOptions options) : options_(std::move(options)), model_(options_.timing, options_.seed) {
    model_.setFaults(options_.faults);
}

SimBus::~SimBus() {
    stop();
}

TimePoint SimBus::now() const {
    return options_.clock ? options_.clock() : SteadyClock::now();
}

bool SimBus::start(std::string* error) {
    std::string message;
    if (running_) return true;
    if (!built_) {
        for (const auto& s : options_.sensors) {
            if (!model_.addSensor(s, now())) {
                if (error) *error = "sensor ID " + std::to_string(s.id) + " is invalid or used twice";
                return false;
            }
        }
        if (options_.flowmeter && !model_.addFlowmeter(options_.flowmeterId, now())) {
            if (error)
                *error = "flowmeter ID " + std::to_string(options_.flowmeterId) + " is taken by a sensor";
            return false;
        }
        built_ = true;
    }
    if (!pty_.open(options_.baud, message) ||
        (!options_.linkPath.empty() && !pty_.link(options_.linkPath, message))) {
        pty_.close();
        if (error) *error = message;
        return false;
    }
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
        pty_.close();
        if (error) *error = "cannot create wake-up pipe";
        return false;
    }
    if (!options_.monitorPath.empty() && !monitor_.isOpen() &&
        !monitor_.open(options_.monitorPath, message)) {
        pty_.close();
        if (error) *error = message;
        return false;
    }
    server_ = std::make_unique<FrameServer>(model_, pty_.masterFd(), options_.baud, options_.pace,
                                            options_.clock, monitor_.isOpen() ? &monitor_ : nullptr);
    stop_ = false;
    thread_ = std::thread([this] { server_->run(stop_, wake_[0]); });
    running_ = true;
    return true;
}

void SimBus::stop() {
    if (!running_) return;
    stop_ = true;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(wake_[1], &byte, 1);
    thread_.join();
    ::close(wake_[0]);
    ::close(wake_[1]);
    wake_[0] = wake_[1] = -1;
    pty_.close();
    running_ = false;
}

std::uint64_t SimBus::droppedBytes() const {
    return server_ ? server_->droppedBytes() : 0;
}

bool SimBus::addSensor(const SensorConfig& config) {
    return model_.addSensor(config, now());
}

bool SimBus::removeSensor(std::uint8_t id) {
    return model_.remove(id);
}

bool SimBus::setValues(std::uint8_t id, const SensorValues& values) {
    return model_.withSensor(id, [&values](Sensor& s) { s.setValues(values); });
}

bool SimBus::pokeRegister(std::uint8_t id, std::uint16_t address, std::uint16_t value) {
    return model_.withSensor(id, [&](Sensor& s) { s.poke(address, value); });
}

bool SimBus::clearPokes(std::uint8_t id) {
    return model_.withSensor(id, [](Sensor& s) { s.clearPokes(); });
}

}  // namespace talvex::sim
