#include "fit_chart.hpp"

#include <QChart>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <limits>

namespace talvex::ui {

FitChart::FitChart(QWidget* parent) : QChartView(parent) {
    auto* c = new QChart;
    c->legend()->hide();
    for (Qt::Alignment side : {Qt::AlignBottom, Qt::AlignLeft}) {
        auto* axis = new QValueAxis;
        axis->setLabelFormat(QStringLiteral("%.4g"));  // short labels: the charts are narrow
        axis->setTickCount(5);
        c->addAxis(axis, side);
    }
    setChart(c);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(220, 160);
}

void FitChart::addSeries(const std::vector<double>& x, const std::vector<double>& y, int lineWidth) {
    auto* series = new QLineSeries;
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) series->append(x[i], y[i]);
    // The measured points (wide) in blue, the fitted curve (thin) in red, so both stay visible.
    QPen pen(lineWidth > 1 ? QColor(0, 90, 200) : QColor(220, 30, 30));
    pen.setWidth(lineWidth);
    series->setPen(pen);
    chart()->addSeries(series);
    for (QAbstractAxis* axis : chart()->axes()) series->attachAxis(axis);
    fitAxes();
}

// Automatic range: the bounds of every point drawn, widened a little so no point sits on a frame.
void FitChart::fitAxes() {
    double x0 = std::numeric_limits<double>::max(), x1 = -x0, y0 = x0, y1 = -x0;
    for (QAbstractSeries* s : chart()->series())
        for (const QPointF& p : static_cast<QLineSeries*>(s)->points()) {
            x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x());
            y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
        }
    if (x0 > x1) return;
    const auto widen = [](double& lo, double& hi) {
        const double margin = hi > lo ? (hi - lo) * 0.05 : std::max(1.0, std::abs(lo) * 0.05);
        lo -= margin, hi += margin;
    };
    widen(x0, x1);
    widen(y0, y1);
    chart()->axes(Qt::Horizontal).front()->setRange(x0, x1);
    chart()->axes(Qt::Vertical).front()->setRange(y0, y1);
}

}  // namespace talvex::ui
