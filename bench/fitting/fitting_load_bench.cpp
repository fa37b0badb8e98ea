// One calibration-workbook load into the sheet and grid, for a 58 × 60 worksheet of readings: as a
// CSV file the benchmark writes itself, and as the .xlsx named by TALVEX_FIT_XLSX (compare.sh makes
// one with python3-openpyxl).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "talvex/calibration/fitting/workbook_load.hpp"

using namespace talvex::calibration::fitting;

namespace {

std::string csvWorkbook() {
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() / "talvex_fit_bench_58x60.csv";
        std::ofstream out(p);
        for (int r = 1; r <= 58; ++r) {
            out << (r == 1 ? std::string("ID") : std::to_string(r - 1));
            for (int c = 2; c <= 60; ++c) {
                char cell[32];
                std::snprintf(cell, sizeof cell, ",%.4f", r * 1.25 + c * 0.375);
                out << cell;
            }
            out << "\n";
        }
        return p.string();
    }();
    return path;
}

void load(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        CalibrationSheet sheet;
        const WorkbookLoad result = loadCalibrationWorkbook(path, sheet);
        if (!result.ok()) state.SkipWithError(result.error.c_str());
        benchmark::DoNotOptimize(result.grid.data());
    }
}

void BM_LoadCsv58x60(benchmark::State& state) {
    load(state, csvWorkbook());
}
BENCHMARK(BM_LoadCsv58x60)->Unit(benchmark::kMillisecond);

void BM_LoadXlsx58x60(benchmark::State& state) {
    const char* path = std::getenv("TALVEX_FIT_XLSX");
    if (!path) {
        state.SkipWithError("set TALVEX_FIT_XLSX to a 58 x 60 .xlsx (compare.sh makes one)");
        return;
    }
    load(state, path);
}
BENCHMARK(BM_LoadXlsx58x60)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
