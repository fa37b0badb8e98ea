// Loading a calibration workbook file (first worksheet of .xlsx, .xls, .ods or .csv) into the
// calibration sheet, as the fitting page and `talvex-cli fit` do.
#pragma once

#include <string>

#include "talvex/calibration/fitting/sheet_load.hpp"

namespace talvex::calibration::fitting {

struct WorkbookLoad {
    FittingGrid grid;    // the page's grid after the load (empty when the file was not read)
    std::string error;   // language-table text; the sheet is then unchanged
    std::string detail;  // what the file library said, for the log
    bool ok() const { return error.empty(); }
};

// A file that cannot be read changes nothing and says why.
WorkbookLoad loadCalibrationWorkbook(const std::string& path, CalibrationSheet& sheet);

}  // namespace talvex::calibration::fitting
