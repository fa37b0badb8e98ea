#include "piecewise_dialog.hpp"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "fit_chart.hpp"
#include "talvex/calibration/fitting/piecewise_fitting.hpp"
#include "talvex/language.hpp"

namespace talvex::ui {

using namespace calibration::fitting;

// Object names as the dialog labels its parts: breakpointSelector0..3 (P0..P3); per segment 1..3
// chart<n>, rSquared<n> and segmentRSquared<n>; showPointsButton, fitButton, writeButton.
CVelDlgFit::CVelDlgFit(FittingContext context, QWidget* parent)
    : FittingDialogBase(std::move(context), parent) {
    setWindowTitle(text("IDS_Fit_PiecewiseTitle"));
    auto* top = new QHBoxLayout;
    const Breakpoints initial;
    const auto entries = referenceSelectorEntries(*context_.sheet);
    for (int k = 0; k < 4; ++k) {
        auto* box = new QComboBox(this);
        box->setObjectName(QStringLiteral("breakpointSelector%1").arg(k));
        for (const auto& e : entries) box->addItem(QString::fromStdString(e));
        box->setCurrentIndex(initial.cell[static_cast<std::size_t>(k)]);
        selectors_[static_cast<std::size_t>(k)] = box;
        top->addWidget(new QLabel(QStringLiteral("P%1").arg(k), this));
        top->addWidget(box);
    }
    auto* show = new QPushButton(text("IDS_Fit_Confirm"), this);
    show->setObjectName(QStringLiteral("showPointsButton"));
    top->addWidget(show);
    top->addStretch();

    makePointList({text("IDS_Fit_ColIndex"), text("IDS_Fit_ColX"), text("IDS_Fit_ColY")}, {30, 60, 60});

    QGridLayout* fields = makeFields(piecewiseFields(), 4);
    auto* charts = new QHBoxLayout;
    for (int k = 0; k < 3; ++k) {
        auto* column = new QVBoxLayout;
        charts_[static_cast<std::size_t>(k)] = new FitChart(this);
        charts_[static_cast<std::size_t>(k)]->setObjectName(QStringLiteral("chart%1").arg(k + 1));
        column->addWidget(new QLabel(
            QString::fromStdString(GetText("IDS_Fit_Segment")).replace("%d", QString::number(k + 1)), this));
        column->addWidget(charts_[static_cast<std::size_t>(k)], 1);
        auto* r2 = new QGridLayout;
        cumulative_[static_cast<std::size_t>(k)] = new QLineEdit(this);
        own_[static_cast<std::size_t>(k)] = new QLineEdit(this);
        cumulative_[static_cast<std::size_t>(k)]->setObjectName(QStringLiteral("rSquared%1").arg(k + 1));
        own_[static_cast<std::size_t>(k)]->setObjectName(QStringLiteral("segmentRSquared%1").arg(k + 1));
        cumulative_[static_cast<std::size_t>(k)]->setReadOnly(true);
        own_[static_cast<std::size_t>(k)]->setReadOnly(true);
        r2->addWidget(new QLabel(text("IDS_Fit_RSquared"), this), 0, 0);
        r2->addWidget(cumulative_[static_cast<std::size_t>(k)], 0, 1);
        r2->addWidget(new QLabel(text("IDS_Fit_SegmentRSquared"), this), 1, 0);
        r2->addWidget(own_[static_cast<std::size_t>(k)], 1, 1);
        column->addLayout(r2);
        charts->addLayout(column, 1);
    }
    auto* fit = tallButton("IDS_Fit_StartFit", "fitButton");
    auto* write = tallButton("IDS_Fit_Write", "writeButton");

    auto* centre = new QVBoxLayout;
    centre->addLayout(fields);
    centre->addLayout(charts, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(pointList());
    body->addLayout(centre, 1);
    body->addWidget(fit);
    body->addWidget(write);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);
    resize(1100, 640);

    connect(show, &QPushButton::clicked, this, &CVelDlgFit::onShowPoints);
    connect(fit, &QPushButton::clicked, this, &CVelDlgFit::onFit);
    connect(write, &QPushButton::clicked, this, &CVelDlgFit::onWrite);
}

Breakpoints CVelDlgFit::breakpoints() const {
    Breakpoints bp;
    for (int k = 0; k < 4; ++k)
        bp.cell[static_cast<std::size_t>(k)] = selectors_[static_cast<std::size_t>(k)]->currentIndex();
    return bp;
}

// New rows go on top; the rows of an earlier press stay below them.
void CVelDlgFit::onShowPoints() {
    const Breakpoints bp = breakpoints();
    if (const std::string refusal = checkBreakpoints(bp); !refusal.empty()) {
        message(refusal);
        return;
    }
    insertRows(piecewisePointRows(*context_.sheet, context_.sheetRow, bp), 0);
    pointList()->scrollToBottom();
}

void CVelDlgFit::onFit() {
    const auto out = fitPiecewise(*context_.sheet, context_.sheetRow, breakpoints());
    if (!out.result) {
        showFields(piecewiseFields());  // a refused fit shows no coefficients
        for (std::size_t k = 0; k < 3; ++k) cumulative_[k]->clear(), own_[k]->clear();
        message(out.refusal);
        return;
    }
    showFields(out.result->fields);
    for (std::size_t k = 0; k < 3; ++k) {
        cumulative_[k]->setText(QString::fromStdString(out.result->cumulativeRSquared[k]));
        own_[k]->setText(QString::fromStdString(out.result->segmentRSquared[k]));
        const ChartSeries& s = out.result->charts[k];
        charts_[k]->addSeries(s.x, s.y, 2);
        charts_[k]->addSeries(s.x, s.fitted, 1);
    }
}

void CVelDlgFit::onWrite() {
    startWrite(planPiecewiseWrite(currentFields(piecewiseFields()), *context_.dataKind, context_.sensorId));
}

}  // namespace talvex::ui
