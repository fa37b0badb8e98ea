#include "channel_page.hpp"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/operations/sensor_id.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/logic/sensor_ids.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {
namespace {

// Label keys of the page's static texts, in the order the labels are made.
constexpr const char* kLabelKeys[] = {
    "IDS_Tab_Config_DeviceMark",          "IDS_Tab_Config_ParameterDescription",
    "IDS_Tab_Config_DeviceAddress",       "IDS_Tab_Config_SearchSensors",
    "IDS_Tab_Config_SensorPcs",           "IDS_Tab_Config_SlaveID",
    "IDS_Tab_Config_SensorSearchProgress"};

}  // namespace

CVelPageCfg::CVelPageCfg(PageContext ctx, ChannelStoreOps ops, QWidget* parent)
    : Page(parent), ctx_(std::move(ctx)), ops_(std::move(ops)) {
    runner_ = new OperationRunner(ctx_.arbiter, this, ctx_.prompter);
    if (ctx_.progress) runner_->setProgress(ctx_.progress);
    for (std::size_t i = 0; i < std::size(kLabelKeys); ++i) labels_.push_back(new QLabel(this));

    list_ = new QTableWidget(0, 2, this);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->resizeSection(0, 200);
    list_->horizontalHeader()->resizeSection(1, 100);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    deviceMark_ = new QLineEdit(this);
    description_ = new QPlainTextEdit(this);
    save_ = new QPushButton(this);

    currentId_ = new QLineEdit(this);
    currentId_->setMaxLength(3);
    modify_ = new QPushButton(this);
    search_ = new QPushButton(this);
    foundCount_ = new QLineEdit(this);
    foundCount_->setReadOnly(true);
    foundIds_ = new QPlainTextEdit(this);  // the user may type IDs here too
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 256);
    progress_->setValue(0);
    enableAll_ = new QPushButton(this);
    disableAll_ = new QPushButton(this);
    // Found by these object names (unique in the page).
    list_->setObjectName(QStringLiteral("parameterList"));
    deviceMark_->setObjectName(QStringLiteral("deviceMarkEdit"));
    description_->setObjectName(QStringLiteral("descriptionEdit"));
    save_->setObjectName(QStringLiteral("saveButton"));
    currentId_->setObjectName(QStringLiteral("currentIdEdit"));
    modify_->setObjectName(QStringLiteral("modifyButton"));
    search_->setObjectName(QStringLiteral("searchButton"));
    foundCount_->setObjectName(QStringLiteral("foundCountEdit"));
    foundIds_->setObjectName(QStringLiteral("foundIdsEdit"));
    progress_->setObjectName(QStringLiteral("searchProgress"));
    enableAll_->setObjectName(QStringLiteral("enableAllButton"));
    disableAll_->setObjectName(QStringLiteral("disableAllButton"));

    auto* params = new QGroupBox(this);
    auto* pl = new QGridLayout(params);
    pl->addWidget(list_, 0, 0, 1, 2);
    pl->addWidget(labels_[0], 1, 0);
    pl->addWidget(deviceMark_, 1, 1);
    pl->addWidget(labels_[1], 2, 0, 1, 2);
    pl->addWidget(description_, 3, 0, 1, 2);
    pl->addWidget(save_, 4, 1);

    auto* bus = new QGroupBox(this);
    auto* bl = new QGridLayout(bus);
    bl->addWidget(labels_[2], 0, 0);
    bl->addWidget(currentId_, 0, 1);
    bl->addWidget(modify_, 0, 2);
    bl->addWidget(labels_[3], 1, 0);
    bl->addWidget(foundCount_, 1, 1);
    bl->addWidget(labels_[4], 1, 2);
    bl->addWidget(labels_[5], 2, 0);
    bl->addWidget(foundIds_, 3, 0, 1, 3);
    bl->addWidget(labels_[6], 4, 0);
    bl->addWidget(progress_, 4, 1, 1, 2);
    bl->addWidget(search_, 5, 0);
    bl->addWidget(enableAll_, 5, 1);
    bl->addWidget(disableAll_, 5, 2);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(params, 1);
    layout->addWidget(bus, 1);

    connect(list_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_) emit parameterEdited(item->row(), item->column(), item->text());
    });
    connect(save_, &QPushButton::clicked, this, &CVelPageCfg::onSave);
    connect(search_, &QPushButton::clicked, this, &CVelPageCfg::onSearch);
    connect(modify_, &QPushButton::clicked, this, &CVelPageCfg::onModify);
    connect(enableAll_, &QPushButton::clicked, this, &CVelPageCfg::onEnableAll);
    connect(disableAll_, &QPushButton::clicked, this, &CVelPageCfg::onDisableAll);

    currentId_->setText(QString::number(sessionRef().selectedSensorId.load()));
    retranslate();
}

CVelPageCfg::~CVelPageCfg() {
    runner_->cancel();
    runner_->wait();
}

Session& CVelPageCfg::sessionRef() const {
    return ctx_.session ? *ctx_.session : session();
}
Prompter& CVelPageCfg::prompter() const {
    return ctx_.prompter ? *ctx_.prompter : activePrompter();
}

void CVelPageCfg::retranslate() {
    for (std::size_t i = 0; i < labels_.size(); ++i) labels_[i]->setText(uiText(kLabelKeys[i]));
    list_->setHorizontalHeaderLabels({uiText("IDS_Tab_Config_Parameters"), uiText("IDS_Tab_Config_Value")});
    save_->setText(uiText("IDS_Tab_Config_ParameterSaving"));
    modify_->setText(uiText("IDS_Tab_Config_IDModify"));
    search_->setText(uiText(searching_ ? "IDD_Message_Stop" : "IDD_Message_Scan"));
    enableAll_->setText(uiText("IDS_Tab_Config_EnableAll"));
    disableAll_->setText(uiText("IDS_Tab_Config_DisableAll"));
}

void CVelPageCfg::selectedSensorChanged() {
    currentId_->setText(QString::number(sessionRef().selectedSensorId.load()));
}

void CVelPageCfg::setParameterRows(const ParameterRows& rows) {
    list_->setCurrentIndex({});
    filling_ = true;
    list_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& [name, value] = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem(c == 0 ? name : value);
            item->setTextAlignment(Qt::AlignCenter);
            list_->setItem(r, c, item);
        }
    }
    filling_ = false;
}

void CVelPageCfg::commitEdit() {
    // Moving the current cell away commits an open editor into its cell and closes it.
    list_->setCurrentIndex({});
}

CVelPageCfg::ParameterRows CVelPageCfg::parameterRows() {
    commitEdit();
    ParameterRows rows;
    for (int r = 0; r < list_->rowCount(); ++r) {
        auto text = [&](int c) { return list_->item(r, c) ? list_->item(r, c)->text() : QString(); };
        rows.emplace_back(text(0), text(1));
    }
    return rows;
}

QString CVelPageCfg::deviceMark() const {
    return deviceMark_->text();
}
void CVelPageCfg::setDeviceMark(const QString& text) {
    deviceMark_->setText(text);
}
QString CVelPageCfg::description() const {
    return description_->toPlainText();
}
void CVelPageCfg::setDescription(const QString& text) {
    description_->setPlainText(text);
}

void CVelPageCfg::clearChannelFields() {
    list_->setCurrentIndex({});
    list_->setRowCount(0);
    deviceMark_->clear();
    description_->clear();
}

void CVelPageCfg::setLinkBusy(bool on) {
    modify_->setEnabled(!on);
    // The search button stays usable while the search runs: it is the way to stop it.
    search_->setEnabled(!on || searching_);
}

void CVelPageCfg::onSave() {
    commitEdit();
    const bool ok = ops_.saveSelectedChannel && ops_.saveSelectedChannel();
    emit channelsChanged();
    prompter().message(this, uiText(ok ? "IDD_Message_PsSuccess" : "IDD_Message_PsFailed"));
}

// The search keeps the poller off the link for its whole length (one long hold) and asks every
// candidate address for its own address. It runs on the runner's worker and reports each candidate
// back, so the window stays live and Stop takes effect after the read in progress. A closed port is
// seen once the hold is taken: the runner says so, and the list of the last search stays.
void CVelPageCfg::onSearch() {
    progress_->setRange(0, 256);
    progress_->setValue(0);
    if (searching_) {
        stopSearch();
        return;
    }
    if (runner_->busy()) return;
    searching_ = true;
    search_->setText(uiText("IDD_Message_Stop"));
    setLinkBusy(true);

    auto completed = std::make_shared<bool>(false);
    QPointer<CVelPageCfg> self(this);
    OperationRunner::Options longHold;
    longHold.hold = acquisition::HoldKind::Long;
    runner_->start(
        [self, completed](RegisterIo& io, Pacer& pacer, talvex::Prompter&) {
            // The port is open: the found list starts afresh (before the first candidate's report).
            QMetaObject::invokeMethod(
                self,
                [self] {
                    if (self) self->clearFound();
                },
                Qt::QueuedConnection);
            const auto search = operations::searchBus(io, pacer, [self](int candidate, bool found) {
                QMetaObject::invokeMethod(
                    self,
                    [self, candidate, found] {
                        if (self) self->candidateDone(candidate, found);
                    },
                    Qt::QueuedConnection);
            });
            *completed = search.completed;
        },
        [this, completed](bool) { endSearch(*completed); }, longHold);
}

void CVelPageCfg::clearFound() {
    foundText_.clear();
    foundIds_->clear();
    found_ = 0;
    foundCount_->setText(QStringLiteral("0"));
}

void CVelPageCfg::candidateDone(int candidate, bool found) {
    if (found) {
        ++found_;
        foundText_ += QStringLiteral("%1, ").arg(candidate);
        foundIds_->setPlainText(foundText_);
        foundCount_->setText(QString::number(found_));
    }
    if (searching_) progress_->setValue(candidate + 1);
}

void CVelPageCfg::stopSearch() {
    if (searching_) {
        runner_->cancel();
        // The worker ends after the read in progress; the page is idle from now on.
        searching_ = false;
        progress_->setValue(0);
        search_->setText(uiText("IDD_Message_Scan"));
        search_->setEnabled(false);  // until the worker has let go of the link
    }
}

void CVelPageCfg::endSearch(bool completed) {
    searching_ = false;
    progress_->setValue(0);
    search_->setText(uiText("IDD_Message_Scan"));
    setLinkBusy(false);
    if (completed) prompter().message(this, uiText("IDD_Message_ScanOver"));
    emit searchFinished();
}

void CVelPageCfg::onModify() {
    if (runner_->busy()) return;
    if (ctx_.arbiter->linkClosed()) {
        prompter().message(this, uiText("IDD_Message_ConnectPort"));
        return;
    }
    const auto newId = parseNewSensorId(currentId_->text().toStdString());
    if (!newId) {
        prompter().message(this, uiText("IDD_Message_EnterInteger"));
        return;
    }
    const int oldId = sessionRef().selectedSensorId.load();
    setLinkBusy(true);
    auto changed = std::make_shared<bool>(false);
    const int id = *newId;
    runner_->start(
        [changed, oldId, id](RegisterIo& io, Pacer& pacer, talvex::Prompter&) {
            *changed = operations::changeSensorId(io, pacer, oldId, id).done();
        },
        [this, changed, id](bool ran) {
            setLinkBusy(false);
            if (ran) {
                if (*changed) sessionRef().selectedSensorId = static_cast<std::uint8_t>(id);
                prompter().message(this,
                                   uiText(*changed ? "IDD_Message_SetSucceed" : "IDD_Message_SetFailed"));
            }
            emit modifyFinished();
        });
}

void CVelPageCfg::onEnableAll() {
    const int nodes = ops_.channelNodeCount ? ops_.channelNodeCount() : 0;
    if (nodes <= 0) {
        prompter().message(this, uiText("IDD_Message_PsFailed"));
        return;
    }
    const auto plan = planEnableAll(foundIds_->toPlainText().toStdString(), std::min(nodes, kChannelCount));
    switch (plan.outcome) {
        case EnableAllOutcome::NoSensorId:
            prompter().message(this, uiText("IDS_Tab_Config_NoSensorId"));
            return;
        case EnableAllOutcome::IdOutOfRange:
            prompter().message(this, uiText("IDS_Tab_Config_IdOutOfRange"));
            return;
        case EnableAllOutcome::NotAnIdOrRange:
            prompter().message(this,
                               uiText("IDS_Window_NotASensorIdRange").arg(QString::fromStdString(plan.item)));
            return;
        case EnableAllOutcome::Ready:
            break;
    }
    if (plan.truncated) prompter().message(this, uiText("IDS_Tab_Config_TooManyChannels"));
    if (ops_.clearAllEnables) ops_.clearAllEnables();
    if (ops_.assignSensorIds) ops_.assignSensorIds(plan.ids);
    finishApply();
}

void CVelPageCfg::onDisableAll() {
    const int nodes = ops_.channelNodeCount ? ops_.channelNodeCount() : 0;
    if (nodes <= 0) {
        prompter().message(this, uiText("IDD_Message_PsFailed"));
        return;
    }
    if (ops_.clearAllEnables) ops_.clearAllEnables();
    finishApply();
}

void CVelPageCfg::finishApply() {
    const bool ok = ops_.applyAllChannels && ops_.applyAllChannels();
    if (ok && ops_.fillParameterRows) ops_.fillParameterRows();
    emit channelsChanged();
    prompter().message(this, uiText(ok ? "IDD_Message_PsSuccess" : "IDD_Message_PsFailed"));
}

}  // namespace talvex::ui
