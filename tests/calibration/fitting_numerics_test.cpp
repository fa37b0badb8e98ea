// The shared quadratic fit: the reference vectors, sums that run across fits, and refusals that
// leave the object untouched.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "talvex/calibration/fitting/quadratic_fit.hpp"

namespace talvex::calibration::fitting {
namespace {

struct Points {
    std::vector<double> x, y;
};

FitStatus fitPoints(QuadraticFit& fit, const Points& p) {
    return fit.fit(p.x.data(), p.y.data(), p.x.size());
}

TEST(QuadraticFit, ReferenceVectors) {
    struct Case {
        Points points;
        double c0, c1, c2;
    };
    const Case cases[] = {
        {{{0, 1, 2}, {1, 3, 7}}, 1, 1, 1},
        {{{1, 2, 3, 4}, {2, 4, 6, 8}}, 0, 2, 0},
        // Three points of y = 2 − 3x + 0.5x² at uneven x: the fit goes through all three.
        {{{-1.5, 0.25, 4}, {2 + 4.5 + 1.125, 2 - 0.75 + 0.03125, 2 - 12 + 8}}, 2, -3, 0.5},
    };
    for (const auto& c : cases) {
        QuadraticFit fit;
        ASSERT_EQ(fitPoints(fit, c.points), FitStatus::Ok);
        const auto& k = *fit.coefficients();
        EXPECT_NEAR(k[0], c.c0, 1e-9);
        EXPECT_NEAR(k[1], c.c1, 1e-9);
        EXPECT_NEAR(k[2], c.c2, 1e-9);
        EXPECT_NEAR(fit.ssResidual(), 0.0, 1e-18);
        EXPECT_NEAR(fit.rSquared(), 1.0, 1e-12);
        for (std::size_t i = 0; i < c.points.x.size(); ++i)
            EXPECT_NEAR(fit.evaluate(c.points.x[i]), c.points.y[i], 1e-9);
    }
}

// The values below come from a separate evaluation of the same steps (power and moment sums in index
// order, lowest-row pivot on ties, product before division, known terms summed before they are
// taken from T): any change of order shows in the last bits.
TEST(QuadraticFit, SameBitsAsTheStatedOrderOfOperations) {
    QuadraticFit small;
    ASSERT_EQ(fitPoints(small, {{0, 1, 2}, {1, 3, 7}}), FitStatus::Ok);
    EXPECT_EQ(*small.coefficients(),
              (std::array<double, 3>{0x1.0000000000006p+0, 0x1.fffffffffffadp-1, 0x1.0000000000015p+0}));
    QuadraticFit uneven;
    ASSERT_EQ(
        fitPoints(uneven, {{0.13, 1.7, 2.9, 4.05, 5.5, 7.25, 9.1}, {3.3, 2.1, 5.75, 9.9, 17.2, 30.05, 44.4}}),
        FitStatus::Ok);
    EXPECT_EQ(*uneven.coefficients(),
              (std::array<double, 3>{0x1.3dc49dff1e00fp+1, -0x1.cdadb43f676f6p-2, 0x1.20ff97ce1f18fp-1}));
    EXPECT_EQ(uneven.ssRegression(), 0x1.7677ab1c2389cp+10);
    EXPECT_EQ(uneven.ssResidual(), 0x1.0f0d35c7fb401p+2);
}

TEST(QuadraticFit, SumsAccumulateAcrossFitsOnOneObject) {
    const Points a{{0, 1, 2, 3}, {0, 1.2, 3.8, 9.1}};
    const Points b{{0, 1, 2, 3, 4}, {5, 4.1, 2.8, 2.2, 0.7}};
    QuadraticFit alone_a, alone_b, both;
    ASSERT_EQ(fitPoints(alone_a, a), FitStatus::Ok);
    ASSERT_EQ(fitPoints(alone_b, b), FitStatus::Ok);
    ASSERT_EQ(fitPoints(both, a), FitStatus::Ok);
    ASSERT_EQ(fitPoints(both, b), FitStatus::Ok);
    EXPECT_GT(alone_a.ssResidual(), 0.0);
    EXPECT_DOUBLE_EQ(both.ssResidual(), alone_a.ssResidual() + alone_b.ssResidual());
    EXPECT_DOUBLE_EQ(both.ssRegression(), alone_a.ssRegression() + alone_b.ssRegression());
    EXPECT_EQ(both.coefficients(), alone_b.coefficients());  // coefficients are the last fit's
    const double res = both.ssResidual(), reg = both.ssRegression();
    EXPECT_EQ(both.rSquared(), 1.0 - res / (res + reg));
    EXPECT_NE(both.rSquared(), alone_b.rSquared());
}

TEST(QuadraticFit, RefusesSingularAndNonFiniteInputsWithoutChangingTheObject) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        Points points;
        FitStatus status;
    };
    const Case cases[] = {
        {{{2}, {5}}, FitStatus::Singular},                          // one point
        {{{1, 2}, {1, 2}}, FitStatus::Singular},                    // two points
        {{{3, 3, 3, 3}, {1, 2, 3, 4}}, FitStatus::Singular},        // all x equal
        {{{1, 2, 1, 2, 2}, {1, 2, 3, 4, 5}}, FitStatus::Singular},  // two distinct x
        {{{}, {}}, FitStatus::Singular},
        {{{0, 1, nan}, {1, 2, 3}}, FitStatus::NotFinite},
        {{{0, 1, 2}, {1, inf, 3}}, FitStatus::NotFinite},
        {{{0, 1e100, 2e100}, {1, 2, 3}}, FitStatus::NotFinite},  // x⁴ overflows the power sums
    };
    QuadraticFit fit;
    ASSERT_EQ(fitPoints(fit, {{0, 1, 2, 3}, {1, 3, 7, 12}}), FitStatus::Ok);
    const auto before = fit.coefficients();
    const double reg = fit.ssRegression(), res = fit.ssResidual();
    for (const auto& c : cases) {
        EXPECT_EQ(fitPoints(fit, c.points), c.status) << c.points.x.size() << " points";
        EXPECT_EQ(fit.coefficients(), before);
        EXPECT_EQ(fit.ssRegression(), reg);
        EXPECT_EQ(fit.ssResidual(), res);
    }
    EXPECT_FALSE(QuadraticFit().coefficients().has_value());
}

}  // namespace
}  // namespace talvex::calibration::fitting
