// The time chart draws what it holds, where its axes say, and hides what is switched off.
#include <gtest/gtest.h>

#include <QImage>

#include "talvex/ui/chart/time_chart.hpp"
#include "talvex/ui/logic/ole_date.hpp"

namespace talvex::ui {
namespace {

const QColor kBlue(0, 0, 200);
const QColor kRed(200, 0, 0);

int countColour(const QImage& img, const QColor& c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c) ++n;
    return n;
}

class TimeChartTest : public ::testing::Test {
  protected:
    TimeChartTest() {
        chart.resize(800, 400);
        h2 = chart.addSeries("H2", kBlue, 3, TimeChart::Side::Left);
        temp = chart.addSeries("T", kRed, 3, TimeChart::Side::Right);
        const double t0 = oleDateFromCivil({2024, 5, 17, 10, 0, 0});
        for (int i = 0; i < 60; ++i) {
            time.push_back(t0 + i / 1440.0);
            hv.push_back(100 + i);
            tv.push_back(20 + (i % 7));
        }
    }
    QImage render() {
        QImage img(chart.size(), QImage::Format_RGB32);
        chart.render(&img);
        return img;
    }
    TimeChart chart;
    int h2 = -1, temp = -1;
    std::vector<double> time, hv, tv;
};

TEST_F(TimeChartTest, DrawsBothSeriesInsideThePlot) {
    chart.appendPoints(h2, time.data(), hv.data(), time.size());
    chart.appendPoints(temp, time.data(), tv.data(), time.size());
    EXPECT_EQ(chart.pointCount(h2), 60u);
    const QImage img = render();
    // Legend swatches are drawn too; the lines must add far more than a swatch.
    EXPECT_GT(countColour(img, kBlue), 500);
    EXPECT_GT(countColour(img, kRed), 500);
}

TEST_F(TimeChartTest, HiddenSeriesKeepsItsPointsButIsNotDrawn) {
    chart.appendPoints(h2, time.data(), hv.data(), time.size());
    chart.appendPoints(temp, time.data(), tv.data(), time.size());
    chart.setSeriesVisible(h2, false);
    const QImage img = render();
    EXPECT_LT(countColour(img, kBlue), 20);
    EXPECT_GT(countColour(img, kRed), 500);
    EXPECT_EQ(chart.pointCount(h2), 60u);
}

TEST_F(TimeChartTest, ClearedSeriesDrawsNothing) {
    chart.appendPoints(h2, time.data(), hv.data(), time.size());
    chart.clearPoints(h2);
    EXPECT_EQ(chart.pointCount(h2), 0u);
    EXPECT_LT(countColour(render(), kBlue), 200);  // the legend swatch only
}

TEST_F(TimeChartTest, RisingSeriesRisesOnScreen) {
    chart.appendPoints(h2, time.data(), hv.data(), time.size());
    const QImage img = render();
    const QRect plot = chart.plotRect();
    auto meanY = [&](int x0, int x1) {
        long sum = 0, n = 0;
        for (int x = x0; x < x1; ++x)
            for (int y = plot.top(); y <= plot.bottom(); ++y)
                if (img.pixelColor(x, y) == kBlue) sum += y, ++n;
        return n ? static_cast<double>(sum) / static_cast<double>(n) : -1.0;
    };
    const double left = meanY(plot.left() + 5, plot.left() + 40);
    const double right = meanY(plot.right() - 40, plot.right() - 5);
    ASSERT_GT(left, 0);
    ASSERT_GT(right, 0);
    EXPECT_GT(left, right + plot.height() / 2) << "the first point is low, the last one high";
}

}  // namespace
}  // namespace talvex::ui
