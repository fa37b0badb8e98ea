#include "talvex/calibration/fitting/workbook_load.hpp"

#include "talvex/language.hpp"
#include "talvex/workbook/reader.hpp"

namespace talvex::calibration::fitting {
namespace {

class WorksheetCells : public CellSource {
  public:
    explicit WorksheetCells(const workbook::Sheet& sheet) : sheet_(sheet) {}
    std::string cellText(int row, int column) const override { return sheet_.cellText(row, column); }
    std::string cellName(int row, int column) const override { return sheet_.cellName(row, column); }

  private:
    const workbook::Sheet& sheet_;
};

}  // namespace

WorkbookLoad loadCalibrationWorkbook(const std::string& path, CalibrationSheet& sheet) {
    const workbook::ReadResult read = workbook::readFirstSheet(path);
    if (!read.ok()) return {{}, workbook::readErrorMessage(read, GetText), read.detail};
    return {loadCalibrationSheet(WorksheetCells(read.sheet), sheet), {}, {}};
}

}  // namespace talvex::calibration::fitting
