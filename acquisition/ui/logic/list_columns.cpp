#include "talvex/ui/logic/list_columns.hpp"

#include <algorithm>
#include <numeric>

namespace talvex::ui {

std::vector<ColumnSpec> listColumns(SensorModel model, ColumnSet set) {
    using S = CellSource;
    switch (set) {
        case ColumnSet::Wireless:
            // Records of a concentrator carry its ID as SensorId and the state of charge in DayRoc;
            // they hold no daily rate and no node number, so the node is derived from the record's
            // place in its poll and the rate column stays blank.
            return {{"IDS_Tab_Acquisition_DCUID", 80, S::SensorId},
                    {"IDS_Tab_Acquisition_SlaveID", 140, S::NodeNumber},
                    {"IDS_Tab_Acquisition_Timestamp", 140, S::Timestamp},
                    {"IDS_Tab_Acquisition_H2(Oil_PPM)", 120, S::H2DG},
                    {"IDS_Tab_Acquisition_H2(PPM)", 80, S::H2AG},
                    {"IDS_Tab_Acquisition_OilTemp", 120, S::Temp},
                    {"IDS_Tab_Acquisition_SOC", 80, S::DayRoc},
                    {"IDS_Tab_Acquisition_Day_Roc", 80, S::Blank},
                    {"IDS_Tab_Acquisition_Pressure", 80, S::PR},
                    {"IDS_Tab_Acquisition_Microwater", 80, S::WT}};
        case ColumnSet::Standard:
            return {{"IDS_Tab_Acquisition_SlaveID", 80, S::SensorId},
                    {"IDS_Tab_Acquisition_Timestamp", 140, S::Timestamp},
                    {"IDS_Tab_Acquisition_H2(Oil_PPM)", 140, S::H2DG},
                    {"IDS_Tab_Acquisition_H2(PPM)", 120, S::H2AG},
                    {"IDS_Tab_Acquisition_OilTemp", 80, S::Temp},
                    {"IDS_Tab_Acquisition_Day_Roc", 120, S::DayRoc},
                    {"IDS_Tab_Acquisition_Pressure", 80, S::PR},
                    {"IDS_Tab_Acquisition_Microwater", 80, S::WT},
                    {"IDS_Tab_Acquisition_Status", 80, S::RunStatus}};
        case ColumnSet::Model:
            break;
    }
    if (model == SensorModel::KF)
        return {{"IDS_Tab_Acquisition_DCUID", 100, S::SensorId},
                {"IDS_Tab_Acquisition_Timestamp", 175, S::Timestamp},
                {"IDS_Tab_Acquisition_H2(Oil_PPM)", 150, S::H2DG},
                {"IDS_Tab_Acquisition_OilTemp", 150, S::Temp},
                {"IDS_Tab_Acquisition_SOC", 100, S::DayRoc},
                {"IDS_Tab_Acquisition_Pressure", 100, S::PR},
                {"IDS_Tab_Acquisition_Microwater", 100, S::WT},
                {"IDS_Tab_Acquisition_Status", 100, S::RunStatus},
                {"IDS_Tab_Acquisition_NodeID", 100, S::SensorId}};
    const bool gas = isGasPhaseModel(model);
    return {{"IDS_Tab_Acquisition_SlaveID", 100, S::SensorId},
            {"IDS_Tab_Acquisition_Timestamp", 175, S::Timestamp},
            gas ? ColumnSpec{"IDS_Tab_Acquisition_H2(PPM)", 150, S::H2AG}
                : ColumnSpec{"IDS_Tab_Acquisition_H2(Oil_PPM)", 175, S::H2DG},
            {"IDS_Tab_Acquisition_OilTemp", 100, S::Temp},
            {"IDS_Tab_Acquisition_Day_Roc", 150, S::DayRoc},
            {"IDS_Tab_Acquisition_Pressure", 100, S::PR},
            {"IDS_Tab_Acquisition_Microwater", 100, S::WT},
            {"IDS_Tab_Acquisition_Status", 100, S::RunStatus}};
}

namespace {

std::vector<int> scaleDown(std::vector<int> widths, int available, long long total) {
    for (int& w : widths) w = std::max(40, static_cast<int>(static_cast<long long>(w) * available / total));
    return widths;
}

}  // namespace

std::vector<int> fitColumnWidths(const std::vector<int>& measured, int available) {
    std::vector<int> widths;
    widths.reserve(measured.size());
    for (int m : measured) widths.push_back(std::min(260, m + 14));
    const long long total = std::accumulate(widths.begin(), widths.end(), 0LL);
    if (total > available && total > 0) return scaleDown(std::move(widths), std::max(0, available), total);
    return widths;
}

std::vector<int> fillColumnWidths(std::vector<int> widths, int available) {
    const long long total = std::accumulate(widths.begin(), widths.end(), 0LL);
    if (widths.empty() || available <= 0) return widths;
    if (total > available) return scaleDown(std::move(widths), available, total);
    if (widths.size() == 1) {
        widths[0] = available;
        return widths;
    }
    const int extra = static_cast<int>((available - total) / static_cast<long long>(widths.size() - 1));
    for (std::size_t i = 1; i < widths.size(); ++i) widths[i] += extra;
    const long long sum = std::accumulate(widths.begin(), widths.end(), 0LL);
    widths.back() += static_cast<int>(available - sum);
    return widths;
}

}  // namespace talvex::ui
