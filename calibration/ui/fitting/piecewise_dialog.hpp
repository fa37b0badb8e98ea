// "分段拟合" (CVelDlgFit): four breakpoints among the sheet's cells, three quadratic segments of the
// reference against the reading, their charts, and the write of coefficients and breakpoints.
#pragma once

#include <array>

#include "fitting_dialog_base.hpp"
#include "talvex/calibration/fitting/piecewise_fitting.hpp"

class QComboBox;
class QLineEdit;

namespace talvex::ui {

class FitChart;

class CVelDlgFit : public FittingDialogBase {
  public:
    CVelDlgFit(FittingContext context, QWidget* parent = nullptr);

  private:
    void onShowPoints();
    void onFit();
    void onWrite();
    calibration::fitting::Breakpoints breakpoints() const;

    std::array<QComboBox*, 4> selectors_{};
    std::array<FitChart*, 3> charts_{};
    std::array<QLineEdit*, 3> cumulative_{};
    std::array<QLineEdit*, 3> own_{};
};

}  // namespace talvex::ui
