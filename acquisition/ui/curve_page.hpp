// CVelPageChart: the selected sensor's hydrogen (left axis) and temperature (right axis) against
// time. A sensor change loads a thinned copy of its stored records; live points then follow.
#pragma once

#include <QTimer>
#include <string>

#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/logic/curve_data.hpp"
#include "talvex/ui/page.hpp"

class QCheckBox;

namespace talvex::ui {

class TimeChart;

class CVelPageChart : public Page {
    Q_OBJECT
  public:
    explicit CVelPageChart(PageContext ctx, QWidget* parent = nullptr);

    void retranslate() override;
    void selectedSensorChanged() override;

    // Replaces the curve with the key's stored records, thinned to about 2 000 points; returns the
    // number of points held.
    std::size_t load(const std::string& key);
    // Takes the engine's queued live points (the window calls this when the engine announces them).
    void takeLivePoints();
    // Hands points not yet drawn to the chart (every 500 ms).
    void handOver();

    // The points the curve holds: those drawn and those the next hand-over draws. A live point
    // held but not yet drawn shows nowhere else.
    const CurveData& data() const { return data_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void setupChart();
    void applyVisibility();
    void chooseStep();

    PageContext ctx_;
    TimeChart* chart_ = nullptr;
    QCheckBox* h2Box_ = nullptr;
    QCheckBox* tempBox_ = nullptr;
    int h2Series_ = -1, tempSeries_ = -1;
    CurveData data_;
    QTimer timer_;
};

}  // namespace talvex::ui
