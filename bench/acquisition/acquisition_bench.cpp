// Store memory at 48 x 20 000 records and sustained inserts with one transaction per record.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/record_store.hpp"

using namespace talvex::acquisition;

namespace {

Measurement sample(unsigned id, int n) {
    return {static_cast<std::uint8_t>(id),
            {2026, 1 + n % 12, 1 + n % 28, n % 24, n % 60, n % 60},
            static_cast<float>(n % 5000),
            static_cast<float>(n % 3000),
            static_cast<float>(n % 30000) / 100.0f - 100.0f,
            n % 50 - 25,
            101.3f,
            12.5f,
            static_cast<std::uint16_t>(n)};
}

// Heap in use, as malloc sees it (includes every container's overhead).
std::size_t heapInUse() {
    const auto m = mallinfo2();
    return m.uordblks + m.hblkhd;  // small blocks plus mmapped large ones
}

void BM_StoreMemory48x20000(benchmark::State& state) {
    double bytesPerRecord = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        RecordStore store;
        for (int n = 0; n < 20000; ++n)
            for (unsigned id = 1; id <= 48; ++id)
                store.append(RecordStore::keyOf(id), StoredRecord(sample(id, n)));
        const std::size_t used = heapInUse() - before;
        bytesPerRecord = static_cast<double>(used) / (48.0 * 20000.0);
        state.counters["MB"] = static_cast<double>(used) / 1e6;
        benchmark::DoNotOptimize(store.recordCount("1"));
    }
    state.counters["bytes_per_record"] = bytesPerRecord;
}
BENCHMARK(BM_StoreMemory48x20000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Trimming cost once every ring is full: the steady state of a long run.
void BM_StoreAppendWhenFull(benchmark::State& state) {
    RecordStore store(1000);
    int n = 0;
    for (; n < 1000; ++n) store.append("7", StoredRecord(sample(7, n)));
    for (auto _ : state) store.append("7", StoredRecord(sample(7, ++n)));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoreAppendWhenFull);

void BM_InsertOneTransactionPerRecord(benchmark::State& state) {
    char tmpl[] = "/tmp/talvex-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    {
        MeasurementDb db(databasePath(dir), nullptr, nullptr);
        int n = 0;
        for (auto _ : state) {
            if (db.insert(formatMeasurement(sample(static_cast<unsigned>(1 + n % 48), n))) != 0)
                state.SkipWithError("insert failed");
            ++n;
        }
        state.SetItemsProcessed(state.iterations());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_InsertOneTransactionPerRecord)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
