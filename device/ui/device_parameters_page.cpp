#include "device_parameters_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>
#include <memory>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {
namespace {

using device::ParameterField;
using CorePrompter = talvex::Prompter;

QLineEdit* makeEdit(QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setMinimumWidth(90);
    return e;
}

std::tm localNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace

CVelPageSet::CVelPageSet(PageContext ctx, QWidget* parent) : Page(parent), ctx_(std::move(ctx)) {
    runner_ = new OperationRunner(ctx_.arbiter, this, ctx_.prompter);
    if (ctx_.progress) runner_->setProgress(ctx_.progress);
    connect(runner_, &OperationRunner::finished, this, &CVelPageSet::operationFinished);
    waitTimer_ = new QTimer(this);
    waitTimer_->setInterval(static_cast<int>(device::kReadBackTick.count()));
    connect(waitTimer_, &QTimer::timeout, this, &CVelPageSet::waitTick);

    // The controls carry stable object names, so they can be found without the page exposing them:
    // each by its role ("readButton", "energyEdit", ...), the parameter boxes as
    // "field.<parameterFieldName>" ("field.range_low") and the coefficient pairs' buttons as
    // "coefficientButton<commit code>".
    const auto label = [this](const char* key) {
        auto* l = new QLabel(this);
        captions_.emplace_back(l, key);
        return l;
    };
    const auto button = [this](const char* key, const QString& name) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        captions_.emplace_back(b, key);
        return b;
    };
    const auto group = [this](const char* key) {
        auto* g = new QGroupBox(this);
        captions_.emplace_back(g, key);
        return g;
    };
    for (int i = 0; i < device::kParameterFieldCount; ++i) {
        const auto pf = static_cast<ParameterField>(i);
        fields_[pf] = makeEdit(this);
        const std::string_view name = device::parameterFieldName(pf);
        fields_[pf]->setObjectName(QStringLiteral("field.") +
                                   QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    const auto f = [this](ParameterField p) { return fields_.at(p); };

    // Identity.
    auto* identity = new QGroupBox(this);
    auto* il = new QGridLayout(identity);
    deviceMark_ = new QLabel(this);
    sensorIdLabel_ = new QLabel(this);
    il->addWidget(label("IDS_Tab_Config_DeviceMark"), 0, 0);
    il->addWidget(deviceMark_, 0, 1);
    il->addWidget(label("IDS_Tab_Parameters_SlaveID"), 0, 2);
    il->addWidget(sensorIdLabel_, 0, 3);

    // Range.
    auto* range = group("IDS_Tab_Parameters_MeasurementRange");
    auto* rl = new QGridLayout(range);
    rl->addWidget(f(ParameterField::RangeLow), 0, 0);
    rl->addWidget(new QLabel(QStringLiteral("-"), this), 0, 1);
    rl->addWidget(f(ParameterField::RangeHigh), 0, 2);
    rl->addWidget(new QLabel(QStringLiteral("PPM"), this), 0, 3);
    writeRange_ = button("IDS_Write", QStringLiteral("writeRangeButton"));
    rl->addWidget(writeRange_, 0, 4);

    // Analog outputs.
    auto* analog = group("IDS_Tab_Parameters_AnalogOut");
    auto* al = new QGridLayout(analog);
    const std::pair<const char*, ParameterField> analogRows[] = {
        {"IDS_Tab_Parameters_Rlow", ParameterField::AnalogLow},
        {"IDS_Tab_Parameters_Rhigh", ParameterField::AnalogHigh},
        {"IDS_Tab_Parameters_Aerror", ParameterField::AnalogError},
        {"IDS_Tab_Parameters_Aready", ParameterField::AnalogReady}};
    int row = 0;
    for (const auto& [key, field] : analogRows) {
        al->addWidget(label(key), row, 0);
        al->addWidget(f(field), row++, 1);
    }
    writeAnalog_ = button("IDS_Write", QStringLiteral("writeAnalogButton"));
    al->addWidget(writeAnalog_, row, 1);

    // Alarm thresholds.
    auto* alarms = group("IDS_Tab_Parameters_AlarmValue");
    auto* ml = new QGridLayout(alarms);
    const std::tuple<const char*, ParameterField, const char*> alarmRows[] = {
        {"IDS_Tab_Parameters_AlarmH2", ParameterField::AlarmHydrogen, "PPM"},
        {"IDS_Tab_Parameters_AlarmROC", ParameterField::AlarmRate, "PPM"},
        {"IDS_Tab_Parameters_AlarmOilTemp", ParameterField::AlarmOilTemperature, "°C"}};
    row = 0;
    for (const auto& [key, field, unit] : alarmRows) {
        ml->addWidget(label(key), row, 0);
        ml->addWidget(f(field), row, 1);
        ml->addWidget(new QLabel(QString::fromUtf8(unit), this), row, 2);
        auto* check = new QCheckBox(this);  // shown ticked; no operation reads it
        check->setChecked(true);
        captions_.emplace_back(check, "IDS_Tab_Parameters_Check");
        alarmChecks_[static_cast<std::size_t>(row)] = check;
        ml->addWidget(check, row++, 3);
    }
    writeAlarms_ = button("IDS_Write", QStringLiteral("writeAlarmsButton"));
    ml->addWidget(writeAlarms_, row, 1);

    read_ = button("IDS_Tab_Parameters_ReadParameters", QStringLiteral("readButton"));

    // Device information and operation mode.
    auto* info = new QGroupBox(this);
    auto* nl = new QGridLayout(info);
    const std::pair<const char*, ParameterField> infoRows[] = {
        {"IDS_Tab_Parameters_FirmwareV", ParameterField::Firmware},
        {"IDS_Tab_Parameters_ProductM", ParameterField::ProductModel},
        {"IDS_Tab_Parameters_SerialN", ParameterField::SerialNumber}};
    row = 0;
    for (const auto& [key, field] : infoRows) {
        nl->addWidget(label(key), row, 0);
        nl->addWidget(f(field), row++, 1, 1, 2);
    }
    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("modeList"));
    startMode_ = button("IDS_Tab_Parameters_Start", QStringLiteral("startModeButton"));
    nl->addWidget(label("IDS_Tab_Parameters_OperationM"), row, 0);
    nl->addWidget(mode_, row, 1);
    nl->addWidget(startMode_, row, 2);

    // Coefficient pairs: oil-gas, moisture, pressure.
    auto* coefficients = new QGroupBox(this);
    auto* cl = new QGridLayout(coefficients);
    const std::tuple<std::uint16_t, ParameterField, ParameterField> pairs[] = {
        {sensor::commit::kOilGas, ParameterField::OilTypeKa, ParameterField::OilTypeKb},
        {sensor::commit::kMoisture, ParameterField::AwAvgKa, ParameterField::AwAvgKb},
        {sensor::commit::kPressure, ParameterField::RefPrValue, ParameterField::FilterValue}};
    row = 0;
    for (const auto& [code, first, second] : pairs) {
        const auto& staged = sensor::findCommitCode(code)->staged;
        cl->addWidget(new QLabel(QString::fromUtf8(staged[0].name.data(), int(staged[0].name.size())), this),
                      row, 0);
        cl->addWidget(f(first), row, 1);
        cl->addWidget(new QLabel(QString::fromUtf8(staged[1].name.data(), int(staged[1].name.size())), this),
                      row, 2);
        cl->addWidget(f(second), row, 3);
        auto* b = button("IDS_Write", QStringLiteral("coefficientButton%1").arg(code));
        cl->addWidget(b, row++, 4);
        connect(b, &QPushButton::clicked, this, [this, code = code, first = first, second = second] {
            const std::string a = fields_.at(first)->text().toStdString();
            const std::string b2 = fields_.at(second)->text().toStdString();
            const int id = slave();
            run([=](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
                device::runCoefficientPair(io, pacer, p, id, code, a, b2);
            });
        });
    }

    // Wireless sensor.
    auto* wireless = group("IDS_Tab_Parameters_WirelessSet");
    auto* wl = new QGridLayout(wireless);
    readEnergy_ = button("IDS_Read", QStringLiteral("readEnergyButton"));
    energy_ = makeEdit(this);
    energy_->setObjectName(QStringLiteral("energyEdit"));
    writeEnergy_ = button("IDS_Tab_Parameters_EnergyW", QStringLiteral("writeEnergyButton"));
    interval_ = makeEdit(this);
    interval_->setObjectName(QStringLiteral("intervalEdit"));
    writeInterval_ = button("IDS_Tab_Parameters_IntervalW", QStringLiteral("writeIntervalButton"));
    wl->addWidget(readEnergy_, 0, 0);
    wl->addWidget(energy_, 0, 1);
    wl->addWidget(new QLabel(QStringLiteral("%"), this), 0, 2);
    wl->addWidget(writeEnergy_, 0, 3);
    wl->addWidget(interval_, 1, 1);
    wl->addWidget(label("IDS_Tab_Parameters_Second"), 1, 2);
    wl->addWidget(writeInterval_, 1, 3);

    // Sensor ID and factory settings.
    auto* idGroup = new QGroupBox(this);
    auto* dl = new QGridLayout(idGroup);
    sensorId_ = makeEdit(this);
    sensorId_->setObjectName(QStringLiteral("sensorIdEdit"));
    sensorId_->setMaxLength(3);
    changeId_ = button("IDS_Modify", QStringLiteral("changeIdButton"));
    restore_ = button("IDS_Tab_Parameters_RestoreSet", QStringLiteral("restoreButton"));
    dl->addWidget(label("IDS_Tab_Parameters_SlaveID"), 0, 0);
    dl->addWidget(sensorId_, 0, 1);
    dl->addWidget(changeId_, 0, 2);
    dl->addWidget(restore_, 1, 0, 1, 3);

    auto* left = new QVBoxLayout;
    left->addWidget(identity);
    left->addWidget(range);
    left->addWidget(analog);
    left->addWidget(alarms);
    left->addWidget(read_);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(info);
    right->addWidget(coefficients);
    right->addWidget(wireless);
    right->addWidget(idGroup);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);

    connect(read_, &QPushButton::clicked, this, &CVelPageSet::onRead);
    connect(writeRange_, &QPushButton::clicked, this, [this] {
        const auto plan = device::planRange(field(ParameterField::RangeLow)->text().toStdString(),
                                            field(ParameterField::RangeHigh)->text().toStdString());
        const int id = slave();
        run([=](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
            device::runGroupWrite(io, pacer, p, id, plan);
        });
    });
    connect(writeAnalog_, &QPushButton::clicked, this, [this] {
        const auto plan =
            device::planAnalogOutputs({field(ParameterField::AnalogLow)->text().toStdString(),
                                       field(ParameterField::AnalogHigh)->text().toStdString(),
                                       field(ParameterField::AnalogError)->text().toStdString(),
                                       field(ParameterField::AnalogReady)->text().toStdString()});
        const int id = slave();
        run([=](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
            device::runGroupWrite(io, pacer, p, id, plan);
        });
    });
    connect(writeAlarms_, &QPushButton::clicked, this, [this] {
        const auto plan =
            device::planAlarms(field(ParameterField::AlarmHydrogen)->text().toStdString(),
                               field(ParameterField::AlarmRate)->text().toStdString(),
                               field(ParameterField::AlarmOilTemperature)->text().toStdString());
        const int id = slave();
        run([=](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
            device::runGroupWrite(io, pacer, p, id, plan);
        });
    });
    connect(startMode_, &QPushButton::clicked, this, &CVelPageSet::onStartMode);
    connect(readEnergy_, &QPushButton::clicked, this, &CVelPageSet::onReadEnergy);
    connect(writeEnergy_, &QPushButton::clicked, this, &CVelPageSet::onWriteEnergy);
    connect(writeInterval_, &QPushButton::clicked, this, &CVelPageSet::onWriteInterval);
    connect(changeId_, &QPushButton::clicked, this, &CVelPageSet::onChangeId);
    connect(restore_, &QPushButton::clicked, this, [this] {
        const int id = slave();
        run([id](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
            device::runRestoreFactory(io, pacer, p, id);
        });
    });

    retranslate();
}

CVelPageSet::~CVelPageSet() {
    waitTimer_->stop();
    runner_->cancel();
    runner_->wait();
}

Prompter& CVelPageSet::uiPrompter() const {
    return ctx_.prompter ? *ctx_.prompter : activePrompter();
}

int CVelPageSet::slave() const {
    return (ctx_.session ? *ctx_.session : session()).selectedSensorId.load();
}

void CVelPageSet::retranslate() {
    for (const auto& [widget, key] : captions_) {
        const QString t = uiText(key);
        if (auto* b = qobject_cast<QAbstractButton*>(widget))
            b->setText(t);
        else if (auto* l = qobject_cast<QLabel*>(widget))
            l->setText(t);
        else if (auto* g = qobject_cast<QGroupBox*>(widget))
            g->setTitle(t);
    }
    const int previous = mode_->currentIndex();
    mode_->clear();
    mode_->addItem(uiText("IDS_Tab_Parameters_FieldMode"));
    mode_->addItem(uiText("IDS_Tab_Parameters_LaboratoryMode"));
    mode_->setCurrentIndex(previous == 1 ? 1 : 0);
}

void CVelPageSet::setChannel(const QString& deviceMark, const QString& sensorId) {
    deviceMark_->setText(deviceMark);
    sensorIdLabel_->setText(sensorId);
}

void CVelPageSet::selectedSensorChanged() {
    // A read-back wait belongs to the sensor it wrote to.
    stopWaiting();
}

void CVelPageSet::stopWaiting() {
    if (wait_ != Wait::None) endWait(false, nullptr);
}

bool CVelPageSet::run(std::function<void(RegisterIo&, Pacer&, CorePrompter&)> op) {
    return runner_->start(std::move(op));
}

void CVelPageSet::setField(ParameterField f, const QString& text) {
    fields_.at(f)->setText(text);
}

void CVelPageSet::onRead() {
    if (runner_->busy()) return;
    for (auto& [f, edit] : fields_) edit->clear();
    sensorId_->setText(QString::number(slave()));
    const int id = slave();
    QPointer<CVelPageSet> self(this);
    run([id, self](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
        const auto outcome =
            device::readDeviceParameters(io, pacer, id, [self](ParameterField f, const std::string& t) {
                QMetaObject::invokeMethod(
                    self,
                    [self, f, t = QString::fromStdString(t)] {
                        if (self) self->setField(f, t);
                    },
                    Qt::QueuedConnection);
            });
        if (outcome == device::Outcome::CommunicationFailure || outcome == device::Outcome::Refused)
            p.message(GetText("IDD_ComError"));
    });
}

void CVelPageSet::onStartMode() {
    const int index = mode_->currentIndex();
    const int id = slave();
    const std::tm now = localNow();
    run([=](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
        device::runOperationMode(io, pacer, p, id, index, now);
    });
}

void CVelPageSet::onReadEnergy() {
    const int id = slave();
    QPointer<QLineEdit> box(energy_);
    run([id, box](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
        if (const auto value = device::readEnergy(io, pacer, id))
            QMetaObject::invokeMethod(
                box,
                [box, t = QString::fromStdString(*value)] {
                    if (box) box->setText(t);
                },
                Qt::QueuedConnection);
        else if (!pacer.cancelled())
            p.message(GetText("IDD_ComError"), CorePrompter::Icon::Stop);
    });
}

void CVelPageSet::onWriteEnergy() {
    const auto value = device::parseEnergy(energy_->text().toStdString());
    if (!value) {
        uiPrompter().message(this, QString::fromStdString(value.error), uiText("IDS_Warning"),
                             Prompter::Icon::Warning);
        return;
    }
    const int id = slave();
    const std::int64_t v = *value;
    runner_->start([id, v](RegisterIo& io, Pacer&, CorePrompter&) { device::writeEnergy(io, id, v); },
                   [this, v](bool ran) {
                       if (ran) startWait(Wait::Energy, v);
                   });
}

void CVelPageSet::onWriteInterval() {
    const auto value = device::parseSendInterval(interval_->text().toStdString());
    if (!value) {
        uiPrompter().message(this, QString::fromStdString(value.error), uiText("IDS_Warning"),
                             Prompter::Icon::Warning);
        return;
    }
    const int id = slave();
    const std::int64_t v = *value;
    runner_->start([id, v](RegisterIo& io, Pacer&, CorePrompter&) { device::writeSendInterval(io, id, v); },
                   [this, v](bool ran) {
                       if (ran) startWait(Wait::Interval, v);
                   });
}

// One wait at a time: a new write ends the previous wait.
void CVelPageSet::startWait(Wait kind, std::int64_t value) {
    if (wait_ != Wait::None) endWait(false, nullptr);
    wait_ = kind;
    waitValue_ = value;
    waitSlave_ = slave();
    waitStartedMs_ = QDateTime::currentMSecsSinceEpoch();
    waitTimer_->start();
    uiPrompter().message(this, uiText(kind == Wait::Energy ? "IDS_Tab_Parameters_WritingEnergyWait"
                                                           : "IDS_Tab_Parameters_WritingWait"));
}

void CVelPageSet::waitTick() {
    if (wait_ == Wait::None) return;
    if (QDateTime::currentMSecsSinceEpoch() - waitStartedMs_ >= device::kReadBackGiveUp.count()) {
        endWait(false, "IDS_Device_ReadBackGaveUp");
        return;
    }
    if (ctx_.arbiter && ctx_.arbiter->linkClosed()) {  // disconnected: the wait ends quietly
        endWait(false, nullptr);
        return;
    }
    if (runner_->busy()) return;  // another operation is on the link: try at the next tick
    auto confirmed = std::make_shared<bool>(false);
    const Wait kind = wait_;
    const std::int64_t value = waitValue_;
    const int id = waitSlave_;
    OperationRunner::Options tick;
    tick.quietWhenBusy = true;
    runner_->start(
        [=](RegisterIo& io, Pacer& pacer, CorePrompter&) {
            const auto r = kind == Wait::Energy ? device::energyConfirmed(io, id, value)
                                                : device::sendIntervalTick(io, pacer, id, value);
            *confirmed = r.value_or(false);
        },
        [this, confirmed, kind](bool ran) {
            if (!ran) {
                // The link closed under the wait; while another operation holds it, the next tick asks.
                if (!ctx_.arbiter || ctx_.arbiter->linkClosed()) endWait(false, nullptr);
                return;
            }
            if (*confirmed && wait_ == kind)
                endWait(true, kind == Wait::Energy ? "IDS_Tab_Parameters_WritingEnergySuccess"
                                                   : "IDS_Tab_Parameters_WriteIntervalSuccess");
        },
        tick);
}

void CVelPageSet::endWait(bool confirmed, const char* messageKey) {
    waitTimer_->stop();
    wait_ = Wait::None;
    emit waitEnded(confirmed);
    if (messageKey) uiPrompter().message(this, uiText(messageKey));
}

void CVelPageSet::onChangeId() {
    const auto newId = device::parseSensorId(sensorId_->text().toStdString());
    if (!newId) {
        uiPrompter().message(this, uiText("IDD_Message_EnterInteger"));
        return;
    }
    const int id = slave();
    const int to = *newId;
    run([id, to](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
        device::runChangeSensorId(io, pacer, p, id, to);
    });
}

}  // namespace talvex::ui
