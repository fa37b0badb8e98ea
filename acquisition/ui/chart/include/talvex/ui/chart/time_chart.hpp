// A small line chart over a date-time axis: line series bound to the time axis and to a left or a
// right value axis with automatic ranges. The time axis ticks at a fixed calendar step (unit x count)
// with a strftime-style format, which the stock chart classes cannot express.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/ui/logic/time_axis.hpp"

namespace talvex::ui {

class TimeChart : public QWidget {
    Q_OBJECT
  public:
    enum class Side { Left, Right };

    explicit TimeChart(QWidget* parent = nullptr);

    void setTitle(const QString& title, const QFont& font);
    void setBackground(const QColor& color);

    // Returns the series' index.
    int addSeries(const QString& name, const QColor& color, int width, Side side);
    void removeAllSeries();
    int seriesCount() const { return static_cast<int>(series_.size()); }
    void setSeriesName(int series, const QString& name);
    void setSeriesVisible(int series, bool visible);
    bool seriesVisible(int series) const;

    // Times are automation dates (days since 1899-12-30, local wall clock).
    void appendPoints(int series, const double* time, const double* values, std::size_t count);
    void clearPoints(int series);
    std::size_t pointCount(int series) const;

    void setTimeStep(TimeUnit unit, int count, std::string_view format);
    TimeUnit timeStepUnit() const { return stepUnit_; }
    int timeStepCount() const { return stepCount_; }
    const std::string& timeFormat() const { return format_; }

    // Changes between these two repaint once, at the end.
    void beginUpdate();
    void endUpdate();

    // The area the lines are drawn in, for the current size.
    QRect plotRect() const;

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    struct Series {
        QString name;
        QColor color;
        int width = 1;
        Side side = Side::Left;
        bool visible = true;
        std::vector<double> time, value;
        double tMin = 0, tMax = 0, vMin = 0, vMax = 0;
    };
    void changed();
    bool validSeries(int s) const { return s >= 0 && s < seriesCount(); }

    std::vector<Series> series_;
    QString title_;
    QFont titleFont_;
    QColor background_ = Qt::white;
    TimeUnit stepUnit_ = TimeUnit::Minute;
    int stepCount_ = 1;
    std::string format_ = "%m-%d %H:%M";
    int batch_ = 0;
    bool dirty_ = false;
};

}  // namespace talvex::ui
