// Least-squares fit of y = c0 + c1·x + c2·x² through the normal equations, shared by the three
// fitting dialogs. Every sum and every elimination step runs in a fixed order so that all dialogs
// (and the command line) get the same bits from the same points.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

namespace talvex::calibration::fitting {

enum class FitStatus {
    Ok,
    Singular,   // fewer than three distinct abscissae: the normal matrix has no inverse
    NotFinite,  // an input or a result is infinite or not a number
};

class QuadraticFit {
  public:
    // Fits n points and adds this fit's contributions to the two sums of squares. A refused input
    // leaves the object exactly as it was (coefficients and sums).
    FitStatus fit(const double* x, const double* y, std::size_t n);

    // c0·1 + c1·x + c2·(x·x), summed left to right; 0 before the first fit.
    double evaluate(double x) const;

    // c0, c1, c2 (constant first); nullopt before the first successful fit.
    const std::optional<std::array<double, 3>>& coefficients() const { return coefficients_; }
    // Both sums run across every fit on this object.
    double ssRegression() const { return ssRegression_; }
    double ssResidual() const { return ssResidual_; }
    // 1 − ssResidual / (ssResidual + ssRegression); not a number when both sums are 0.
    double rSquared() const;

  private:
    std::optional<std::array<double, 3>> coefficients_;
    double ssRegression_ = 0.0;
    double ssResidual_ = 0.0;
};

}  // namespace talvex::calibration::fitting
