// History records: the parser's rate on a 50 MB stream, the memory a 1 000 000-record read holds,
// and the CSV writer on 1 000 000 records (history_compare.sh sets it beside sqlite3 -csv).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "history_stream.hpp"
#include "talvex/acquisition/history_export.hpp"
#include "talvex/acquisition/history_parser.hpp"
#include "talvex/acquisition/history_read.hpp"

using namespace talvex::acquisition;

namespace {

std::size_t heapInUse() {
    const auto m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void BM_ParseStream50MB(benchmark::State& state) {
    const std::uint64_t records = 50'000'000 / 28;
    const auto stream = talvex::bench::v2Stream(records);
    std::vector<HistoryRecord> out;
    out.reserve(records);
    for (auto _ : state) {
        out.clear();
        HistoryParser parser(HistoryFormat::V2);
        for (std::size_t i = 0; i < stream.size(); i += kHistoryMaxReadBytes)
            parser.feed(stream.data() + i, std::min<std::size_t>(kHistoryMaxReadBytes, stream.size() - i),
                        out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * records));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ParseStream50MB)->Unit(benchmark::kMillisecond);

// A sensor that sends n V2 records as fast as they are read, generated on the fly.
class GeneratedLine : public talvex::RegisterIo {
  public:
    explicit GeneratedLine(std::uint64_t records) : total_(records * 28) {}
    int readHolding(int, int, int, std::uint16_t*) override { return 0; }
    int writeSingle(int, int, std::uint16_t) override { return 0; }
    int writeMultiple(int, int, int, const std::uint16_t*) override { return 0; }
    int startHistoryOutput(int) override { return 0; }
    int readBytes(std::uint8_t* dest, int count) override {
        int n = 0;
        for (; n < count && sent_ < total_; ++n, ++sent_) {
            if (sent_ % 28 == 0) talvex::bench::v2Record(sent_ / 28, record_);
            dest[n] = record_[sent_ % 28];
        }
        return n;
    }
    bool isOpen() const override { return true; }

  private:
    std::uint64_t total_, sent_ = 0;
    std::uint8_t record_[28]{};
};

void BM_ReadMemory1M(benchmark::State& state) {
    const std::uint32_t n = 1'000'000;
    for (auto _ : state) {
        GeneratedLine line(n);
        talvex::FakePacer pacer;
        HistoryReadRequest request;
        request.format = HistoryFormat::V2;
        request.count = n;
        const std::size_t before = heapInUse();
        const HistoryReadResult r = readHistory(line, pacer, request);
        const std::size_t held = heapInUse() - before;
        state.counters["records"] = static_cast<double>(r.table.records.size());
        state.counters["bytes_per_record"] = static_cast<double>(held) / n;
    }
}
BENCHMARK(BM_ReadMemory1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same read with N = 0 (no room reserved up front): the vector's growth is the worst case.
void BM_ReadMemory1MUnknownCount(benchmark::State& state) {
    const std::uint32_t n = 1'000'000;
    for (auto _ : state) {
        GeneratedLine line(n);
        talvex::FakePacer pacer;
        HistoryReadRequest request;
        request.format = HistoryFormat::V2;
        const std::size_t before = heapInUse();
        const HistoryReadResult r = readHistory(line, pacer, request);
        const std::size_t held = heapInUse() - before;
        state.counters["records"] = static_cast<double>(r.table.records.size());
        state.counters["bytes_per_record"] = static_cast<double>(held) / n;
    }
}
BENCHMARK(BM_ReadMemory1MUnknownCount)->Unit(benchmark::kMillisecond)->Iterations(1);

HistoryTable table1M() {
    HistoryTable t{1, HistoryFormat::V2, {}};
    GeneratedLine line(1'000'000);
    talvex::FakePacer pacer;
    HistoryReadRequest request;
    request.format = HistoryFormat::V2;
    request.count = 1'000'000;
    return readHistory(line, pacer, request).table;
}

void BM_Export1M(benchmark::State& state) {
    const HistoryTable table = table1M();
    const HistoryHeadings headings = {"Sensor ID", "Time",     "H2(PPM)", "Temp(℃)",
                                      "Day ROC",   "Pressure", "Moisture"};
    const std::string path = (std::filesystem::temp_directory_path() / "talvex-history-bench.csv").string();
    for (auto _ : state)
        benchmark::DoNotOptimize(writeHistoryCsv(path, table, headings, talvex::OutputRule{true}));
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove(path);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * table.records.size()));
}
BENCHMARK(BM_Export1M)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
