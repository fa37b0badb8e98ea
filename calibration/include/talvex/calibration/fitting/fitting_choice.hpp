// What the fitting page hands to the fitting dialogs (sheet row, sensor ID, data kind) and the fit
// button's rule for choosing them from the grid's ticked rows.
#pragma once

#include <functional>
#include <string>

namespace talvex::calibration::fitting {

// Data kinds: the kind selector's index + 1.
enum class DataKind {
    WirelessLowSegment = 1,   // piecewise fitting
    WirelessHighSegment = 2,  // piecewise fitting
    ReferenceData = 3,        // temperature-difference compensation
    TemperatureData = 4,      // temperature coefficients
};
inline constexpr int kDataKinds = 4;

enum class FittingDialog { Piecewise, TemperatureDifference, TemperatureCoefficient };
FittingDialog dialogForKind(int dataKind);

// Kept for the life of the process; a press without a ticked row reuses the last choice.
struct FittingChoice {
    int sheetRow = 0;
    int sensorId = 0;
    int dataKind = 1;
};

struct GridScan {
    std::function<int()> rowCount;  // read again after every row
    std::function<bool(int row)> ticked;
    std::function<std::string(int row)> idText;  // grid column 0
    // "第%d行ID为 %d 是被选中状态"; false (Cancel) ends the press at once.
    std::function<bool(int row, int id)> confirm;
};

enum class FitPress {
    OpenDialog,   // choice holds a sheet row and a sensor ID, both non-zero
    NoSelection,  // tell the user "未选择配置ID"
    Cancelled,    // the user cancelled a question; nothing more happens
};

// The fit button: every ticked row is asked about in grid order and the last one confirmed wins.
// A cancelled question keeps the row and ID already taken from that row.
FitPress pressFitButton(const GridScan& grid, FittingChoice& choice);

// The leading decimal number of a text as atoi reads it; 0 when there is none.
int leadingInt(const std::string& text);

}  // namespace talvex::calibration::fitting
