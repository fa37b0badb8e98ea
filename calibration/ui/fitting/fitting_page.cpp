#include "fitting_page.hpp"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "fitting_dialog_base.hpp"
#include "piecewise_dialog.hpp"
#include "talvex/calibration/fitting/workbook_load.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/prompter.hpp"
#include "temperature_coefficient_dialog.hpp"
#include "temperature_difference_dialog.hpp"

namespace talvex::ui {

using namespace calibration::fitting;

namespace {
constexpr const char* kKindKeys[kDataKinds] = {"IDS_Fit_KindLowSegment", "IDS_Fit_KindHighSegment",
                                               "IDS_Fit_KindReference", "IDS_Fit_KindTemperature"};
}

// Object names: kindSelector, loadButton, fitButton and the workbook's grid.
CVelPageFit::CVelPageFit(FittingContext base, QWidget* parent) : Page(parent), base_(std::move(base)) {
    caption_ = new QLabel(this);
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("kindSelector"));
    for (int i = 0; i < kDataKinds; ++i) kind_->addItem(QString());
    kind_->setCurrentIndex(0);
    load_ = new QPushButton(this);
    load_->setObjectName(QStringLiteral("loadButton"));
    fit_ = new QPushButton(this);
    fit_->setObjectName(QStringLiteral("fitButton"));
    channelLabel_ = new QLabel(this);
    sensorLabel_ = new QLabel(this);
    details_ = new QPushButton(this);  // kept as the page has always had it; it does nothing

    grid_ = new QTableWidget(0, kGridColumns, this);
    grid_->setObjectName(QStringLiteral("grid"));
    QStringList headers;
    for (int c = 0; c < kGridColumns; ++c) headers << QString::fromStdString(gridColumnName(c));
    grid_->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < kGridColumns; ++c) grid_->setColumnWidth(c, 100);
    grid_->verticalHeader()->hide();
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setShowGrid(true);

    auto* controls = new QHBoxLayout;
    auto* processing = new QVBoxLayout;
    processing->addWidget(caption_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(kind_);
    buttons->addWidget(load_);
    buttons->addWidget(fit_);
    processing->addLayout(buttons);
    controls->addLayout(processing);
    controls->addStretch();
    controls->addWidget(channelLabel_);
    controls->addWidget(sensorLabel_);
    controls->addWidget(new QLabel(QStringLiteral("1"), this));
    controls->addWidget(details_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(grid_, 1);

    connect(load_, &QPushButton::clicked, this, &CVelPageFit::onLoad);
    connect(fit_, &QPushButton::clicked, this, &CVelPageFit::onFitButton);
    retranslate();
}

void CVelPageFit::retranslate() {
    caption_->setText(text("IDS_Fit_PageCaption"));
    for (int i = 0; i < kDataKinds; ++i) kind_->setItemText(i, text(kKindKeys[i]));
    load_->setText(text("IDS_Fit_Load"));
    fit_->setText(text("IDS_Fit_FitButton"));
    channelLabel_->setText(text("IDS_Fit_ChooseChannel"));
    sensorLabel_->setText(text("IDS_Fit_SensorId"));
    details_->setText(text("IDS_Fit_DeviceDetails"));
}

void CVelPageFit::message(const QString& msg) {
    Prompter& p = base_.prompter ? *base_.prompter : activePrompter();
    p.message(this, msg);
}

QString CVelPageFit::chooseFileDialog() {
    return QFileDialog::getOpenFileName(
        this, QString(), QString(),
        text("IDS_Fit_FileFilter") + QStringLiteral(" (*.xlsx *.xls *.ods *.csv)"));
}

void CVelPageFit::onLoad() {
    const QString path = chooseFile_ ? chooseFile_() : chooseFileDialog();
    if (path.isEmpty()) return;
    const WorkbookLoad load = loadCalibrationWorkbook(path.toStdString(), sheet_);
    if (!load.ok()) {
        message(text("IDS_Fit_LoadFailed") + QStringLiteral(" ") + path + QStringLiteral("\n") +
                QString::fromStdString(load.error));
        return;
    }
    fillGrid(load.grid);
}

void CVelPageFit::fillGrid(const FittingGrid& rows) {
    grid_->setRowCount(0);
    grid_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < kGridColumns; ++c) {
            auto* item = new QTableWidgetItem(
                QString::fromStdString(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
            item->setTextAlignment(Qt::AlignCenter);
            if (c == 0) {
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(Qt::Unchecked);
            }
            grid_->setItem(r, c, item);
        }
}

void CVelPageFit::onFitButton() {
    choice_.dataKind = kind_->currentIndex() + 1;
    Prompter& p = base_.prompter ? *base_.prompter : activePrompter();
    const GridScan scan{
        [this] { return grid_->rowCount(); },
        [this](int row) { return grid_->item(row, 0) && grid_->item(row, 0)->checkState() == Qt::Checked; },
        [this](int row) {
            return grid_->item(row, 0) ? grid_->item(row, 0)->text().toStdString() : std::string();
        },
        [this, &p](int row, int id) {
            QString filled = QString::fromStdString(GetText("IDS_Fit_RowSelected"));
            filled.replace(filled.indexOf(QStringLiteral("%d")), 2, QString::number(row));
            filled.replace(filled.indexOf(QStringLiteral("%d")), 2, QString::number(id));
            return p.question(this, filled);
        }};
    switch (pressFitButton(scan, choice_)) {
        case FitPress::Cancelled:
            return;
        case FitPress::NoSelection:
            message(text("IDS_Fit_NoConfigId"));
            return;
        case FitPress::OpenDialog:
            break;
    }
    FittingContext context = base_;
    context.sheet = &sheet_;
    context.sheetRow = choice_.sheetRow;
    context.sensorId = choice_.sensorId;
    context.dataKind = &choice_.dataKind;
    const FittingDialog dialog = dialogForKind(choice_.dataKind);
    if (openDialog_)
        openDialog_(dialog, context);
    else
        openDialogModally(dialog, context);
}

void CVelPageFit::openDialogModally(FittingDialog dialog, const FittingContext& context) {
    switch (dialog) {
        case FittingDialog::Piecewise:
            CVelDlgFit(context, this).exec();
            break;
        case FittingDialog::TemperatureDifference:
            CVelDlgRef(context, this).exec();
            break;
        case FittingDialog::TemperatureCoefficient:
            CVelDlgSt(context, this).exec();
            break;
    }
}

}  // namespace talvex::ui
