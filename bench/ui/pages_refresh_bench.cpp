// Cost of the acquisition list's once-a-second refresh with 48 sensors polled at rate 0 against the
// simulated bus and 20 000 records in the list: take-over from the store, row bookkeeping, and the
// repaint of the visible rows. The budget is one frame (16 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>

#include "acquisition_page.hpp"
#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/measurement.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu.h"
#include "talvex/sim/sim_bus.hpp"
#include "talvex/testing/find_child.hpp"
#include "talvex/ui/prompter.hpp"

namespace {

using namespace talvex;

class QuietPrompter : public ui::Prompter {
  public:
    void message(QWidget*, const QString&, const QString&, Icon) override {}
    bool question(QWidget*, const QString&, const QString&) override { return true; }
};

struct Rig {
    QTemporaryDir dir;
    std::unique_ptr<sim::SimBus> bus;
    acquisition::LinkArbiter arbiter;
    acquisition::RecordStore store;
    Session sessionState;
    std::unique_ptr<acquisition::AcquisitionEngine> engine;
    QuietPrompter prompter;
    std::unique_ptr<ui::CVelPageListData> page;
    bool ok = false;

    Rig() {
        sim::BusOptions o;
        o.sensors.clear();
        for (int id = 1; id <= kChannelCount; ++id)
            o.sensors.push_back(sim::defaultSensorConfig(static_cast<std::uint8_t>(id), SensorModel::KA));
        o.flowmeter = false;
        o.pace = false;
        bus = std::make_unique<sim::SimBus>(o);
        if (!bus->start() || RTUOpenDevice(bus->slavePath().c_str(), 115200, 8, 0, 0) != 1) return;
        for (int ch = 1; ch <= kChannelCount; ++ch)
            sessionState.enumUintEN.set(ch, {static_cast<std::uint8_t>(ch), 0, 1});
        sessionState.selectedSensorId = 1;

        // A full list: 20 000 records of the selected sensor already held.
        for (int i = 0; i < 20000; ++i) {
            acquisition::Measurement m;
            m.sensorId = 1;
            m.time = {2024, 5, 17, i / 3600 % 24, i / 60 % 60, i % 60};
            m.h2dg = static_cast<float>(i % 500);
            m.temp = 24.5f;
            m.runStatus = 0x0810;
            store.append("1", acquisition::StoredRecord(m));
        }

        acquisition::EngineOptions eo;
        eo.databasePath = dir.filePath("SensorDB.db").toStdString();
        eo.model = SensorModel::KA;
        eo.text = [](std::string_view k) { return GetText(k); };
        eo.read = acquisition::rtuRegisterReader();
        engine = std::make_unique<acquisition::AcquisitionEngine>(arbiter, store, sessionState, eo);

        ui::PageContext ctx;
        ctx.engine = engine.get();
        ctx.store = &store;
        ctx.arbiter = &arbiter;
        ctx.session = &sessionState;
        ctx.databasePath = eo.databasePath;
        ctx.model = SensorModel::KA;
        ctx.prompter = &prompter;
        page = std::make_unique<ui::CVelPageListData>(ctx);
        page->resize(1280, 800);
        page->show();
        page->selectedSensorChanged();
        QApplication::processEvents();  // exposed, laid out, first paint done
        arbiter.connected();
        engine->start();
        ok = true;
    }
    ~Rig() {
        page.reset();
        if (engine) engine->stop();
        arbiter.disconnecting();
        RTUCloseCom();
        if (bus) bus->stop();
    }
};

Rig* rig = nullptr;

// One tick as the timer runs it, then the repaint it causes (done at once instead of on the next
// event-loop pass so that it is measured).
void BM_RefreshTick(benchmark::State& state) {
    if (!rig || !rig->ok) {
        state.SkipWithError("simulated bus not available");
        return;
    }
    const auto newPerTick = static_cast<int>(state.range(0));
    QTableView* list = talvex::testing::child<QTableView>(rig->page.get(), "list");
    std::int64_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The poller's records for the selected sensor since the last tick (on top of what the
        // running poller itself adds).
        for (int i = 0; i < newPerTick; ++i) {
            acquisition::Measurement m;
            m.sensorId = 1;
            m.h2dg = static_cast<float>(i);
            rig->store.append("1", acquisition::StoredRecord(m));
        }
        state.ResumeTiming();
        rig->page->refreshTick();
        list->viewport()->repaint();
        rows = list->model()->rowCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_RefreshTick)->Arg(0)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Rig r;
    rig = &r;
    benchmark::RunSpecifiedBenchmarks();
    rig = nullptr;
    benchmark::Shutdown();
    return 0;
}
