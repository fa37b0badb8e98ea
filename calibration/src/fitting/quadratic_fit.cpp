#include "talvex/calibration/fitting/quadratic_fit.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace talvex::calibration::fitting {
namespace {

double evaluateWith(const std::array<double, 3>& c, double x) {
    return c[0] * 1.0 + c[1] * x + c[2] * (x * x);
}

std::size_t distinctCount(const double* x, std::size_t n) {
    std::vector<double> sorted(x, x + n);
    std::sort(sorted.begin(), sorted.end());
    return static_cast<std::size_t>(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
}

}  // namespace

FitStatus QuadraticFit::fit(const double* x, const double* y, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return FitStatus::NotFinite;
    if (n < 3 || distinctCount(x, n) < 3) return FitStatus::Singular;

    // Power sums S_k = Σ x^k and moment sums T_k = Σ y·x^k, each in index order, the powers built
    // by repeated multiplication rather than pow().
    double s[5];
    std::vector<double> p(n, 1.0);
    for (int k = 0; k < 5; ++k) {
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) sum += p[i];
        s[k] = sum;
        for (std::size_t i = 0; i < n; ++i) p[i] = p[i] * x[i];
    }
    double t[3];
    std::vector<double> q(y, y + n);
    for (int k = 0; k < 3; ++k) {
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) sum += q[i];
        t[k] = sum;
        for (std::size_t i = 0; i < n; ++i) q[i] = q[i] * x[i];
    }

    double m[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = s[r + c];

    // Gaussian elimination with partial pivoting; on equal magnitudes the lower row index stays.
    for (int k = 0; k < 2; ++k) {
        int pivot = k;
        for (int row = k + 1; row < 3; ++row)
            if (std::fabs(m[row][k]) > std::fabs(m[pivot][k])) pivot = row;
        if (pivot != k) {
            std::swap(m[pivot], m[k]);
            std::swap(t[pivot], t[k]);
        }
        if (m[k][k] == 0.0) return FitStatus::Singular;
        for (int j = k + 1; j < 3; ++j) {
            for (int c = k + 1; c < 3; ++c) m[j][c] = m[j][c] - (m[k][c] * m[j][k]) / m[k][k];
            t[j] = t[j] - (t[k] * m[j][k]) / m[k][k];
        }
    }
    if (m[2][2] == 0.0) return FitStatus::Singular;

    // Back substitution: the known terms are summed first (increasing s), then taken from T.
    std::array<double, 3> coeff{};
    for (int r = 2; r >= 0; --r) {
        double known = 0.0;
        for (int c = r + 1; c < 3; ++c) known += m[r][c] * coeff[c];
        coeff[r] = (t[r] - known) / m[r][r];
    }

    double ySum = 0.0;
    for (std::size_t i = 0; i < n; ++i) ySum += y[i];
    const double yMean = ySum / static_cast<double>(n);
    double regression = ssRegression_;
    double residual = ssResidual_;
    for (std::size_t i = 0; i < n; ++i) {
        const double fitted = evaluateWith(coeff, x[i]);
        regression += (fitted - yMean) * (fitted - yMean);
        residual += (fitted - y[i]) * (fitted - y[i]);
    }

    if (!std::all_of(coeff.begin(), coeff.end(), [](double c) { return std::isfinite(c); }) ||
        !std::isfinite(regression) || !std::isfinite(residual))
        return FitStatus::NotFinite;
    coefficients_ = coeff;
    ssRegression_ = regression;
    ssResidual_ = residual;
    return FitStatus::Ok;
}

double QuadraticFit::evaluate(double x) const {
    return coefficients_ ? evaluateWith(*coefficients_, x) : 0.0;
}

double QuadraticFit::rSquared() const {
    return 1.0 - ssResidual_ / (ssResidual_ + ssRegression_);
}

}  // namespace talvex::calibration::fitting
