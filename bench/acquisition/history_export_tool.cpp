// Writes N history records (a synthetic V2 read) with the Records page's CSV writer and prints the
// writer's time, for history_compare.sh:  history_export_tool N OUT.csv  ->  "<ms> ms"
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "history_stream.hpp"
#include "talvex/acquisition/history_export.hpp"

using namespace talvex::acquisition;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: history_export_tool N OUT.csv\n");
        return 2;
    }
    const auto n = std::strtoull(argv[1], nullptr, 10);
    HistoryTable table{1, HistoryFormat::V2, {}};
    table.records.reserve(n);
    std::uint8_t record[28];
    for (std::uint64_t i = 0; i < n; ++i) {
        talvex::bench::v2Record(i, record);
        table.records.push_back(decodeHistoryRecord(record, HistoryFormat::V2));
    }
    const HistoryHeadings headings = {"Sensor ID", "Time",     "H2(PPM)", "Temp(℃)",
                                      "Day ROC",   "Pressure", "Moisture"};
    const auto t0 = std::chrono::steady_clock::now();
    const auto outcome = writeHistoryCsv(argv[2], table, headings, talvex::OutputRule{true});
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (outcome != HistoryExportOutcome::Done) {
        std::fprintf(stderr, "export failed\n");
        return 1;
    }
    std::printf("%.0f\n", ms);
    return 0;
}
