#include "curve_page.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <charconv>

#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/record_store.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/ui/chart/time_chart.hpp"
#include "talvex/ui/logic/ole_date.hpp"
#include "talvex/ui/logic/time_axis.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {
namespace {

// Decimal text to double, independent of the process locale; 0 for text that is no number.
double toDouble(const std::string& s) {
    double v = 0;
    const char* b = s.data();
    while (b != s.data() + s.size() && *b == ' ') ++b;
    if (b != s.data() + s.size() && *b == '+') ++b;
    std::from_chars(b, s.data() + s.size(), v);
    return v;
}

}  // namespace

CVelPageChart::CVelPageChart(PageContext ctx, QWidget* parent) : Page(parent), ctx_(std::move(ctx)) {
    chart_ = new TimeChart(this);
    h2Box_ = new QCheckBox(this);
    tempBox_ = new QCheckBox(this);
    // Found by these object names (unique in the page).
    chart_->setObjectName(QStringLiteral("chart"));
    h2Box_->setObjectName(QStringLiteral("h2Box"));
    tempBox_->setObjectName(QStringLiteral("tempBox"));
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(h2Box_);
    boxes->addWidget(tempBox_);
    boxes->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chart_, 1);
    layout->addLayout(boxes);
    connect(h2Box_, &QCheckBox::toggled, this, &CVelPageChart::applyVisibility);
    connect(tempBox_, &QCheckBox::toggled, this, &CVelPageChart::applyVisibility);

    setupChart();
    connect(&timer_, &QTimer::timeout, this, &CVelPageChart::handOver);
    timer_.start(500);
}

void CVelPageChart::setupChart() {
    chart_->beginUpdate();
    chart_->removeAllSeries();
    chart_->setTimeStep(TimeUnit::Hour, 1, "%m-%d %H:%M");
    chart_->setTitle(QStringLiteral("H2(ppm)"), QFont(QStringLiteral("Arial"), 18));
    chart_->setBackground(Qt::white);
    h2Series_ = chart_->addSeries({}, QColor(0, 0, 200), 3, TimeChart::Side::Left);
    tempSeries_ = chart_->addSeries({}, QColor(200, 0, 0), 3, TimeChart::Side::Right);
    retranslate();
    h2Box_->setChecked(true);
    tempBox_->setChecked(true);
    applyVisibility();
    chart_->endUpdate();
}

void CVelPageChart::retranslate() {
    h2Box_->setText(uiText("IDS_Tab_Chart_H2"));
    tempBox_->setText(uiText("IDS_Tab_Chart_Temp"));
    chart_->setSeriesName(h2Series_, h2Box_->text());
    chart_->setSeriesName(tempSeries_, tempBox_->text());
}

void CVelPageChart::applyVisibility() {
    chart_->beginUpdate();
    chart_->setSeriesVisible(h2Series_, h2Box_->isChecked());
    chart_->setSeriesVisible(tempSeries_, tempBox_->isChecked());
    chart_->endUpdate();
}

void CVelPageChart::selectedSensorChanged() {
    Session& s = ctx_.session ? *ctx_.session : session();
    load(acquisition::RecordStore::keyOf(s.selectedSensorId.load()));
}

std::size_t CVelPageChart::load(const std::string& key) {
    using acquisition::Field;
    const auto records = ctx_.store->records(key);
    const auto positions = thinPositions(records.size());
    const Field h2Field = isGasPhaseModel(ctx_.model) ? Field::H2AG : Field::H2DG;

    chart_->beginUpdate();
    chart_->clearPoints(h2Series_);
    chart_->clearPoints(tempSeries_);
    data_.clear();
    for (std::size_t p : positions) {
        const auto& r = records[p];
        const auto t = parseRecordTimestamp(r.field(Field::Timestamp));
        if (!t) continue;  // a malformed timestamp has no place on the time axis
        data_.append(*t, toDouble(r.field(h2Field)), toDouble(r.field(Field::Temp)));
    }
    if (data_.size() > 0) {
        chooseStep();
        // A single point draws no line; it still counts as handed over.
        if (data_.size() > 1) {
            chart_->appendPoints(h2Series_, data_.time().data(), data_.h2().data(), data_.size());
            chart_->appendPoints(tempSeries_, data_.time().data(), data_.temp().data(), data_.size());
        }
        data_.markAllHanded();
    }
    chart_->endUpdate();
    return data_.size();
}

void CVelPageChart::takeLivePoints() {
    const auto points = ctx_.engine->chartPoints().take();
    if (points.empty()) return;
    const double now = oleDateNow();
    chart_->beginUpdate();
    for (const auto& p : points) {
        if (data_.appendLive(now, p.hydrogen, p.temperature)) {
            chart_->clearPoints(h2Series_);
            chart_->clearPoints(tempSeries_);
        }
    }
    chart_->endUpdate();
}

void CVelPageChart::handOver() {
    const std::size_t from = data_.handed();
    if (from >= data_.size()) return;
    const std::size_t n = data_.size() - from;
    chart_->beginUpdate();
    chart_->appendPoints(h2Series_, data_.time().data() + from, data_.h2().data() + from, n);
    chart_->appendPoints(tempSeries_, data_.time().data() + from, data_.temp().data() + from, n);
    data_.markAllHanded();
    chooseStep();
    chart_->endUpdate();
}

void CVelPageChart::chooseStep() {
    if (data_.size() == 0) return;
    const auto choice = chooseTimeStep(data_.spanSeconds(), chart_->width());
    chart_->setTimeStep(choice.step->unit, choice.step->count, choice.step->format);
}

void CVelPageChart::resizeEvent(QResizeEvent* event) {
    Page::resizeEvent(event);
    chooseStep();
}

}  // namespace talvex::ui
