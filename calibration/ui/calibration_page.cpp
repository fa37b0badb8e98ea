#include "calibration_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/core/qt_prompter.hpp"
#include "talvex/ui/prompter.hpp"

namespace talvex::ui {

using namespace talvex::calibration;

namespace {

QString text(std::string_view key) {
    return QString::fromStdString(GetText(key));
}

constexpr const char* kStepKeys[7] = {
    "IDS_Tab_Cal_CalStepT0", "IDS_Tab_Cal_CalStepT1", "IDS_Tab_Cal_CalStepT2", "IDS_Tab_Cal_CalStepT3",
    "IDS_Tab_Cal_CalStepT4", "IDS_Tab_Cal_CalStepT5", "IDS_Tab_Cal_CalStepT6"};

}  // namespace

CVelPageCal::CVelPageCal(PageContext ctx, CalibrationPageOptions options, QWidget* parent)
    : Page(parent), ctx_(std::move(ctx)), options_(std::move(options)) {
    runner_ = new OperationRunner(ctx_.arbiter, this, ctx_.prompter);
    runner_->setLog(options_.log);
    prompter_ = std::make_unique<QtPrompter>(this, this, ctx_.prompter);
    prompter_->setLog(options_.log);
    buildLayout();
    handshakeTimer_.setInterval(static_cast<int>(options_.handshakePeriod.count()));
    flowTimer_.setInterval(static_cast<int>(options_.flowPeriod.count()));
    clockTimer_.setInterval(1000);
    connect(&handshakeTimer_, &QTimer::timeout, this, &CVelPageCal::onHandshakeTick);
    connect(&flowTimer_, &QTimer::timeout, this, &CVelPageCal::onFlowTick);
    connect(&clockTimer_, &QTimer::timeout, this, &CVelPageCal::onClockTick);
    clockTimer_.start();
    onClockTick();
    retranslate();
}

CVelPageCal::~CVelPageCal() {
    handshakeTimer_.stop();
    flowTimer_.stop();
    // A running operation ends at its next pause and a box it waits for answers Cancel; it has
    // returned before the wizard it works on goes.
    delete runner_;
    runner_ = nullptr;
}

bool CVelPageCal::busy() const {
    return runner_->busy();
}

// The controls a user works with or reads carry object names unique in the page (typeBox,
// onePointBox, readButton, progressBar, flowButton, massFlowValue, temperatureValue, ...).
void CVelPageCal::buildLayout() {
    auto* root = new QVBoxLayout(this);
    auto* wizard = new QGroupBox(this);
    auto* grid = new QGridLayout(wizard);
    typeLabel_ = new QLabel(wizard);
    type_ = new QComboBox(wizard);
    type_->setObjectName(QStringLiteral("typeBox"));
    one_ = new QCheckBox(wizard);
    one_->setObjectName(QStringLiteral("onePointBox"));
    two_ = new QCheckBox(wizard);
    two_->setObjectName(QStringLiteral("twoPointBox"));
    measuredLabel_ = new QLabel(wizard);
    measured_ = new QLineEdit(wizard);
    measured_->setObjectName(QStringLiteral("measuredEdit"));
    measured_->setReadOnly(true);
    measuredUnit_ = new QLabel(wizard);
    referenceLabel_ = new QLabel(wizard);
    reference_ = new QLineEdit(wizard);
    reference_->setObjectName(QStringLiteral("referenceEdit"));
    referenceUnit_ = new QLabel(wizard);
    read_ = new QPushButton(wizard);
    read_->setObjectName(QStringLiteral("readButton"));
    calibrate_ = new QPushButton(wizard);
    calibrate_->setObjectName(QStringLiteral("calibrateButton"));
    clearLabel_ = new QLabel(wizard);
    clear_ = new QPushButton(wizard);
    clear_->setObjectName(QStringLiteral("clearButton"));
    progressLabel_ = new QLabel(wizard);
    progress_ = new QProgressBar(wizard);
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setRange(0, 100);
    cancelHandshake_ = new QPushButton(wizard);
    cancelHandshake_->setObjectName(QStringLiteral("cancelHandshakeButton"));
    cancelHandshake_->setVisible(false);
    clockLabel_ = new QLabel(wizard);
    clock_ = new QLabel(wizard);
    int row = 0;
    grid->addWidget(typeLabel_, row, 0);
    grid->addWidget(type_, row++, 1, 1, 3);
    grid->addWidget(one_, row, 1);
    grid->addWidget(two_, row++, 2);
    grid->addWidget(measuredLabel_, row, 0);
    grid->addWidget(measured_, row, 1, 1, 2);
    grid->addWidget(measuredUnit_, row, 3);
    grid->addWidget(read_, row++, 4);
    grid->addWidget(referenceLabel_, row, 0);
    grid->addWidget(reference_, row, 1, 1, 2);
    grid->addWidget(referenceUnit_, row, 3);
    grid->addWidget(calibrate_, row++, 4);
    grid->addWidget(clearLabel_, row, 0);
    grid->addWidget(clear_, row++, 1);
    grid->addWidget(progressLabel_, row, 0);
    grid->addWidget(progress_, row, 1, 1, 3);
    grid->addWidget(cancelHandshake_, row++, 4);
    grid->addWidget(clockLabel_, row, 0);
    grid->addWidget(clock_, row++, 1, 1, 3);
    root->addWidget(wizard);

    auto* steps = new QVBoxLayout;
    for (QLabel*& label : steps_) {
        label = new QLabel(this);
        label->setWordWrap(true);
        steps->addWidget(label);
    }
    root->addLayout(steps);

    auto* flow = new QGroupBox(this);
    auto* flowGrid = new QGridLayout(flow);
    setpointLabel_ = new QLabel(flow);
    setpoint_ = new QLineEdit(QStringLiteral("200"), flow);
    setpoint_->setObjectName(QStringLiteral("setpointEdit"));
    setpoint_->setValidator(new QIntValidator(0, static_cast<int>(kMaxFlowSetpoint), setpoint_));
    flowButton_ = new QPushButton(flow);
    flowButton_->setObjectName(QStringLiteral("flowButton"));
    massFlowLabel_ = new QLabel(flow);
    massFlow_ = new QLabel(flow);
    massFlow_->setObjectName(QStringLiteral("massFlowValue"));
    temperatureLabel_ = new QLabel(flow);
    temperature_ = new QLabel(flow);
    temperature_->setObjectName(QStringLiteral("temperatureValue"));
    flowGrid->addWidget(setpointLabel_, 0, 0);
    flowGrid->addWidget(setpoint_, 0, 1);
    flowGrid->addWidget(new QLabel(QStringLiteral("mL/min"), flow), 0, 2);
    flowGrid->addWidget(flowButton_, 0, 3);
    flowGrid->addWidget(massFlowLabel_, 1, 0);
    flowGrid->addWidget(massFlow_, 1, 1);
    flowGrid->addWidget(new QLabel(QStringLiteral("mL/min"), flow), 1, 2);
    flowGrid->addWidget(temperatureLabel_, 2, 0);
    flowGrid->addWidget(temperature_, 2, 1);
    flowGrid->addWidget(new QLabel(QStringLiteral("\u00B0C"), flow), 2, 2);
    root->addWidget(flow);
    root->addStretch(1);

    connect(type_, &QComboBox::activated, this, &CVelPageCal::onTypeSelected);
    connect(one_, &QCheckBox::clicked, this, [this] {
        if (wizard_.onePointTalks())
            runWizard([this](WizardContext& c) { wizard_.onePointClicked(c); });
        else
            runWhenIdle([this] {
                WizardContext c{rtuRegisterIo(), pacer_, *prompter_};
                wizard_.onePointClicked(c);  // sends nothing outside laboratory mode
                render();
            });
    });
    connect(two_, &QCheckBox::clicked, this, [this] {
        runWhenIdle([this] {
            wizard_.twoPointClicked(*prompter_);
            render();
        });
    });
    connect(read_, &QPushButton::clicked, this,
            [this] { runWizard([this](WizardContext& c) { wizard_.read(c); }); });
    connect(calibrate_, &QPushButton::clicked, this, [this] {
        const std::string reference = reference_->text().toStdString();
        runWizard([this, reference](WizardContext& c) { wizard_.calibrate(c, reference); });
    });
    connect(clear_, &QPushButton::clicked, this,
            [this] { runWizard([this](WizardContext& c) { wizard_.clear(c); }); });
    connect(flowButton_, &QPushButton::clicked, this, &CVelPageCal::onFlowButton);
    connect(cancelHandshake_, &QPushButton::clicked, this,
            [this] { abandonHandshake("IDS_Tab_Cal_WlessCancelled"); });
}

void CVelPageCal::retranslate() {
    typeLabel_->setText(text("IDS_Tab_Cal_Type"));
    {
        const QSignalBlocker block(type_);
        const int index = type_->currentIndex();
        type_->clear();
        for (const auto& t : kCalibrationTypes) type_->addItem(text(t.selectorKey));
        type_->setCurrentIndex(index >= 0 && index < type_->count() ? index : 0);
    }
    one_->setText(text("IDS_Tab_Cal_1PointCal"));
    two_->setText(text("IDS_Tab_Cal_2PointCal"));
    measuredLabel_->setText(text("IDS_Tab_Cal_Measured"));
    referenceLabel_->setText(text("IDS_Tab_Cal_Reference"));
    read_->setText(text("IDS_Read"));
    clearLabel_->setText(text("IDS_Tab_Cal_ClearCalData"));
    clear_->setText(text("IDS_Tab_Cal_Clear"));
    progressLabel_->setText(text("IDS_Tab_Cal_CalProgress"));
    cancelHandshake_->setText(text("IDS_Tab_Cal_WlessCancel"));
    clockLabel_->setText(text("IDS_Tab_Cal_CalTime"));
    for (int i = 0; i < 7; ++i) steps_[i]->setText(text(kStepKeys[i]));
    setpointLabel_->setText(text("IDS_Tab_Cal_SetMassFlow"));
    massFlowLabel_->setText(text("IDS_Tab_Cal_MassFlow"));
    temperatureLabel_->setText(text("IDS_Tab_Cal_FlowTemp"));
    render();  // the captions that carry state follow it in the new language
}

void CVelPageCal::render() {
    if (runner_->busy()) return;  // the operation's end renders
    const WizardState& s = wizard_.state();
    {
        const QSignalBlocker block(type_);
        type_->setCurrentIndex(s.typeIndex);
    }
    type_->setEnabled(s.typeSelectorEnabled);
    one_->setChecked(s.oneChecked);
    one_->setEnabled(s.oneEnabled);
    two_->setChecked(s.twoChecked);
    two_->setEnabled(s.twoEnabled);
    measured_->setText(QString::fromStdString(s.measuredText));
    const QString unit = QString::fromUtf8(typeAt(s.typeIndex).unit.data(),
                                           static_cast<qsizetype>(typeAt(s.typeIndex).unit.size()));
    measuredUnit_->setText(unit);
    referenceUnit_->setText(unit);
    read_->setEnabled(s.readEnabled);
    calibrate_->setEnabled(s.calibrateEnabled);
    calibrate_->setText(text(captionKey(s.caption)));
    clear_->setEnabled(s.clearEnabled);
    progress_->setValue(s.progress);
    cancelHandshake_->setVisible(s.handshakeRunning);
    if (s.handshakeRunning != handshakeTimer_.isActive())
        s.handshakeRunning ? handshakeTimer_.start() : handshakeTimer_.stop();

    const FlowmeterState& f = flow_.state();
    flowButton_->setText(text(f.open ? "IDS_Tab_Cal_OFFMeter" : "IDS_Tab_Cal_ONMeter"));
    massFlow_->setText(QString::fromStdString(f.massFlow));
    temperature_->setText(QString::fromStdString(f.temperature));
    if (f.open != flowTimer_.isActive()) f.open ? flowTimer_.start() : flowTimer_.stop();
}

void CVelPageCal::runWhenIdle(std::function<void()> start) {
    if (runner_->busy())
        pending_ = std::move(start);  // a tick is under way: the click follows it
    else
        start();
}

int CVelPageCal::selectedSensor() const {
    return (ctx_.session ? *ctx_.session : session()).selectedSensorId.load();
}

// The wizard's exchanges see for themselves whether the hold found the port open: each has its own
// answer to a closed port (a message, or the handshake's end).
void CVelPageCal::runWizard(WizardJob job, bool periodic) {
    OperationRunner::Options options;
    options.quietWhenBusy = periodic;  // a tick inside another operation is skipped; the next one asks
    runner_->startOnLink(
        [this, job = std::move(job), slave = selectedSensor()](RegisterIo& io, Pacer& pacer,
                                                               talvex::Prompter& prompter, bool linkOpen) {
            WizardContext c{io, pacer, prompter, slave, linkOpen, options_.today};
            job(c);
        },
        [this](bool) { afterOperation(); }, options);
}

void CVelPageCal::runWizard(WizardJob job) {
    runWhenIdle([this, job = std::move(job)] { runWizard(job, false); });
}

// On the window's thread once the worker is free: a stop asked for meanwhile, the new state, the
// click that waited.
void CVelPageCal::afterOperation() {
    if (abandonPending_) {
        abandonPending_ = false;
        wizard_.abandonHandshake(*prompter_, abandonKey_);
    }
    render();
    emit operationFinished();
    if (auto next = std::exchange(pending_, nullptr)) next();
}

void CVelPageCal::onTypeSelected(int index) {
    if (CalibrationWizard::selectionTalks(index)) {
        runWizard([this, index](WizardContext& c) { wizard_.selectType(index, c); });
        return;
    }
    runWhenIdle([this, index] {
        WizardContext c{rtuRegisterIo(), pacer_, *prompter_};
        wizard_.selectType(index, c);  // only the laboratory type talks to the sensor
        render();
    });
}

void CVelPageCal::onHandshakeTick() {
    if (runner_->busy()) return;  // the operation under way holds the link: skip this tick
    if (!wizard_.state().handshakeRunning) {
        handshakeTimer_.stop();
        return;
    }
    runWizard([this](WizardContext& c) { wizard_.handshakeTick(c); }, true);
}

void CVelPageCal::onFlowButton() {
    const std::string setpoint = setpoint_->text().toStdString();
    runWhenIdle([this, setpoint] {
        runner_->startOnLink(
            [this, setpoint](RegisterIo& io, Pacer&, talvex::Prompter& prompter, bool linkOpen) {
                flow_.toggle(io, prompter, linkOpen, setpoint);
            },
            [this](bool) { afterOperation(); });
    });
}

void CVelPageCal::onFlowTick() {
    if (runner_->busy()) return;
    if (!flow_.state().open) {
        flowTimer_.stop();
        return;
    }
    OperationRunner::Options periodic;
    periodic.quietWhenBusy = true;
    runner_->startOnLink(
        [this](RegisterIo& io, Pacer&, talvex::Prompter&, bool linkOpen) {
            if (linkOpen) flow_.readOut(io);
        },
        [this](bool) { afterOperation(); }, periodic);
}

void CVelPageCal::onClockTick() {
    clock_->setText(QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
}

void CVelPageCal::abandonHandshake(const char* key) {
    if (runner_->busy()) {
        abandonPending_ = true;
        abandonKey_ = key;
        return;
    }
    wizard_.abandonHandshake(*prompter_, key);
    render();
}

void CVelPageCal::selectedSensorChanged() {
    abandonHandshake("IDS_Tab_Cal_WlessStopped");
}

void CVelPageCal::linkClosed() {
    runner_->cancel();  // an operation under way ends at its next pause
    abandonHandshake("IDS_Tab_Cal_WlessStopped");
}

}  // namespace talvex::ui
