// The longest stall of the window's event loop while a sensor operation runs against the simulated
// sensor on a pty at 19200 baud: the optional-functions save (14 commands with their read-backs and
// pauses, over 3 s) and the device parameter read (12 register reads and 6 text items). A 1 ms timer
// on the window's thread notes the largest gap between its ticks; the goal is under 50 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "device_parameters_page.hpp"
#include "optional_functions_page.hpp"
#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/prompter.hpp"

namespace {

using namespace talvex;

class QuietPrompter : public ui::Prompter {
  public:
    void message(QWidget*, const QString&, const QString&, Icon) override {}
    bool question(QWidget*, const QString&, const QString&) override { return true; }
};

struct Rig {
    std::unique_ptr<sim::SimBus> bus;
    acquisition::LinkArbiter arbiter;
    Session sessionState;
    QuietPrompter prompter;
    ui::PageContext ctx;
    bool ok = false;

    Rig() {
        sim::BusOptions o;
        o.flowmeter = false;  // one sensor at 1, replies at the line's byte time
        bus = std::make_unique<sim::SimBus>(o);
        if (!bus->start() || RTUOpenDevice(bus->slavePath().c_str(), 19200, 8, 0, 0) != 1) return;
        arbiter.connected();
        sessionState.selectedSensorId = 1;
        ctx.arbiter = &arbiter;
        ctx.session = &sessionState;
        ctx.prompter = &prompter;
        ok = true;
    }
    ~Rig() {
        arbiter.disconnecting();
        RTUCloseCom();
    }
};

// Clicks the button and turns the event loop until the page's operation ends; returns the largest
// gap between the 1 ms ticks in milliseconds.
template <class PageType>
double longestStall(PageType& page, QPushButton* button) {
    QElapsedTimer clock;
    qint64 last = 0, worst = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    bool done = false;
    QObject::connect(&page, &PageType::operationFinished, [&] { done = true; });
    clock.start();
    tick.start();
    button->click();
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    tick.stop();
    return static_cast<double>(worst) / 1e6;
}

void BM_OptionsSave(benchmark::State& state) {
    Rig rig;
    if (!rig.ok) {
        state.SkipWithError("simulator or port");
        return;
    }
    ui::CVelPageFun page(rig.ctx);
    page.show();
    double worst = 0;
    for (auto _ : state)
        worst = std::max(worst, longestStall(page, talvex::testing::child<QPushButton>(&page, "saveButton")));
    state.counters["longest_stall_ms"] = worst;
}

void BM_ParameterRead(benchmark::State& state) {
    Rig rig;
    if (!rig.ok) {
        state.SkipWithError("simulator or port");
        return;
    }
    ui::CVelPageSet page(rig.ctx);
    page.show();
    double worst = 0;
    for (auto _ : state)
        worst = std::max(worst, longestStall(page, talvex::testing::child<QPushButton>(&page, "readButton")));
    state.counters["longest_stall_ms"] = worst;
}

BENCHMARK(BM_OptionsSave)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ParameterRead)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
