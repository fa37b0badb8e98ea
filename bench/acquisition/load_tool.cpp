// Start-up load of a SensorDB.db into the record store, timed, for bench/acquisition/compare.sh.
//   acquisition_load_tool DB   -> prints "<ms> ms, <sensors> sensors, <records> records"
// A file without the SensorId index then gets it as a start does, in the background after the load
// (the window is open by then): "; index built afterwards in <ms> ms" follows.
#include <chrono>
#include <cstdio>

#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/acquisition/record_store.hpp"

using namespace talvex::acquisition;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: acquisition_load_tool SensorDB.db\n");
        return 2;
    }
    RecordStore store;
    MeasurementDb db(argv[1], nullptr, nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    const int keys = db.loadAll(store);
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (keys < 0) {
        std::fprintf(stderr, "load failed\n");
        return 1;
    }
    std::size_t records = 0;
    for (const auto& k : store.keys()) records += store.recordCount(k);
    std::printf("%.0f ms, %d sensors, %zu records", ms, keys, records);
    const auto t1 = std::chrono::steady_clock::now();
    BackgroundIndexBuild build;
    const bool hadIndex = db.hasIndex();
    db.close();
    build.start(argv[1]);
    build.wait();
    if (!hadIndex)
        std::printf("; index built afterwards in %.0f ms",
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1).count());
    std::printf("\n");
    return 0;
}
