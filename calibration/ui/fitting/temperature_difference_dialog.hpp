// "温差补偿拟合" (CVelDlgRef): start, reference and end points of a reference-data row, the drift of
// the reading against temperature at low and high concentration, for the low- or high-temperature
// segment, and the write of that segment's nine values.
#pragma once

#include "fitting_dialog_base.hpp"
#include "talvex/calibration/fitting/temperature_difference_fitting.hpp"

class QComboBox;

namespace talvex::ui {

class CVelDlgRef : public FittingDialogBase {
  public:
    CVelDlgRef(FittingContext context, QWidget* parent = nullptr);

  private:
    void onShowPoints();
    void onFit();
    void onWriteLow();
    void onWriteHigh();
    calibration::fitting::TemperaturePoints points() const;
    void write(calibration::fitting::TemperatureSegment segment);

    QComboBox* segment_ = nullptr;
    QComboBox* start_ = nullptr;
    QComboBox* reference_ = nullptr;
    QComboBox* end_ = nullptr;
};

}  // namespace talvex::ui
