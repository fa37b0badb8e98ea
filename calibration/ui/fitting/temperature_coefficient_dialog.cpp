#include "temperature_coefficient_dialog.hpp"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "talvex/calibration/fitting/piecewise_fitting.hpp"
#include "talvex/calibration/fitting/temperature_coefficient_fitting.hpp"

namespace talvex::ui {

using namespace calibration::fitting;

// Object names: startSelector, endSelector, showPointsButton, fitButton, writeButton.
CVelDlgSt::CVelDlgSt(FittingContext context, QWidget* parent)
    : FittingDialogBase(std::move(context), parent) {
    setWindowTitle(text("IDS_Fit_CoefficientTitle"));
    const auto entries = referenceSelectorEntries(*context_.sheet);
    const auto selector = [&] {
        auto* box = new QComboBox(this);
        for (const auto& e : entries) box->addItem(QString::fromStdString(e));
        box->setCurrentIndex(0);
        return box;
    };
    start_ = selector();
    start_->setObjectName(QStringLiteral("startSelector"));
    end_ = selector();
    end_->setObjectName(QStringLiteral("endSelector"));
    auto* show = new QPushButton(text("IDS_Fit_Confirm"), this);
    show->setObjectName(QStringLiteral("showPointsButton"));
    auto* points = new QGroupBox(text("IDS_Fit_PointChoice"), this);
    auto* pointsLayout = new QHBoxLayout(points);
    pointsLayout->addWidget(new QLabel(text("IDS_Fit_StartPoint"), this));
    pointsLayout->addWidget(start_);
    pointsLayout->addWidget(new QLabel(text("IDS_Fit_EndPoint"), this));
    pointsLayout->addWidget(end_);
    pointsLayout->addWidget(show);

    makePointList({text("IDS_Fit_ColIndex"), text("IDS_Fit_ColX"), text("IDS_Fit_ColY")}, {30, 60, 60});
    auto* fit = tallButton("IDS_Fit_StartFit", "fitButton");
    auto* write = tallButton("IDS_Fit_Write", "writeButton");

    auto* right = new QVBoxLayout;
    right->addWidget(points);
    right->addLayout(makeFields(temperatureCoefficientFields(), 1));
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(pointList(), 1);
    layout->addLayout(right);
    layout->addWidget(fit);
    layout->addWidget(write);
    resize(760, 440);

    connect(show, &QPushButton::clicked, this, &CVelDlgSt::onShowPoints);
    connect(fit, &QPushButton::clicked, this, &CVelDlgSt::onFit);
    connect(write, &QPushButton::clicked, this, &CVelDlgSt::onWrite);
}

TemperatureRange CVelDlgSt::range() const {
    return {start_->currentIndex(), end_->currentIndex()};
}

void CVelDlgSt::onShowPoints() {
    if (const std::string refusal = checkTemperatureRange(range()); !refusal.empty()) {
        message(refusal);
        return;
    }
    pointList()->setRowCount(0);
    insertRows(temperatureCoefficientRows(*context_.sheet, context_.sheetRow, range()), 0);
}

void CVelDlgSt::onFit() {
    const auto out = fitTemperatureCoefficients(*context_.sheet, context_.sheetRow, range());
    if (!out.result) {
        showFields(temperatureCoefficientFields());  // a refused fit shows no coefficients
        message(out.refusal);
        return;
    }
    showFields(out.result->fields);
}

void CVelDlgSt::onWrite() {
    startWrite(
        planTemperatureCoefficientWrite(currentFields(temperatureCoefficientFields()), context_.sensorId));
}

}  // namespace talvex::ui
