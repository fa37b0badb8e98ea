#include "talvex/ui/logic/history_columns.hpp"

#include <algorithm>
#include <numeric>

namespace talvex::ui {
namespace {

constexpr int kTextMargin = 14;
constexpr int kMaxWidth = 320;
constexpr int kMinWidth = 40;

}  // namespace

std::vector<int> historyColumnWidths(const std::vector<int>& headingWidths,
                                     const std::vector<int>& widestTexts, int available) {
    std::vector<int> w = headingWidths;
    for (std::size_t i = 0; i < w.size() && i < widestTexts.size(); ++i)
        w[i] = std::min(kMaxWidth, std::max(w[i], widestTexts[i] + kTextMargin));
    if (w.empty() || available <= 0) return w;
    const long long total = std::accumulate(w.begin(), w.end(), 0LL);
    if (total < available) {
        const int extra = static_cast<int>((available - total) / static_cast<long long>(w.size()));
        for (int& x : w) x += extra;
    } else if (total > available) {
        for (int& x : w)
            x = std::max(kMinWidth, static_cast<int>(x * static_cast<long long>(available) / total));
    }
    const long long others = std::accumulate(w.begin(), w.end() - 1, 0LL);
    w.back() = std::max<int>(kMinWidth, static_cast<int>(available - others));
    return w;
}

}  // namespace talvex::ui
