// One 15-register holding read (the poller's measurement block) per iteration, master and slave on the two
// ends of a pseudo-terminal. The slave thread answers from a prepared frame as fast as it can, so the
// figures are the masters' own cost: framing, syscalls, waiting and validation.
// Each benchmark reports the median and 99th percentile round trip as counters.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <modbus.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "talvex/crc16.hpp"
#include "talvex/diagnostics/link_monitor.hpp"
#include "talvex/rtu.h"

namespace {

constexpr int kSlave = 1;
constexpr int kRegisters = 15;

class FastSlave {
  public:
    FastSlave() {
        char name[128] = {};
        openpty(&master_, &slave_, name, nullptr, nullptr);
        path_ = name;
        termios tio{};
        tcgetattr(slave_, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
        reply_ = {kSlave, 3, 2 * kRegisters};
        for (int i = 0; i < kRegisters; ++i) {
            reply_.push_back(0x03);
            reply_.push_back(static_cast<std::uint8_t>(i));
        }
        const std::size_t n = reply_.size();
        reply_.resize(n + 2);
        talvex::appendCrc(reply_.data(), n);
        (void)!pipe(stop_);
        thread_ = std::thread([this] { run(); });
    }
    ~FastSlave() {
        (void)!write(stop_[1], "x", 1);
        thread_.join();
        close(stop_[0]);
        close(stop_[1]);
        close(master_);
        close(slave_);
    }
    const std::string& path() const { return path_; }

  private:
    void run() {
        std::uint8_t buf[256];
        std::size_t held = 0;
        for (;;) {
            pollfd p[2] = {{master_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (poll(p, 2, -1) < 0) continue;
            if (p[1].revents) return;
            if (!(p[0].revents & POLLIN)) {
                usleep(1000);  // no one holds the device between benchmarks
                continue;
            }
            const ssize_t n = read(master_, buf + held, sizeof buf - held);
            if (n <= 0) continue;
            held += static_cast<std::size_t>(n);
            while (held >= 8) {  // every request here is an 8-byte read request
                (void)!write(master_, reply_.data(), reply_.size());
                std::copy(buf + 8, buf + held, buf);
                held -= 8;
            }
        }
    }

    int master_ = -1;
    int slave_ = -1;
    int stop_[2] = {-1, -1};
    std::string path_;
    std::vector<std::uint8_t> reply_;
    std::thread thread_;
};

template <typename ReadFn>
void measure(benchmark::State& state, ReadFn readOnce) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> us;
    us.reserve(100000);
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!readOnce()) {
            state.SkipWithError("read failed");
            return;
        }
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[us.size() * 99 / 100];
}

void BM_TalvexRead15(benchmark::State& state) {
    FastSlave slave;
    if (RTUOpenDevice(slave.path().c_str(), 19200, 8, 0, 0) != 1) {
        state.SkipWithError("open failed");
        return;
    }
    unsigned char data[2 * kRegisters];
    measure(state, [&] { return RTUReadHoldingRegisters(kSlave, 0, kRegisters, data) == RTU_OK; });
    RTUCloseCom();
}

void BM_LibmodbusRead15(benchmark::State& state) {
    FastSlave slave;
    modbus_t* ctx = modbus_new_rtu(slave.path().c_str(), 19200, 'N', 8, 1);
    if (ctx == nullptr || modbus_set_slave(ctx, kSlave) != 0 || modbus_connect(ctx) != 0) {
        state.SkipWithError("libmodbus could not open the pty");
        if (ctx) modbus_free(ctx);
        return;
    }
    modbus_set_response_timeout(ctx, 1, 0);
    std::uint16_t regs[kRegisters];
    measure(state, [&] { return modbus_read_registers(ctx, 0, kRegisters, regs) == kRegisters; });
    modbus_close(ctx);
    modbus_free(ctx);
}

// Both masters in turn within one loop, so a busy machine weighs on both alike: the fairest ratio.
void BM_AlternatingRead15(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    FastSlave ourSlave;
    FastSlave theirSlave;
    modbus_t* ctx = modbus_new_rtu(theirSlave.path().c_str(), 19200, 'N', 8, 1);
    if (RTUOpenDevice(ourSlave.path().c_str(), 19200, 8, 0, 0) != 1 || ctx == nullptr ||
        modbus_set_slave(ctx, kSlave) != 0 || modbus_connect(ctx) != 0) {
        state.SkipWithError("could not open both ptys");
        if (ctx) modbus_free(ctx);
        RTUCloseCom();
        return;
    }
    unsigned char data[2 * kRegisters];
    std::uint16_t regs[kRegisters];
    std::vector<double> ours, theirs;
    auto readOurs = [&] {
        const auto t0 = Clock::now();
        const bool ok = RTUReadHoldingRegisters(kSlave, 0, kRegisters, data) == RTU_OK;
        ours.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        return ok;
    };
    auto readTheirs = [&] {
        const auto t0 = Clock::now();
        const bool ok = modbus_read_registers(ctx, 0, kRegisters, regs) == kRegisters;
        theirs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        return ok;
    };
    // The first read of a pair finds a colder machine; who goes first swaps every iteration.
    bool oursFirst = true;
    for (auto _ : state) {
        const bool ok = oursFirst ? readOurs() && readTheirs() : readTheirs() && readOurs();
        oursFirst = !oursFirst;
        if (!ok) {
            state.SkipWithError("read failed");
            break;
        }
    }
    modbus_close(ctx);
    modbus_free(ctx);
    RTUCloseCom();
    if (ours.empty()) return;
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    const double a = ours[ours.size() / 2];
    const double b = theirs[theirs.size() / 2];
    state.counters["talvex_median_us"] = a;
    state.counters["libmodbus_median_us"] = b;
    state.counters["ratio"] = a / b;
}

// The frame tap's price: the same read without a listener and with the workbench's own (statistics and the
// traffic log), in turn within one loop. The ratio is tapped / untapped median.
void BM_TapOverheadRead15(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    FastSlave slave;
    if (RTUOpenDevice(slave.path().c_str(), 19200, 8, 0, 0) != 1) {
        state.SkipWithError("open failed");
        return;
    }
    talvex::diagnostics::LinkMonitor monitor;
    monitor.detach();
    unsigned char data[2 * kRegisters];
    std::vector<double> plain, tapped;
    bool tapFirst = false;
    auto readOnce = [&](bool tap) {
        if (tap) monitor.attach();
        const auto t0 = Clock::now();
        const bool ok = RTUReadHoldingRegisters(kSlave, 0, kRegisters, data) == RTU_OK;
        (tap ? tapped : plain)
            .push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        if (tap) monitor.detach();
        return ok;
    };
    for (auto _ : state) {
        const bool ok = readOnce(tapFirst) && readOnce(!tapFirst);
        tapFirst = !tapFirst;
        if (!ok) {
            state.SkipWithError("read failed");
            break;
        }
    }
    RTUCloseCom();
    if (plain.empty()) return;
    std::sort(plain.begin(), plain.end());
    std::sort(tapped.begin(), tapped.end());
    state.counters["untapped_median_us"] = plain[plain.size() / 2];
    state.counters["tapped_median_us"] = tapped[tapped.size() / 2];
    state.counters["ratio"] = tapped[tapped.size() / 2] / plain[plain.size() / 2];
    state.counters["frames_logged"] = static_cast<double>(monitor.log().size());
}

BENCHMARK(BM_TalvexRead15)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_TapOverheadRead15)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LibmodbusRead15)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_AlternatingRead15)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
