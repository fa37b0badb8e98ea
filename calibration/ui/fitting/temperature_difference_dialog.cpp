#include "temperature_difference_dialog.hpp"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "talvex/calibration/fitting/temperature_difference_fitting.hpp"

namespace talvex::ui {

using namespace calibration::fitting;

// Object names: segmentSelector, startSelector, referenceSelector, endSelector, showPointsButton,
// fitButton, writeLowButton, writeHighButton.
CVelDlgRef::CVelDlgRef(FittingContext context, QWidget* parent)
    : FittingDialogBase(std::move(context), parent) {
    setWindowTitle(text("IDS_Fit_DifferenceTitle"));
    segment_ = new QComboBox(this);
    segment_->setObjectName(QStringLiteral("segmentSelector"));
    segment_->addItems({text("IDS_Fit_LowSegment"), text("IDS_Fit_HighSegment")});
    segment_->setCurrentIndex(static_cast<int>(TemperatureSegment::High));

    const TemperaturePoints initial;
    const auto entries = temperatureSelectorEntries(*context_.sheet, context_.sheetRow);
    const auto selector = [&](int index) {
        auto* box = new QComboBox(this);
        for (const auto& e : entries) box->addItem(QString::fromStdString(e));
        box->setCurrentIndex(index);
        return box;
    };
    start_ = selector(initial.start);
    reference_ = selector(initial.reference);
    end_ = selector(initial.end);
    start_->setObjectName(QStringLiteral("startSelector"));
    reference_->setObjectName(QStringLiteral("referenceSelector"));
    end_->setObjectName(QStringLiteral("endSelector"));
    auto* show = new QPushButton(text("IDS_Fit_Confirm"), this);
    show->setObjectName(QStringLiteral("showPointsButton"));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(text("IDS_Fit_SegmentChoice"), this));
    top->addWidget(segment_);
    top->addWidget(new QLabel(text("IDS_Fit_StartTemp"), this));
    top->addWidget(start_);
    top->addWidget(new QLabel(text("IDS_Fit_ReferenceTemp"), this));
    top->addWidget(reference_);
    top->addWidget(new QLabel(text("IDS_Fit_EndTemp"), this));
    top->addWidget(end_);
    top->addWidget(show);
    top->addStretch();

    makePointList({text("IDS_Fit_ColIndex"), text("IDS_Fit_ColLowT"), text("IDS_Fit_ColLowR"),
                   text("IDS_Fit_ColLowDiff"), text("IDS_Fit_ColHighT"), text("IDS_Fit_ColHighR"),
                   text("IDS_Fit_ColHighDiff")},
                  {30, 60, 60, 60, 60, 60, 60});

    auto* low = new QGroupBox(text("IDS_Fit_LowSegment"), this);
    low->setLayout(makeFields(temperatureDifferenceFields(TemperatureSegment::Low), 3));
    auto* high = new QGroupBox(text("IDS_Fit_HighSegment"), this);
    high->setLayout(makeFields(temperatureDifferenceFields(TemperatureSegment::High), 3));
    auto* fit = tallButton("IDS_Fit_StartFit", "fitButton");
    auto* writeLow = tallButton("IDS_Fit_WriteLow", "writeLowButton");
    auto* writeHigh = tallButton("IDS_Fit_WriteHigh", "writeHighButton");

    auto* fields = new QVBoxLayout;
    fields->addWidget(low);
    fields->addWidget(high);
    auto* body = new QHBoxLayout;
    body->addWidget(pointList(), 1);
    body->addLayout(fields);
    body->addWidget(fit);
    body->addWidget(writeLow);
    body->addWidget(writeHigh);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);
    resize(1100, 520);

    connect(show, &QPushButton::clicked, this, &CVelDlgRef::onShowPoints);
    connect(fit, &QPushButton::clicked, this, &CVelDlgRef::onFit);
    connect(writeLow, &QPushButton::clicked, this, &CVelDlgRef::onWriteLow);
    connect(writeHigh, &QPushButton::clicked, this, &CVelDlgRef::onWriteHigh);
}

TemperaturePoints CVelDlgRef::points() const {
    return {start_->currentIndex(), reference_->currentIndex(), end_->currentIndex()};
}

void CVelDlgRef::onShowPoints() {
    const TemperaturePoints sel = points();
    if (const std::string refusal = checkTemperaturePoints(sel); !refusal.empty()) {
        message(refusal);
        return;
    }
    pointList()->setRowCount(0);
    insertRows(temperatureDifferenceRows(*context_.sheet, context_.sheetRow, sel), 0);
}

// The fit works on the rows of the present selection; the list is refilled with them, so what it
// shows is always what was fitted.
void CVelDlgRef::onFit() {
    const auto segment = static_cast<TemperatureSegment>(segment_->currentIndex());
    const auto out = fitTemperatureDifference(*context_.sheet, context_.sheetRow, points(), segment);
    if (!out.result) {
        showFields(temperatureDifferenceFields(segment));  // a refused fit shows no coefficients
        message(out.refusal);
        return;
    }
    *context_.dataKind = out.result->dataKind;
    pointList()->setRowCount(0);
    insertRows(out.result->rows, 0);
    showFields(out.result->fields);
}

void CVelDlgRef::write(TemperatureSegment segment) {
    startWrite(planTemperatureDifferenceWrite(currentFields(temperatureDifferenceFields(segment)), segment,
                                              *context_.dataKind, context_.sensorId));
}

void CVelDlgRef::onWriteLow() {
    write(TemperatureSegment::Low);
}

void CVelDlgRef::onWriteHigh() {
    write(TemperatureSegment::High);
}

}  // namespace talvex::ui
