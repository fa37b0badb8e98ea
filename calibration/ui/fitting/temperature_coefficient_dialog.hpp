// "测温系数拟合" (CVelDlgSt): the reference temperature as a quadratic in the reading over a start..end
// range of cells, and the write of the coefficients and the correction pair in two commits.
#pragma once

#include "fitting_dialog_base.hpp"
#include "talvex/calibration/fitting/temperature_coefficient_fitting.hpp"

class QComboBox;

namespace talvex::ui {

class CVelDlgSt : public FittingDialogBase {
  public:
    CVelDlgSt(FittingContext context, QWidget* parent = nullptr);

  private:
    void onShowPoints();
    void onFit();
    void onWrite();
    calibration::fitting::TemperatureRange range() const;

    QComboBox* start_ = nullptr;
    QComboBox* end_ = nullptr;
};

}  // namespace talvex::ui
