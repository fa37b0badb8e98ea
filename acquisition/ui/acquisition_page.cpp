#include "acquisition_page.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "record_table_model.hpp"
#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/acquisition/csv_export.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/core/link_worker.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {
namespace {

constexpr int kFitRows = 200;  // column fitting measures at most this many rows

acquisition::TextLookup textLookup() {
    return [](std::string_view key) { return GetText(key); };
}

// The language table holds the save dialog's filter in the old "text|pattern||" form.
QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    if (out.isEmpty()) out << QStringLiteral("CSV files (*.csv)");
    return out.join(QStringLiteral(";;"));
}

QString deleteQuestion(const QString& key) {
    return uiText("IDS_List_DeleteQuestion").arg(key);
}

}  // namespace

CVelPageListData::CVelPageListData(PageContext ctx, QWidget* parent)
    : Page(parent), ctx_(std::move(ctx)), exporter_(std::make_unique<acquisition::CsvExportWorker>()) {
    worker_ = new LinkWorker(this);
    model_ = new RecordTableModel(*ctx_.store, this);

    // Object names (unique in the page) by which the parts are found: "list", "autoReadButton",
    // "wirelessBox", "deleteButton", "exportButton", "saveToDbBox", and "indicator<n>" for the
    // status indicators in Indicator order.
    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("list"));
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setShowGrid(true);
    list_->setWordWrap(false);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->verticalHeader()->hide();
    // Fixed row heights let the view find the visible rows without asking the model.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    list_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    list_->horizontalHeader()->setStretchLastSection(false);
    connect(list_, &QWidget::customContextMenuRequested, this, &CVelPageListData::onContextMenu);

    statusCaption_ = new QLabel(this);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(statusCaption_);
    for (std::size_t i = 0; i < kIndicatorCount; ++i) {
        QLabel*& label = indicators_[i];
        label = new QLabel(this);
        label->setObjectName(QStringLiteral("indicator%1").arg(i));
        label->setFrameShape(QFrame::Box);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(48);
        QSizePolicy keep = label->sizePolicy();
        keep.setRetainSizeWhenHidden(true);  // hidden indicators keep their place
        label->setSizePolicy(keep);
        label->hide();
        statusRow->addWidget(label);
    }
    statusRow->addStretch(1);

    autoRead_ = new QPushButton(this);
    lora_ = new QCheckBox(this);
    delete_ = new QPushButton(this);
    export_ = new QPushButton(this);
    saveDb_ = new QCheckBox(this);
    autoRead_->setObjectName(QStringLiteral("autoReadButton"));
    lora_->setObjectName(QStringLiteral("wirelessBox"));
    delete_->setObjectName(QStringLiteral("deleteButton"));
    export_->setObjectName(QStringLiteral("exportButton"));
    saveDb_->setObjectName(QStringLiteral("saveToDbBox"));
    auto* buttons = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{autoRead_, lora_, delete_, export_, saveDb_})
        buttons->addWidget(w);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(statusRow);
    layout->addLayout(buttons);

    connect(autoRead_, &QPushButton::clicked, this, &CVelPageListData::onAutoRead);
    connect(lora_, &QCheckBox::clicked, this, &CVelPageListData::onLoraToggled);
    connect(delete_, &QPushButton::clicked, this, &CVelPageListData::onDelete);
    connect(export_, &QPushButton::clicked, this, &CVelPageListData::onExport);
    connect(saveDb_, &QCheckBox::toggled, this, [this](bool on) { ctx_.engine->setSaveToDatabase(on); });

    saveDb_->setChecked(true);
    ctx_.engine->setSaveToDatabase(true);
    ctx_.engine->setAutoRead(true);
    ctx_.engine->setWirelessDcuMode(false);
    retranslate();
    if (ctx_.progress) ctx_.progress(-1);

    connect(&timer_, &QTimer::timeout, this, &CVelPageListData::refreshTick);
    timer_.start(1000);
}

CVelPageListData::~CVelPageListData() {
    timer_.stop();
    worker_->wait();
    exporter_->wait();
}

Prompter& CVelPageListData::prompter() const {
    return ctx_.prompter ? *ctx_.prompter : activePrompter();
}

std::string CVelPageListData::selectedKey() const {
    Session& s = ctx_.session ? *ctx_.session : session();
    return acquisition::RecordStore::keyOf(s.selectedSensorId.load());
}

void CVelPageListData::retranslate() {
    for (std::size_t i = 0; i < kIndicatorCount; ++i)
        indicators_[i]->setText(QString::fromStdString(GetText(kIndicatorKeys[i])));
    statusCaption_->setText(uiText("IDS_Tab_Acquisition_RunStatus"));
    saveDb_->setText(uiText("IDS_Tab_Acquisition_SaveToDatabase"));
    delete_->setText(uiText("IDS_Tab_Acquisition_DataDelete"));
    export_->setText(uiText("IDS_Tab_Acquisition_ExportToCSV"));
    lora_->setText(uiText("IDS_Tab_Acquisition_SaveData2"));
    autoRead_->setText(
        uiText(ctx_.engine->autoRead() ? "IDS_Tab_Acquisition_StopRead" : "IDS_Tab_Acquisition_AutoRead"));
    applyColumns();
}

void CVelPageListData::applyColumns() {
    const auto columns = listColumns(ctx_.model, columnSet_);
    QStringList headings;
    for (const auto& c : columns) headings << QString::fromStdString(GetText(c.key));
    model_->setColumns(columns, headings);
    // Each column fits its heading, at least its minimum; the first stays narrow.
    const QFontMetrics fm(list_->horizontalHeader()->font());
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        int w =
            std::max(columns[static_cast<std::size_t>(i)].minWidth, fm.horizontalAdvance(headings[i]) + 14);
        if (i == 0) w = std::min(w, 70);
        list_->horizontalHeader()->resizeSection(i, w);
    }
    fitColumns();
}

void CVelPageListData::selectedSensorChanged() {
    ctx_.store->selectSensor(selectedKey());
    model_->reload();
    scrollToBottom();
    fitColumns();
}

void CVelPageListData::refreshTick() {
    if (model_->refresh()) {
        if (!firstFillDone_ && model_->rowCount() > 0) {
            firstFillDone_ = true;
            fitColumns();
        }
        scrollToBottom();
    }
    updateIndicators();
}

void CVelPageListData::scrollToBottom() {
    if (model_->rowCount() > 0) list_->scrollToBottom();
}

// Fits the columns to their headings and the first rows. An empty list fits its headings alone, so
// they stay readable whatever width the list had before.
void CVelPageListData::fitColumns() {
    const int n = model_->columnCount();
    if (n == 0) return;
    const QFontMetrics fm(list_->font());
    const QFontMetrics hfm(list_->horizontalHeader()->font());
    std::vector<int> measured(static_cast<std::size_t>(n), 0);
    const int rows = std::min(model_->rowCount(), kFitRows);
    for (int c = 0; c < n; ++c) {
        int w = hfm.horizontalAdvance(model_->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < rows; ++r) w = std::max(w, fm.horizontalAdvance(model_->cellText(r, c)));
        measured[static_cast<std::size_t>(c)] = w;
    }
    const int available = list_->viewport()->width() - list_->verticalScrollBar()->sizeHint().width();
    const auto widths = fitColumnWidths(measured, available);
    for (int c = 0; c < n; ++c)
        list_->horizontalHeader()->resizeSection(c, widths[static_cast<std::size_t>(c)]);
    fillWidth();
}

void CVelPageListData::fillWidth() {
    const int n = model_->columnCount();
    if (n == 0) return;
    std::vector<int> widths;
    for (int c = 0; c < n; ++c) widths.push_back(list_->horizontalHeader()->sectionSize(c));
    const int scroll =
        list_->verticalScrollBar()->isVisible() ? 0 : list_->verticalScrollBar()->sizeHint().width();
    const auto filled = fillColumnWidths(widths, list_->viewport()->width() - scroll);
    for (int c = 0; c < n; ++c)
        list_->horizontalHeader()->resizeSection(c, filled[static_cast<std::size_t>(c)]);
}

void CVelPageListData::resizeEvent(QResizeEvent* event) {
    Page::resizeEvent(event);
    // Widths scaled down in a narrow list are not scaled up again: an empty list starts afresh.
    if (model_->rowCount() == 0)
        fitColumns();
    else
        fillWidth();
}

void CVelPageListData::updateIndicators() {
    const auto shown = indicatorsShown(ctx_.engine->selectedStatusWord());
    for (std::size_t i = 0; i < kIndicatorCount; ++i) indicators_[i]->setVisible(shown[i]);
}

bool CVelPageListData::busy() const {
    return worker_->busy() || exportRunning_;
}

void CVelPageListData::setBusy(bool on) {
    delete_->setEnabled(!on);
    export_->setEnabled(!on);
    lora_->setEnabled(!on);
}

void CVelPageListData::onAutoRead() {
    if (ctx_.arbiter->linkClosed()) {
        prompter().message(this, uiText("IDD_Message_ConnectPort"), QStringLiteral("Waring"),
                           Prompter::Icon::Warning);
        return;
    }
    const bool on = !ctx_.engine->autoRead();
    ctx_.engine->setAutoRead(on);
    autoRead_->setText(uiText(on ? "IDS_Tab_Acquisition_StopRead" : "IDS_Tab_Acquisition_AutoRead"));
    if (!on) scrollToBottom();
}

void CVelPageListData::onLoraToggled(bool checked) {
    bool wireless = false;
    if (checked) {
        wireless = prompter().question(this, uiText("IDS_Tab_Acquisition_AutoPoll"));
        if (!wireless) lora_->setChecked(false);
    }
    ctx_.engine->setWirelessDcuMode(wireless);
    columnSet_ = wireless ? ColumnSet::Wireless : ColumnSet::Standard;
    applyColumns();
}

void CVelPageListData::onDelete() {
    if (busy()) return;
    const std::string key = selectedKey();
    // Deleting cannot be undone: ask first.
    if (!prompter().question(this, deleteQuestion(QString::fromStdString(key)))) return;
    setBusy(true);
    auto rc = std::make_shared<int>(-1);
    const std::string path = ctx_.databasePath;
    worker_->run(
        [rc, key, path] {
            acquisition::MeasurementDb db(path, nullptr, textLookup());
            *rc = db.deleteSensor(key);
        },
        [this, rc, key] {
            // Only this sensor's records go; the other sensors keep theirs.
            ctx_.store->clearSensor(key);
            model_->reload();
            setBusy(false);
            if (*rc == 0) prompter().message(this, uiText("IDS_Tab_Acquisition_DataDeleted"));
            emit operationFinished();
        });
}

void CVelPageListData::onExport() {
    if (exportRunning_ || exporter_->running()) {
        prompter().message(this, uiText("IDS_List_ExportWaiting"));
        return;
    }
    const std::string key = selectedKey();
    const QString file =
        prompter().saveFileName(this, QStringLiteral("SensorData_ID%1").arg(QString::fromStdString(key)),
                                qtFilter(uiText("IDS_Tab_Acquisition_CsvFilter")));
    if (file.isEmpty()) return;
    exportRunning_ = true;
    setBusy(true);
    // The save dialog has asked before replacing a file; the database and settings stay off limits.
    acquisition::ExportJob job{ctx_.databasePath,
                               key,
                               file.toStdString(),
                               true,
                               {appPaths().configFile().string(), appPaths().settingsFile().string()}};
    auto* arbiter = ctx_.arbiter;
    auto* exporter = exporter_.get();
    LinkWorker* worker = worker_;
    auto finish = [this, file](const acquisition::ExportResult& r) {
        if (ctx_.progress) ctx_.progress(-1);
        exportRunning_ = false;
        setBusy(false);
        const QString shown =
            QString::fromStdString(acquisition::exportMessage(r, file.toStdString(), textLookup()));
        // Opening the file is offered only where a program can open it, and a launcher that fails
        // says nothing more: the file was written, and the message above says where.
        if (r.outcome == acquisition::kExportDone && prompter().canOpenFiles()) {
            if (prompter().question(this,
                                    shown + QStringLiteral("\n\n") + uiText("IDS_FirstUse_OpenExported")))
                prompter().openFile(file);
        } else {
            prompter().message(this, shown);
        }
        emit operationFinished();
    };
    // Taking the link waits for the poller to leave it, so it happens off the window's thread too.
    worker_->run([arbiter, exporter, worker, job, finish, progress = ctx_.progress]() mutable {
        auto hold = arbiter->hold(acquisition::HoldKind::Light);
        const bool started = exporter->start(
            job, textLookup(),
            [worker, progress](int percent) {
                if (progress) worker->post([progress, percent] { progress(percent); });
            },
            [worker, finish](const acquisition::ExportResult& r) {
                worker->post([finish, r] { finish(r); });
            },
            std::move(hold));
        if (!started) {
            acquisition::ExportResult busyResult{acquisition::kExportError,
                                                 GetText("IDS_List_ExportWaiting")};
            worker->post([finish, busyResult] { finish(busyResult); });
        }
    });
}

bool CVelPageListData::copyCellAt(const QPoint& pos) {
    const QModelIndex index = list_->indexAt(pos);
    if (!index.isValid()) return false;
    const QString text = model_->cellText(index.row(), index.column());
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
    return true;
}

void CVelPageListData::onContextMenu(const QPoint& pos) {
    if (!list_->indexAt(pos).isValid()) return;  // below the last row: no menu
    QMenu menu(this);
    QAction* copy = menu.addAction(uiText("IDS_List_Copy"));
    if (menu.exec(list_->viewport()->mapToGlobal(pos)) == copy) copyCellAt(pos);
}

}  // namespace talvex::ui
