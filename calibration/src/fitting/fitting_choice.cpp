#include "talvex/calibration/fitting/fitting_choice.hpp"

#include <climits>
#include <cstddef>

namespace talvex::calibration::fitting {

FittingDialog dialogForKind(int dataKind) {
    switch (dataKind) {
        case static_cast<int>(DataKind::ReferenceData):
            return FittingDialog::TemperatureDifference;
        case static_cast<int>(DataKind::TemperatureData):
            return FittingDialog::TemperatureCoefficient;
        default:
            return FittingDialog::Piecewise;
    }
}

FitPress pressFitButton(const GridScan& grid, FittingChoice& choice) {
    for (int row = 0; row < grid.rowCount(); ++row) {
        if (!grid.ticked(row)) continue;
        const int id = leadingInt(grid.idText(row));
        choice.sheetRow = row;
        choice.sensorId = id;
        if (!grid.confirm(row, id)) return FitPress::Cancelled;
    }
    return choice.sensorId != 0 && choice.sheetRow != 0 ? FitPress::OpenDialog : FitPress::NoSelection;
}

int leadingInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = INT_MAX;  // atoi's result is undefined there; keep it bounded
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace talvex::calibration::fitting
