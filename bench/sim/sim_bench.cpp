// How much the simulator costs per request. BM_ModelPoll: the three reads of one measurement poll
// through the register model and framing, no I/O. BM_RoundTrip*: one 15-register read by our
// master over a pseudo-terminal, answered by the simulator (unpaced) or by a libmodbus RTU slave
// serving a plain register table; the difference is what the simulator's model and framing add.
// Round trips report median and 99th percentile as counters.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <modbus.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "talvex/crc16.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/bus_model.hpp"
#include "talvex/sim/sim_bus.hpp"

namespace {

using namespace talvex::sim;

std::vector<std::uint8_t> readFrame(std::uint8_t slave, std::uint16_t address, std::uint16_t count) {
    std::vector<std::uint8_t> f{slave,
                                3,
                                static_cast<std::uint8_t>(address >> 8),
                                static_cast<std::uint8_t>(address),
                                static_cast<std::uint8_t>(count >> 8),
                                static_cast<std::uint8_t>(count),
                                0,
                                0};
    talvex::appendCrc(f.data(), 6);
    return f;
}

void BM_ModelPoll(benchmark::State& state) {
    BusModel bus(Timing{}, 1);
    const auto now = SteadyClock::now();
    for (std::uint8_t id = 1; id <= 48; ++id)
        bus.addSensor(defaultSensorConfig(id, talvex::SensorModel::KA), now);
    const auto a = readFrame(7, 0, 15), b = readFrame(7, 111, 1), c = readFrame(7, 161, 6);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bus.handle(a, now));
        benchmark::DoNotOptimize(bus.handle(b, now));
        benchmark::DoNotOptimize(bus.handle(c, now));
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_ModelPoll);

void reportRoundTrips(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

void roundTrips(benchmark::State& state, const std::string& path) {
    if (RTUOpenDevice(path.c_str(), 115200, 8, 0, 0) != 1) {
        state.SkipWithError("cannot open the line");
        return;
    }
    unsigned char buf[64];
    std::vector<double> micros;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (RTUReadHoldingRegisters(1, 0, 15, buf) != RTU_OK) {
            state.SkipWithError("read failed");
            break;
        }
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    RTUCloseCom();
    reportRoundTrips(state, micros);
}

// Starts a bus with one sensor and times round trips against it; false when it did not start.
bool roundTripsOnBus(benchmark::State& state, BusOptions o) {
    o.flowmeter = false;
    SimBus bus(o);
    if (!bus.start()) {
        state.SkipWithError("simulator did not start");
        return false;
    }
    roundTrips(state, bus.slavePath());
    return true;
}

void BM_RoundTripSimulator(benchmark::State& state) {
    BusOptions o;
    o.pace = false;
    roundTripsOnBus(state, o);
}
BENCHMARK(BM_RoundTripSimulator)->UseRealTime();

// Paced at 19200 baud the 35-byte reply alone takes 35 x 10 / 19200 s = 18.2 ms; the median should
// sit just above that (the expected figure is reported beside it).
void BM_RoundTripPaced19200(benchmark::State& state) {
    BusOptions o;
    o.baud = 19200;
    if (roundTripsOnBus(state, o)) state.counters["line_time_us"] = 35 * 10 * 1e6 / 19200;
}
BENCHMARK(BM_RoundTripPaced19200)->UseRealTime()->Iterations(60);

// A libmodbus RTU slave on the master side of a pseudo-terminal, answering from a register table.
class LibmodbusSlave {
  public:
    LibmodbusSlave() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master_);
        unlockpt(master_);
        path_ = ptsname(master_);
        hold_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        tcgetattr(hold_, &tio);
        cfmakeraw(&tio);
        tcsetattr(hold_, TCSANOW, &tio);
        // libmodbus opens devices by name; hand it the master side as its socket instead.
        ctx_ = modbus_new_rtu(path_.c_str(), 115200, 'N', 8, 1);
        map_ = modbus_mapping_new(0, 0, 256, 0);
        ok_ = ctx_ && map_ && modbus_set_slave(ctx_, 1) == 0 && modbus_set_socket(ctx_, master_) == 0;
        if (ok_) thread_ = std::thread([this] { serve(); });
    }
    ~LibmodbusSlave() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (ctx_) modbus_free(ctx_);  // not modbus_close: the descriptor is ours
        if (map_) modbus_mapping_free(map_);
        close(hold_);
        close(master_);
    }
    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

  private:
    void serve() {
        std::uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        timeval tv{0, 100000};
        modbus_set_indication_timeout(ctx_, static_cast<std::uint32_t>(tv.tv_sec),
                                      static_cast<std::uint32_t>(tv.tv_usec));
        while (!stop_) {
            const int n = modbus_receive(ctx_, query);
            if (n > 0) modbus_reply(ctx_, query, n, map_);
        }
    }
    int master_ = -1, hold_ = -1;
    std::string path_;
    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* map_ = nullptr;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void BM_RoundTripLibmodbusSlave(benchmark::State& state) {
    LibmodbusSlave slave;
    if (!slave.ok()) {
        state.SkipWithError("libmodbus slave did not start");
        return;
    }
    roundTrips(state, slave.path());
}
BENCHMARK(BM_RoundTripLibmodbusSlave)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
