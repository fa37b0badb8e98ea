#include "talvex/ui/chart/time_chart.hpp"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "talvex/ui/logic/ole_date.hpp"
#include "talvex/ui/logic/value_axis.hpp"

namespace talvex::ui {
namespace {

constexpr int kAxisMargin = 64;    // room for value labels on either side
constexpr int kBottomMargin = 28;  // room for time labels
constexpr int kLegendHeight = 22;

QString valueLabel(double v, double step) {
    int decimals = 0;
    while (decimals < 6 &&
           std::abs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    return QString::number(v, 'f', decimals);
}

}  // namespace

TimeChart::TimeChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
}

void TimeChart::setTitle(const QString& title, const QFont& font) {
    title_ = title;
    titleFont_ = font;
    changed();
}

void TimeChart::setBackground(const QColor& color) {
    background_ = color;
    changed();
}

int TimeChart::addSeries(const QString& name, const QColor& color, int width, Side side) {
    Series s;
    s.name = name;
    s.color = color;
    s.width = width;
    s.side = side;
    series_.push_back(std::move(s));
    changed();
    return seriesCount() - 1;
}

void TimeChart::removeAllSeries() {
    series_.clear();
    changed();
}

void TimeChart::setSeriesName(int s, const QString& name) {
    if (!validSeries(s)) return;
    series_[static_cast<std::size_t>(s)].name = name;
    changed();
}

void TimeChart::setSeriesVisible(int s, bool visible) {
    if (!validSeries(s)) return;
    series_[static_cast<std::size_t>(s)].visible = visible;
    changed();
}

bool TimeChart::seriesVisible(int s) const {
    return validSeries(s) && series_[static_cast<std::size_t>(s)].visible;
}

void TimeChart::appendPoints(int s, const double* time, const double* values, std::size_t count) {
    if (!validSeries(s) || count == 0) return;
    Series& ser = series_[static_cast<std::size_t>(s)];
    if (ser.time.empty()) {
        ser.tMin = ser.vMin = std::numeric_limits<double>::max();
        ser.tMax = ser.vMax = std::numeric_limits<double>::lowest();
    }
    ser.time.insert(ser.time.end(), time, time + count);
    ser.value.insert(ser.value.end(), values, values + count);
    for (std::size_t i = 0; i < count; ++i) {
        ser.tMin = std::min(ser.tMin, time[i]);
        ser.tMax = std::max(ser.tMax, time[i]);
        if (std::isfinite(values[i])) {
            ser.vMin = std::min(ser.vMin, values[i]);
            ser.vMax = std::max(ser.vMax, values[i]);
        }
    }
    changed();
}

void TimeChart::clearPoints(int s) {
    if (!validSeries(s)) return;
    Series& ser = series_[static_cast<std::size_t>(s)];
    ser.time.clear();
    ser.value.clear();
    changed();
}

std::size_t TimeChart::pointCount(int s) const {
    return validSeries(s) ? series_[static_cast<std::size_t>(s)].time.size() : 0;
}

void TimeChart::setTimeStep(TimeUnit unit, int count, std::string_view format) {
    if (unit == stepUnit_ && count == stepCount_ && format == format_) return;
    stepUnit_ = unit;
    stepCount_ = std::max(1, count);
    format_ = std::string(format);
    changed();
}

void TimeChart::beginUpdate() {
    ++batch_;
}

void TimeChart::endUpdate() {
    if (batch_ > 0 && --batch_ == 0 && dirty_) {
        dirty_ = false;
        update();
    }
}

void TimeChart::changed() {
    if (batch_ > 0) {
        dirty_ = true;
        return;
    }
    update();
}

QRect TimeChart::plotRect() const {
    const int titleHeight = title_.isEmpty() ? 6 : QFontMetrics(titleFont_).height() + 6;
    return QRect(QPoint(kAxisMargin, titleHeight + kLegendHeight),
                 QPoint(width() - kAxisMargin, height() - kBottomMargin));
}

void TimeChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    const QRect plot = plotRect();
    if (plot.width() < 10 || plot.height() < 10) return;

    // Title and legend.
    int y = 3;
    if (!title_.isEmpty()) {
        p.setFont(titleFont_);
        p.setPen(Qt::black);
        const int h = QFontMetrics(titleFont_).height();
        p.drawText(QRect(0, y, width(), h), Qt::AlignHCenter | Qt::AlignVCenter, title_);
        y += h + 3;
    }
    p.setFont(font());
    const QFontMetrics fm(font());
    {
        int legendWidth = 0;
        for (const Series& s : series_) legendWidth += 28 + fm.horizontalAdvance(s.name) + 16;
        int x = (width() - legendWidth) / 2;
        for (const Series& s : series_) {
            p.setPen(QPen(s.visible ? s.color : QColor(190, 190, 190), 3));
            p.drawLine(x, y + kLegendHeight / 2, x + 22, y + kLegendHeight / 2);
            p.setPen(s.visible ? Qt::black : Qt::gray);
            p.drawText(QRect(x + 28, y, fm.horizontalAdvance(s.name) + 4, kLegendHeight), Qt::AlignVCenter,
                       s.name);
            x += 28 + fm.horizontalAdvance(s.name) + 16;
        }
    }

    // Ranges over the visible series with points.
    double tMin = std::numeric_limits<double>::max(), tMax = std::numeric_limits<double>::lowest();
    double lo[2] = {tMin, tMin}, hi[2] = {tMax, tMax};
    bool anySide[2] = {false, false};
    for (const Series& s : series_) {
        if (!s.visible || s.time.empty() || s.vMin > s.vMax) continue;
        tMin = std::min(tMin, s.tMin);
        tMax = std::max(tMax, s.tMax);
        const int side = s.side == Side::Left ? 0 : 1;
        lo[side] = std::min(lo[side], s.vMin);
        hi[side] = std::max(hi[side], s.vMax);
        anySide[side] = true;
    }
    const bool anyData = anySide[0] || anySide[1];
    if (!anyData) {
        const double now = oleDateNow();
        tMin = now - 60.0 / 86400;
        tMax = now;
    } else if (tMax - tMin < 1.0 / 86400) {
        tMin -= 30.0 / 86400;
        tMax += 30.0 / 86400;
    }
    ValueAxisRange axis[2];
    for (int side = 0; side < 2; ++side)
        axis[side] =
            anySide[side] ? niceRange(lo[side], hi[side], std::max(2, plot.height() / 40)) : ValueAxisRange{};

    auto xOf = [&](double t) { return plot.left() + (t - tMin) / (tMax - tMin) * plot.width(); };
    auto yOf = [&](const ValueAxisRange& a, double v) {
        return plot.bottom() - (v - a.min) / (a.max - a.min) * plot.height();
    };

    // Grid and value labels.
    p.setPen(QPen(QColor(225, 225, 225), 1));
    const int leftSide = anySide[0] || !anySide[1] ? 0 : 1;
    for (double v : axis[leftSide].ticks()) {
        const double yy = yOf(axis[leftSide], v);
        p.drawLine(QPointF(plot.left(), yy), QPointF(plot.right(), yy));
    }
    const auto ticks = timeTicks(tMin, tMax, stepUnit_, stepCount_, 200);
    for (double t : ticks) p.drawLine(QPointF(xOf(t), plot.top()), QPointF(xOf(t), plot.bottom()));

    p.setPen(Qt::black);
    p.drawRect(plot);
    for (int side = 0; side < 2; ++side) {
        if (!anySide[side]) continue;
        for (double v : axis[side].ticks()) {
            const double yy = yOf(axis[side], v);
            const QString text = valueLabel(v, axis[side].step);
            const QRectF box = side == 0 ? QRectF(0, yy - 8, plot.left() - 5, 16)
                                         : QRectF(plot.right() + 5, yy - 8, width() - plot.right() - 5, 16);
            p.drawText(box, (side == 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, text);
        }
    }
    double lastLabelRight = -1e9;
    for (double t : ticks) {
        const QString text = QString::fromStdString(formatOleDate(t, format_));
        const double w = fm.horizontalAdvance(text) + 6;
        const double x = xOf(t);
        if (x - w / 2 < lastLabelRight) continue;  // never overprint a neighbour
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        p.drawText(QRectF(x - w / 2, plot.bottom() + 5, w, kBottomMargin - 6),
                   Qt::AlignHCenter | Qt::AlignTop, text);
        lastLabelRight = x + w / 2;
    }

    // The lines.
    p.setClipRect(plot.adjusted(1, 1, -1, -1));
    p.setRenderHint(QPainter::Antialiasing, true);
    std::vector<QPointF> pts;
    for (const Series& s : series_) {
        if (!s.visible || s.time.size() < 2) continue;
        const ValueAxisRange& a = axis[s.side == Side::Left ? 0 : 1];
        pts.clear();
        pts.reserve(s.time.size());
        for (std::size_t i = 0; i < s.time.size(); ++i)
            if (std::isfinite(s.value[i])) pts.emplace_back(xOf(s.time[i]), yOf(a, s.value[i]));
        p.setPen(QPen(s.color, s.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(pts.data(), static_cast<int>(pts.size()));
    }
}

}  // namespace talvex::ui
