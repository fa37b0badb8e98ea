#include "optional_functions_page.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "talvex/channel_table.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {
namespace {

using CorePrompter = talvex::Prompter;

struct PairSpec {
    int group;
    int bit;
    const char* setKey;    // caption of the box that sets the bit
    const char* clearKey;  // caption of the box that clears it
};

// The radio pairs, grouped as on the page.
constexpr PairSpec kPairs[] = {
    {1, 1, "IDS_Fun_Box_PRCY", "IDS_Fun_Box_PR14"},
    {1, 2, "IDS_Fun_Box_200k", "IDS_Fun_Box_1M4"},
    {2, 2, "IDS_Fun_Box_GasPhase", "IDS_Fun_Box_InOil"},
    {3, 1, "IDS_Fun_Box_LCD", "IDS_Fun_Box_OLED"},
    {4, 0, "IDS_Fun_Box_DAC8568", "IDS_Fun_Box_DAC8562"},
    {4, 1, "IDS_Fun_Box_FourChannels", "IDS_Fun_Box_OneChannel"},
    {4, 2, "IDS_Fun_Box_7911", "IDS_Fun_Box_57911"},
    {4, 3, "IDS_Fun_Box_FastPreheat", "IDS_Fun_Box_NormalPreheat"},
    {4, 4, "IDS_Fun_Box_AD420", "IDS_Fun_Box_AD5420"},
};

constexpr const char* kGroupKeys[] = {"IDS_Fun_PressureGroup", "IDS_Fun_MoistureGroup",
                                      "IDS_Fun_DisplayGroup", "IDS_Fun_ChipsGroup"};
constexpr std::pair<const char*, const char*> kListKeys[] = {
    {"IDS_Fun_PressureSwitchOn", "IDS_Fun_PressureSwitchOff"},
    {"IDS_Fun_MoistureSwitchOn", "IDS_Fun_MoistureSwitchOff"},
    {"IDS_Fun_DisplaySwitchOn", "IDS_Fun_DisplaySwitchOff"}};

constexpr int kCompensationBit = 3;  // group 1
constexpr int kNot485Bit = 1;        // group 2

bool bitOf(std::uint8_t byte, int bit) {
    return (byte >> bit & 1) != 0;
}

void setBit(std::uint8_t& byte, int bit, bool on) {
    byte = static_cast<std::uint8_t>(on ? byte | 1u << bit : byte & ~(1u << bit));
}

}  // namespace

CVelPageFun::CVelPageFun(PageContext ctx, QWidget* parent) : Page(parent), ctx_(std::move(ctx)) {
    runner_ = new OperationRunner(ctx_.arbiter, this, ctx_.prompter);
    if (ctx_.progress) runner_->setProgress(ctx_.progress);
    connect(runner_, &OperationRunner::finished, this, &CVelPageFun::operationFinished);

    // Stable object names find the parts without the page exposing them: "readButton", "saveButton",
    // "log", the lists "switchList<group>" (1..3) and the bit boxes "group<g>Bit<b>Set" (ticked =
    // bit set) or "group<g>Bit<b>Clear" (ticked = bit clear); a lone box carries the one that fits.
    const auto bitBox = [](int group, int bit, bool ticksSet) {
        return QStringLiteral("group%1Bit%2%3")
            .arg(group)
            .arg(bit)
            .arg(ticksSet ? QStringLiteral("Set") : QStringLiteral("Clear"));
    };
    const auto box = [this](const char* key, const QString& name) {
        auto* b = new QCheckBox(this);
        b->setObjectName(name);
        captions_.emplace_back(b, key);
        return b;
    };
    std::array<QGroupBox*, sensor::kOptionGroups> groups{};
    std::array<QGridLayout*, sensor::kOptionGroups> layouts{};
    for (std::size_t g = 0; g < groups.size(); ++g) {
        groups[g] = new QGroupBox(this);
        captions_.emplace_back(groups[g], kGroupKeys[g]);
        layouts[g] = new QGridLayout(groups[g]);
    }
    for (std::size_t g = 0; g < lists_.size(); ++g) {
        lists_[g] = new QComboBox(this);
        lists_[g]->setObjectName(QStringLiteral("switchList%1").arg(g + 1));
        layouts[g]->addWidget(lists_[g], 0, 0, 1, 2);
    }
    std::array<int, sensor::kOptionGroups> rows = {1, 1, 1, 0};
    for (const PairSpec& p : kPairs) {
        Pair pair{p.group, p.bit, box(p.setKey, bitBox(p.group, p.bit, true)),
                  box(p.clearKey, bitBox(p.group, p.bit, false))};
        auto* l = layouts[static_cast<std::size_t>(p.group - 1)];
        int& row = rows[static_cast<std::size_t>(p.group - 1)];
        l->addWidget(pair.ifClear, row, 0);
        l->addWidget(pair.ifSet, row++, 1);
        pairs_.push_back(pair);
    }
    compensation_ = box("IDS_Fun_Box_Compensation", bitBox(1, kCompensationBit, true));
    layouts[0]->addWidget(compensation_, rows[0], 0, 1, 2);
    show485_ = box("IDS_Fun_Box_Show485", bitBox(2, kNot485Bit, false));
    layouts[1]->addWidget(show485_, rows[1], 0, 1, 2);

    read_ = new QPushButton(this);
    read_->setObjectName(QStringLiteral("readButton"));
    read_->setAutoDefault(false);
    captions_.emplace_back(read_, "IDS_Fun_Read");
    save_ = new QPushButton(this);
    save_->setObjectName(QStringLiteral("saveButton"));
    save_->setAutoDefault(false);
    captions_.emplace_back(save_, "IDS_Fun_Save");
    auto* info = new QGroupBox(this);
    captions_.emplace_back(info, "IDS_Fun_SensorInfo");
    log_ = new QPlainTextEdit(info);
    log_->setObjectName(QStringLiteral("log"));
    log_->setReadOnly(true);
    (new QVBoxLayout(info))->addWidget(log_);
    channel_ = new QLabel(this);
    sensorId_ = new QLabel(this);
    auto* channelCaption = new QLabel(this);
    captions_.emplace_back(channelCaption, "IDS_Fun_Channel");
    auto* idCaption = new QLabel(this);
    captions_.emplace_back(idCaption, "IDS_Fun_SensorId");

    auto* left = new QVBoxLayout;
    auto* labels = new QHBoxLayout;
    labels->addWidget(channelCaption);
    labels->addWidget(channel_);
    labels->addWidget(idCaption);
    labels->addWidget(sensorId_);
    labels->addStretch();
    left->addLayout(labels);
    for (QGroupBox* g : groups) left->addWidget(g);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(read_);
    buttons->addWidget(save_);
    left->addLayout(buttons);
    left->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(info, 1);

    // Start: lists on, the second box of every pair ticked, both lone boxes ticked. The
    // compensation box shows "on", so its bit starts set: a save without a read sends what the page
    // shows (0x0107), not the opposite.
    setBit(bytes_[0], kCompensationBit, true);
    for (Pair& pair : pairs_) {
        connect(pair.ifSet, &QCheckBox::toggled, this, [this, &pair](bool on) {
            if (updating_) return;
            setBit(bytes_[static_cast<std::size_t>(pair.group - 1)], pair.bit, on);
            showBits(pair.group);
        });
        connect(pair.ifClear, &QCheckBox::toggled, this, [this, &pair](bool on) {
            if (updating_) return;
            setBit(bytes_[static_cast<std::size_t>(pair.group - 1)], pair.bit, !on);
            showBits(pair.group);
        });
    }
    connect(compensation_, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_) setBit(bytes_[0], kCompensationBit, on);
    });
    connect(show485_, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_) setBit(bytes_[1], kNot485Bit, !on);
    });
    connect(read_, &QPushButton::clicked, this, &CVelPageFun::onRead);
    connect(save_, &QPushButton::clicked, this, &CVelPageFun::onSave);

    retranslate();
    for (QComboBox* list : lists_) list->setCurrentIndex(0);
    for (int g = 1; g <= sensor::kOptionGroups; ++g) showBits(g);
}

CVelPageFun::~CVelPageFun() {
    runner_->cancel();
    runner_->wait();
}

Prompter& CVelPageFun::uiPrompter() const {
    return ctx_.prompter ? *ctx_.prompter : activePrompter();
}

void CVelPageFun::retranslate() {
    for (const auto& [widget, key] : captions_) {
        const QString t = uiText(key);
        if (auto* b = qobject_cast<QAbstractButton*>(widget))
            b->setText(t);
        else if (auto* l = qobject_cast<QLabel*>(widget))
            l->setText(t);
        else if (auto* g = qobject_cast<QGroupBox*>(widget))
            g->setTitle(t);
    }
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        const int index = std::max(0, lists_[i]->currentIndex());
        lists_[i]->clear();
        lists_[i]->addItem(uiText(kListKeys[i].first));
        lists_[i]->addItem(uiText(kListKeys[i].second));
        lists_[i]->setCurrentIndex(index);
    }
}

void CVelPageFun::setChannel(const QString& channel, const QString& sensorId) {
    channel_->setText(channel);
    sensorId_->setText(sensorId);
}

void CVelPageFun::selectedSensorChanged() {
    sensorId_->setText(QString::number((ctx_.session ? *ctx_.session : session()).selectedSensorId.load()));
}

// Shows the group's bits on its boxes: exactly one box of each pair ticked.
void CVelPageFun::showBits(int group) {
    updating_ = true;
    const std::uint8_t byte = bytes_[static_cast<std::size_t>(group - 1)];
    for (const Pair& p : pairs_) {
        if (p.group != group) continue;
        p.ifSet->setChecked(bitOf(byte, p.bit));
        p.ifClear->setChecked(!bitOf(byte, p.bit));
    }
    if (group == 1) compensation_->setChecked(bitOf(byte, kCompensationBit));
    if (group == 2) show485_->setChecked(!bitOf(byte, kNot485Bit));
    updating_ = false;
}

device::OptionSettings CVelPageFun::settings() const {
    device::OptionSettings s;
    s.bytes = bytes_;
    for (std::size_t i = 0; i < lists_.size(); ++i) s.switchedOn[i] = lists_[i]->currentIndex() == 0;
    return s;
}

void CVelPageFun::onRead() {
    if (runner_->busy()) return;
    const int id = (ctx_.session ? *ctx_.session : session()).selectedSensorId.load();
    auto state = std::make_shared<device::OptionSettings>(settings());
    auto log = std::make_shared<std::string>();
    QPointer<CVelPageFun> self(this);
    RunOptions options;
    options.closedLinkKey = "IDS_Fun_ConnectPortFirst";
    options.closedLinkWarning = true;
    log_->clear();
    runner_->start(
        [id, state, log, self](RegisterIo& io, Pacer& pacer, CorePrompter& p) {
            // Each group's controls follow as soon as it is read, even if a later group fails.
            device::runReadOptions(
                io, pacer, p, id, *state,
                [self, state](int group, std::uint8_t) {
                    const auto byte = state->bytes[static_cast<std::size_t>(group - 1)];
                    const bool on = group <= 3 && state->switchedOn[static_cast<std::size_t>(group - 1)];
                    QMetaObject::invokeMethod(
                        self,
                        [self, group, byte, on] {
                            if (!self) return;
                            self->bytes_[static_cast<std::size_t>(group - 1)] = byte;
                            if (group <= 3)
                                self->lists_[static_cast<std::size_t>(group - 1)]->setCurrentIndex(on ? 0
                                                                                                      : 1);
                            self->showBits(group);
                        },
                        Qt::QueuedConnection);
                },
                log.get());
        },
        [this, log](bool) { log_->setPlainText(QString::fromStdString(*log)); }, options);
}

void CVelPageFun::onSave() {
    if (runner_->busy()) return;
    const int id = (ctx_.session ? *ctx_.session : session()).selectedSensorId.load();
    const device::OptionSettings s = settings();
    RunOptions options;
    options.closedLinkKey = "IDS_Fun_ConnectPortFirst";
    options.closedLinkWarning = true;
    runner_->start([id, s](RegisterIo& io, Pacer& pacer,
                           CorePrompter& p) { device::runSaveOptions(io, pacer, p, id, s); },
                   {}, options);
}

}  // namespace talvex::ui
