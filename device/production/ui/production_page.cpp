#include "production_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <ctime>
#include <memory>
#include <optional>

#include "page_support.hpp"
#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/production/chain.hpp"
#include "talvex/production/readout.hpp"
#include "talvex/production/texts.hpp"
#include "talvex/ui/ui_text.hpp"
#include "talvex/workbook/writer.hpp"

namespace talvex::ui {
namespace {

constexpr int kFineCelsius[3] = {50, 90, 110};
constexpr const char* kFineKeys[3] = {"IDS_Prod_Fine50", "IDS_Prod_Fine90", "IDS_Prod_Fine110"};
constexpr int kListWidths[4] = {50, 100, 120, 140};
constexpr const char* kListKeys[4] = {"IDS_Prod_ColNumber", "IDS_Prod_ColParameter", "IDS_Prod_ColValue",
                                      "IDS_Prod_ColRemark"};
constexpr int kScrollRows[] = {11, 19, 42, 53};  // the list follows the read-out at these rows

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CVelPageProd::CVelPageProd(PageContext ctx, QWidget* parent)
    : Page(parent), ctx_(std::move(ctx)), chooser_(dialogFileChooser()) {
    production::chainMode() = false;  // the flag starts cleared with the page
    runner_ = new OperationRunner(ctx_.arbiter, this, ctx_.prompter);
    if (ctx_.progress) runner_->setProgress(ctx_.progress);

    // The parts a user works with carry stable object names, so they can be found without the page
    // exposing them: "runModeList", "startButton", "autoPollBox", "signerEdit", "signButton",
    // "exportButton", "readOutButton", "clearButton" and the read-out "readOutList".
    caution_ = new QLabel(this);
    caution_->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    runMode_ = new QComboBox(this);
    for (size_t i = 0; i < production::runModeEntries().size(); ++i) runMode_->addItem(QString());
    runMode_->setObjectName(QStringLiteral("runModeList"));
    start_ = new QPushButton(this);
    start_->setObjectName(QStringLiteral("startButton"));
    autoPoll_ = new QCheckBox(this);
    autoPoll_->setObjectName(QStringLiteral("autoPollBox"));
    point1_ = new QRadioButton(this);
    point2_ = new QRadioButton(this);
    sensorTempLabel_ = new QLabel(this);
    sensorTemp_ = new QLineEdit(this);
    readTemp_ = new QPushButton(this);
    actualTempLabel_ = new QLabel(this);
    actualTemp_ = new QLineEdit(this);
    calibrate_ = new QPushButton(this);
    for (int i = 0; i < 3; ++i) {
        fineLabels_[i] = new QLabel(this);
        fineEdits_[i] = new QLineEdit(this);
        fineButtons_[i] = new QPushButton(this);
    }
    resistanceLabel_ = new QLabel(this);
    storedResistance_ = new QLineEdit(this);
    storedResistance_->setReadOnly(true);
    readStored_ = new QPushButton(this);
    measuredResistance_ = new QLineEdit(this);
    measure_ = new QPushButton(this);
    writeResistance_ = new QPushButton(this);
    signerLabel_ = new QLabel(this);
    signer_ = new QLineEdit(this);
    signer_->setObjectName(QStringLiteral("signerEdit"));
    sign_ = new QPushButton(this);
    sign_->setObjectName(QStringLiteral("signButton"));
    export_ = new QPushButton(this);
    export_->setObjectName(QStringLiteral("exportButton"));
    readOut_ = new QPushButton(this);
    readOut_->setObjectName(QStringLiteral("readOutButton"));
    clear_ = new QPushButton(this);
    clear_->setObjectName(QStringLiteral("clearButton"));
    list_ = new QTableWidget(0, 4, this);
    list_->setObjectName(QStringLiteral("readOutList"));
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->verticalHeader()->hide();
    for (int c = 0; c < 4; ++c) list_->setColumnWidth(c, kListWidths[c]);
    list_->horizontalHeader()->setStretchLastSection(true);

    auto* controls = new QGridLayout;
    int r = 0;
    controls->addWidget(caution_, r++, 0, 1, 3);
    controls->addWidget(runMode_, r, 0);
    controls->addWidget(start_, r, 1);
    controls->addWidget(autoPoll_, r++, 2);
    controls->addWidget(point1_, r, 0);
    controls->addWidget(point2_, r++, 1);
    controls->addWidget(sensorTempLabel_, r, 0);
    controls->addWidget(sensorTemp_, r, 1);
    controls->addWidget(readTemp_, r++, 2);
    controls->addWidget(actualTempLabel_, r, 0);
    controls->addWidget(actualTemp_, r, 1);
    controls->addWidget(calibrate_, r++, 2);
    for (int i = 0; i < 3; ++i) {
        controls->addWidget(fineLabels_[i], r, 0);
        controls->addWidget(fineEdits_[i], r, 1);
        controls->addWidget(fineButtons_[i], r++, 2);
    }
    controls->addWidget(resistanceLabel_, r, 0);
    controls->addWidget(storedResistance_, r, 1);
    controls->addWidget(readStored_, r++, 2);
    controls->addWidget(measuredResistance_, r, 0);
    controls->addWidget(measure_, r, 1);
    controls->addWidget(writeResistance_, r++, 2);
    controls->addWidget(signerLabel_, r, 0);
    controls->addWidget(signer_, r, 1);
    controls->addWidget(sign_, r++, 2);
    controls->addWidget(export_, r++, 0, 1, 3);
    controls->setRowStretch(r, 1);

    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(readOut_);
    listButtons->addWidget(clear_);
    listButtons->addStretch();
    auto* listSide = new QVBoxLayout;
    listSide->addWidget(list_);
    listSide->addLayout(listButtons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(listSide, 1);

    connect(readOut_, &QPushButton::clicked, this, &CVelPageProd::onReadOut);
    connect(clear_, &QPushButton::clicked, this, &CVelPageProd::onClear);
    connect(start_, &QPushButton::clicked, this, &CVelPageProd::onStartRunMode);
    connect(autoPoll_, &QCheckBox::toggled, this, &CVelPageProd::onAutoPoll);
    connect(point1_, &QRadioButton::clicked, this, [this] { point_ = production::CalibrationPoint::First; });
    connect(point2_, &QRadioButton::clicked, this, [this] { point_ = production::CalibrationPoint::Second; });
    connect(readTemp_, &QPushButton::clicked, this, &CVelPageProd::onReadTemperature);
    connect(calibrate_, &QPushButton::clicked, this, &CVelPageProd::onCalibrate);
    for (int i = 0; i < 3; ++i)
        connect(fineButtons_[i], &QPushButton::clicked, this,
                [this, i] { onFineAdjust(kFineCelsius[i], fineEdits_[i]); });
    connect(readStored_, &QPushButton::clicked, this, &CVelPageProd::onReadStored);
    connect(measure_, &QPushButton::clicked, this, &CVelPageProd::onMeasure);
    connect(writeResistance_, &QPushButton::clicked, this, &CVelPageProd::onWriteResistance);
    connect(sign_, &QPushButton::clicked, this, &CVelPageProd::onSign);
    connect(export_, &QPushButton::clicked, this, &CVelPageProd::onExport);
    retranslate();
}

CVelPageProd::~CVelPageProd() {
    runner_->cancel();
    runner_->wait();
}

void CVelPageProd::retranslate() {
    caution_->setText(uiText("IDS_Prod_Caution"));
    start_->setText(uiText("IDS_Prod_Start"));
    autoPoll_->setText(uiText("IDS_Prod_AutoPoll"));
    point1_->setText(uiText("IDS_Prod_Point1"));
    point2_->setText(uiText("IDS_Prod_Point2"));
    sensorTempLabel_->setText(uiText("IDS_Prod_SensorTemperature"));
    readTemp_->setText(uiText("IDS_Prod_Read"));
    actualTempLabel_->setText(uiText("IDS_Prod_ActualTemperature"));
    calibrate_->setText(uiText("IDS_Prod_Write"));
    for (int i = 0; i < 3; ++i) {
        fineLabels_[i]->setText(uiText(kFineKeys[i]));
        fineButtons_[i]->setText(uiText("IDS_Prod_Write"));
    }
    resistanceLabel_->setText(uiText("IDS_Prod_Resistance20"));
    readStored_->setText(uiText("IDS_Prod_Read"));
    measure_->setText(uiText("IDS_Prod_Measure"));
    writeResistance_->setText(uiText("IDS_Prod_Write"));
    signerLabel_->setText(uiText("IDS_Prod_Signer"));
    sign_->setText(uiText("IDS_Prod_Sign"));
    export_->setText(uiText("IDS_Prod_Export"));
    if (readOut_->isEnabled())
        readOut_->setText(uiText("IDS_Prod_ReadOut"));
    else
        readOut_->setText(uiText("IDS_Prod_Wait"));
    clear_->setText(uiText("IDS_Prod_Clear"));
    for (int i = 0; i < runMode_->count(); ++i)  // the entries in the order of runModeEntries()
        runMode_->setItemText(i, uiText(("IDS_Prod_RunMode" + std::to_string(i)).c_str()));
    QStringList headers;
    for (const char* key : kListKeys) headers << uiText(key);
    list_->setHorizontalHeaderLabels(headers);
}

int CVelPageProd::selectedId() const {
    const Session& s = ctx_.session ? *ctx_.session : session();
    return s.selectedSensorId.load();
}

production::Targets CVelPageProd::targets() const {
    if (!production::chainMode()) return production::Targets::single(selectedId());
    const Session& s = ctx_.session ? *ctx_.session : session();
    return {production::chainTargets(s.enumUintEN), true};
}

bool CVelPageProd::linkOpen(const char* closedKey, bool warning) {
    if (!ctx_.arbiter || !ctx_.arbiter->linkClosed()) return true;
    say(uiText(closedKey), warning);
    return false;
}

void CVelPageProd::say(const QString& text, bool warning) {
    ui::say(ctx_, this, text, warning);
}

bool CVelPageProd::run(SensorOperation op, RunOptions options, std::function<void()> then) {
    return runner_->start(
        std::move(op),
        [this, then = std::move(then)](bool) {
            if (then) then();
            emit operationFinished();
        },
        options);
}

void CVelPageProd::readInto(QLineEdit* edit, TextRead read, RunOptions options) {
    if (runner_->busy()) return;
    auto text = std::make_shared<std::optional<std::string>>();
    run([text, read = std::move(read)](RegisterIo& io, Pacer& pacer,
                                       talvex::Prompter& p) { *text = read(io, pacer, p); },
        options,
        [edit, text] {
            if (*text) edit->setText(q(**text));
        });
}

void CVelPageProd::fillRowLabels() {
    list_->setRowCount(0);
    list_->setRowCount(production::kReadoutRows);
    for (const auto& row : production::readoutRows()) {
        const int i = row.number - 1;
        list_->setItem(i, 0, new QTableWidgetItem(QString::number(row.number)));
        list_->setItem(i, 1, new QTableWidgetItem(q(std::string(row.label))));
        list_->setItem(i, 2, new QTableWidgetItem);
        list_->setItem(i, 3, new QTableWidgetItem(q(std::string(row.description))));
    }
}

void CVelPageProd::setValue(int row, const QString& text) {
    if (row < 1 || row > list_->rowCount()) return;
    list_->item(row - 1, 2)->setText(text);
    if (row == production::kProductNumberRow) exportName_ = text;
    for (int at : kScrollRows)
        if (row == at) list_->scrollToItem(list_->item(row - 1, 0));
}

void CVelPageProd::onReadOut() {
    list_->setRowCount(0);
    if (!linkOpen("IDS_Prod_OpenPortFirst", false) || runner_->busy() || !readOut_->isEnabled()) return;
    readOut_->setText(uiText("IDS_Prod_Wait"));
    readOut_->setEnabled(false);
    fillRowLabels();
    const int id = selectedId();
    const bool started = run(
        [this, id](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            auto r = production::readOut(io, pacer, id, [this, &prompter](int row, const std::string& v) {
                QMetaObject::invokeMethod(
                    this, [this, row, v] { setValue(row, q(v)); }, Qt::QueuedConnection);
                prompter.progress(row * 100 / production::kReadoutRows);
            });
            prompter.progress(-1);  // the main window's bar hides again
            if (r.failedRow) prompter.message(production::rowFailureText(r.failedRow));
        },
        closedLink("IDS_Prod_OpenPortFirst", false),
        [this] {
            readOut_->setText(uiText("IDS_Prod_ReadOut"));
            readOut_->setEnabled(true);
        });
    if (!started) {
        readOut_->setText(uiText("IDS_Prod_ReadOut"));
        readOut_->setEnabled(true);
    }
}

void CVelPageProd::onClear() {
    list_->setRowCount(0);
    readOut_->setEnabled(true);
}

void CVelPageProd::onStartRunMode() {
    if (runner_->busy()) return;
    const int index = runMode_->currentIndex();
    if (index < 0) return;
    const production::RunModeEntry entry = production::runModeEntries()[static_cast<size_t>(index)];
    // The 485-232 switch goes to the selected sensor only.
    const production::Targets t = entry.code == 0 ? production::Targets::single(selectedId()) : targets();
    run(
        [this, entry, t](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            lastRunMode_ = production::startRunMode(io, pacer, prompter, entry, t);
        },
        closedLink("IDS_Prod_ConnectPortFirst", true));
}

void CVelPageProd::onAutoPoll(bool on) {
    if (on && !promptOf(ctx_).question(this, uiText("IDS_Prod_AutoPollConfirm"))) {
        const QSignalBlocker block(autoPoll_);
        autoPoll_->setChecked(false);
        on = false;
    }
    production::chainMode() = on;
}

void CVelPageProd::onReadTemperature() {
    if (runner_->busy()) return;
    if (point_ == production::CalibrationPoint::None) {
        say(uiText("IDS_Prod_ChoosePoint"));
        return;
    }
    point1_->setEnabled(false);  // until the next calibration attempt ends
    point2_->setEnabled(false);
    auto value = std::make_shared<std::optional<double>>();
    const production::Targets t = targets();
    run(
        [value, t](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            *value = production::readTemperature(io, pacer, prompter, t);
        },
        closedLink("IDS_Prod_ConnectPortFirst", true),
        [this, value] {
            if (*value) sensorTemp_->setText(QString::number(**value, 'f', 2));
        });
}

void CVelPageProd::onCalibrate() {
    if (runner_->busy()) return;
    auto accepted = std::make_shared<std::atomic<bool>>(false);
    const production::Targets t = targets();
    const std::uint16_t lastMode = lastRunMode_;
    const production::CalibrationPoint point = point_;
    const std::string degrees = actualTemp_->text().toStdString();
    const bool started = run(
        [=](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            *accepted = production::calibrateTemperature(io, pacer, prompter, lastMode, point, degrees, t);
        },
        closedLink("IDS_Prod_ConnectPortFirst", true),
        [this, accepted] {
            if (*accepted) {
                point_ = production::CalibrationPoint::None;
                for (QRadioButton* b : {point1_, point2_}) {
                    b->setAutoExclusive(false);
                    b->setChecked(false);
                    b->setAutoExclusive(true);
                }
            }
            point1_->setEnabled(true);
            point2_->setEnabled(true);
        });
    if (!started) {
        point1_->setEnabled(true);
        point2_->setEnabled(true);
    }
}

void CVelPageProd::onFineAdjust(int celsius, QLineEdit* edit) {
    if (runner_->busy()) return;
    const production::Targets t = targets();
    const std::string ppm = edit->text().toStdString();
    run([=](RegisterIo& io, Pacer& pacer,
            talvex::Prompter& prompter) { production::fineAdjust(io, pacer, prompter, celsius, ppm, t); },
        closedLink("IDS_Prod_ConnectPortFirst", true));
}

void CVelPageProd::onReadStored() {
    const int id = selectedId();
    readInto(storedResistance_,
             [id](RegisterIo& io, Pacer& pacer, talvex::Prompter& p) {
                 return production::readStoredResistance(io, pacer, p, id);
             },
             {});
}

void CVelPageProd::onMeasure() {
    const int id = selectedId();
    readInto(
        measuredResistance_,
        [id](RegisterIo& io, Pacer& pacer, talvex::Prompter& p) {
            return production::measureResistance(io, pacer, p, id);
        },
        closedLink("IDS_Prod_ConnectPortFirst", true));
}

void CVelPageProd::onWriteResistance() {
    if (runner_->busy()) return;
    const int id = selectedId();
    const std::string ohms = measuredResistance_->text().toStdString();
    run([=](RegisterIo& io, Pacer& pacer,
            talvex::Prompter& prompter) { production::writeResistance(io, pacer, prompter, id, ohms); },
        closedLink("IDS_Prod_OpenPortFirst", false));
}

void CVelPageProd::onSign() {
    if (runner_->busy()) return;
    const int id = selectedId();
    const std::string name = signer_->text().toStdString();
    std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    run(
        [this, id, name, today](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            production::SignResult s = production::sign(io, pacer, id, name, today);
            if (s.outcome == production::SignOutcome::Signed) gate_.markSigned();
            if (s.outcome == production::SignOutcome::Cancelled) return;
            const bool failed = s.outcome == production::SignOutcome::CommunicationFailure;
            prompter.message(s.message,
                             failed ? talvex::Prompter::Icon::Stop : talvex::Prompter::Icon::Information);
            if (s.outcome == production::SignOutcome::Signed) refreshSignatureRows(io, pacer, prompter, id);
        },
        closedLink("IDS_Prod_OpenPortFirst", false));
}

// The list shows the sensor's signer and date as they are now, so the export carries the new
// signature; a row that cannot be read again is left empty rather than showing the old one.
void CVelPageProd::refreshSignatureRows(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int id) {
    const auto show = [this](int row, const std::string& v) {
        QMetaObject::invokeMethod(
            this, [this, row, v] { setValue(row, q(v)); }, Qt::QueuedConnection);
    };
    for (int row = production::kDataDateRow; row <= production::kSignerRow; ++row) show(row, {});
    const production::ReadoutResult r =
        production::readRows(io, pacer, id, production::kDataDateRow, production::kSignerRow, show);
    if (r.failedRow) prompter.message(production::rowFailureText(r.failedRow));
}

void CVelPageProd::onExport() {
    if (!gate_.takeForExport()) {  // a cancelled save uses the signature up too
        say(uiText("IDS_Prod_SignFirst"));
        return;
    }
    const QString path = chooser_.saveFile(
        this,
        exportName_.isEmpty() ? QStringLiteral("production.xlsx") : exportName_ + QStringLiteral(".xlsx"),
        uiText("IDS_Prod_ExportFilter"));
    if (path.isEmpty()) return;
    // The list as it stands (a cleared list exports its header only).
    workbook::TextList list = production::exportList({});
    list.rows.clear();
    for (int r = 0; r < list_->rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < 4; ++c)
            row.push_back(list_->item(r, c) ? list_->item(r, c)->text().toStdString() : "");
        list.rows.push_back(std::move(row));
    }
    // The save dialog has asked before replacing a file; the database and the settings stay off limits.
    const workbook::WriteResult w = workbook::writeList(list, path.toStdString(), OutputRule{true});
    if (w.error == workbook::WriteError::Refused)
        say(uiText(outputRefusalKey(w.refusal)) + QStringLiteral(": ") + path, true);
    else if (w.ok())
        say(q(production::textf("IDS_Prod_Saved", path.toStdString())));
    else
        say(uiText(workbook::writeErrorKey(w.error)) + QStringLiteral("\n") + q(w.detail), true);
}

}  // namespace talvex::ui
