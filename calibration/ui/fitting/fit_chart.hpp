// A chart of one fitting segment: numeric bottom and left axes whose ranges follow every series
// added, and line series that stay until the dialog closes.
#pragma once

#include <QChartView>
#include <vector>

namespace talvex::ui {

class FitChart : public QChartView {
  public:
    explicit FitChart(QWidget* parent = nullptr);
    void addSeries(const std::vector<double>& x, const std::vector<double>& y, int lineWidth);

  private:
    void fitAxes();
};

}  // namespace talvex::ui
