// Loads a calibration workbook into the calibration sheet, timed, for bench/fitting/compare.sh.
//   fitting_load_tool FILE [RUNS]  -> prints "<best ms> ms, <filled cells> cells"
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "talvex/calibration/fitting/workbook_load.hpp"

using namespace talvex::calibration::fitting;

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: fitting_load_tool FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc == 3 ? std::atoi(argv[2]) : 20;
    double best = 1e300;
    int filled = 0;
    for (int i = 0; i < runs; ++i) {
        CalibrationSheet sheet;
        const auto t0 = std::chrono::steady_clock::now();
        const WorkbookLoad load = loadCalibrationWorkbook(argv[1], sheet);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (!load.ok()) {
            std::fprintf(stderr, "load failed: %s %s\n", load.error.c_str(), load.detail.c_str());
            return 1;
        }
        if (ms < best) best = ms;
        filled = 0;
        for (int r = 0; r < kSheetRows; ++r)
            for (int c = 0; c < kSheetCells; ++c) filled += !sheet.text(r, c).empty();
    }
    std::printf("%.2f ms, %d cells\n", best, filled);
    return 0;
}
