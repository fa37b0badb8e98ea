// Timings of the workbook reader and writer for bench/workbook/compare.sh.
//   workbook_bench_tool make FILE         a 58 x 60 calibration-style sheet (numbers under formats, texts)
//   workbook_bench_tool read FILE N       best of N reads of the first sheet, every cell's text taken
//   workbook_bench_tool write FILE N      best of N writes of the 53-row production export
// Prints "<best ms> ms" (and a checksum of what was read).
#include <xlsxwriter.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "talvex/workbook/reader.hpp"
#include "talvex/workbook/writer.hpp"

using namespace talvex::workbook;

namespace {

constexpr int kRows = 58, kColumns = 60;

int make(const char* path) {
    lxw_workbook* book = workbook_new(path);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* fixed = workbook_add_format(book);
    format_set_num_format(fixed, "0.0000");
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            if (r == 0 || c == 0)
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                       ("h" + std::to_string(r * 100 + c)).c_str(), nullptr);
            else
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), r * 1.25 + c / 7.0,
                                       c % 2 ? fixed : nullptr);
        }
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}

TextList exportList() {
    TextList list{{{"序号", 50}, {"参数", 100}, {"数值", 120}, {"备注", 140}}, {}};
    for (int i = 1; i <= 53; ++i)
        list.rows.push_back({std::to_string(i), "ST_A", "0.00012" + std::to_string(i), "温度系数A"});
    return list;
}

template <class F>
double best(int n, F f) {
    double min = 1e18;
    for (int i = 0; i < n; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        min = std::min(
            min, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return min;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "make" && argc == 3) return make(argv[2]);
    if ((mode != "read" && mode != "write") || argc != 4) {
        std::fprintf(stderr, "usage: workbook_bench_tool make FILE | read FILE N | write FILE N\n");
        return 2;
    }
    const int n = std::max(1, std::atoi(argv[3]));
    size_t checksum = 0;
    bool ok = true;
    double ms = 0;
    if (mode == "read") {
        ms = best(n, [&] {
            ReadResult r = readFirstSheet(argv[2]);
            ok = ok && r.ok();
            checksum = 0;
            for (int row = 1; row <= r.sheet.rowCount(); ++row)
                for (int c = 1; c <= r.sheet.columnCount(); ++c) checksum += r.sheet.cellText(row, c).size();
        });
    } else {
        const TextList list = exportList();
        ms = best(n, [&] { ok = ok && writeList(list, argv[2], talvex::OutputRule{true}).ok(); });
    }
    if (!ok) return 1;
    std::printf("%.2f ms (checksum %zu)\n", ms, checksum);
    return 0;
}
