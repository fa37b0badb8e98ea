#include "history_page.hpp"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "history_table_model.hpp"
#include "talvex/acquisition/history_export.hpp"
#include "talvex/acquisition/history_requests.hpp"
#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/language.hpp"
#include "talvex/output_file.hpp"
#include "talvex/ui/core/link_worker.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/logic/history_columns.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {
namespace {

using namespace talvex::acquisition;

constexpr int kDefaultBaud = 19200;
constexpr int kHeadingMargin = 16;  // a heading's padding and sort-arrow room

TextLookup textLookup() {
    return [](std::string_view key) { return GetText(key); };
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The table's filter is in the old "text|pattern||" form; the dialog wants "text (pattern)".
QString csvFilter() {
    const QString filter = uiText("IDS_Tab_Query_CsvFilter");
    const QString text = filter.section('|', 0, 0);
    return text.isEmpty() ? QStringLiteral("CSV files (*.csv)") : text;
}

// The page's exchanges: a closed port, seen inside the hold, gets the page's own message.
OperationRunner::Options exchangeOptions() {
    OperationRunner::Options o;
    o.closedLinkKey = "IDS_Tab_Query_OpenPortFirst";
    return o;
}

QStringList headings() {
    QStringList h;
    for (const char* key : kHistoryColumnKeys) h << uiText(key);
    return h;
}

}  // namespace

CVelPageQuery::CVelPageQuery(PageContext ctx, std::function<int()> baud, QWidget* parent)
    : Page(parent), ctx_(std::move(ctx)), baud_(std::move(baud)) {
    runner_ = new OperationRunner(ctx_.arbiter, this, ctx_.prompter);
    runner_->setProgress(ctx_.progress);
    exporter_ = new LinkWorker(this);
    model_ = new HistoryTableModel(this);

    list_ = new QTableView(this);
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setShowGrid(true);
    list_->verticalHeader()->hide();
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    setInterval_ = new QPushButton(this);
    interval_ = new QLineEdit(this);
    interval_->setMaximumWidth(90);
    intervalUnit_ = new QLabel(this);
    getCount_ = new QPushButton(this);
    count_ = new QLabel(this);
    count_->setMinimumWidth(90);
    countUnit_ = new QLabel(this);
    read_ = new QPushButton(this);
    stop_ = new QPushButton(this);
    stop_->setEnabled(false);
    export_ = new QPushButton(this);
    clear_ = new QPushButton(this);
    // Found by these object names (unique in the page).
    list_->setObjectName(QStringLiteral("list"));
    setInterval_->setObjectName(QStringLiteral("setIntervalButton"));
    interval_->setObjectName(QStringLiteral("intervalEdit"));
    getCount_->setObjectName(QStringLiteral("getCountButton"));
    count_->setObjectName(QStringLiteral("countLabel"));
    read_->setObjectName(QStringLiteral("readButton"));
    stop_->setObjectName(QStringLiteral("stopButton"));
    export_->setObjectName(QStringLiteral("exportButton"));
    clear_->setObjectName(QStringLiteral("clearButton"));

    auto* top = new QHBoxLayout;
    top->addWidget(setInterval_);
    top->addWidget(interval_);
    top->addWidget(intervalUnit_);
    top->addSpacing(24);
    top->addWidget(getCount_);
    top->addWidget(count_);
    top->addWidget(countUnit_);
    top->addStretch();
    top->addWidget(read_);
    top->addWidget(stop_);
    top->addWidget(export_);
    top->addWidget(clear_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_, 1);

    connect(setInterval_, &QPushButton::clicked, this, &CVelPageQuery::onSetInterval);
    connect(getCount_, &QPushButton::clicked, this, &CVelPageQuery::onGetCount);
    connect(read_, &QPushButton::clicked, this, &CVelPageQuery::onRead);
    connect(stop_, &QPushButton::clicked, this, &CVelPageQuery::onStop);
    connect(export_, &QPushButton::clicked, this, &CVelPageQuery::onExport);
    connect(clear_, &QPushButton::clicked, this, &CVelPageQuery::onClear);
    retranslate();
}

CVelPageQuery::~CVelPageQuery() {
    runner_->cancel();  // a read ends after the port read under way; the runner waits for it
    exporter_->wait();
}

void CVelPageQuery::retranslate() {
    setInterval_->setText(uiText("IDS_Tab_Query_B1"));
    intervalUnit_->setText(uiText("IDS_Tab_Query_T1"));
    getCount_->setText(uiText("IDS_Tab_Query_B5"));
    countUnit_->setText(uiText("IDS_Tab_Query_T3"));
    read_->setText(uiText("IDS_Tab_Query_B4"));
    stop_->setText(uiText("IDS_Tab_Query_Stop"));
    export_->setText(uiText("IDS_Tab_Query_B3"));
    clear_->setText(uiText("IDS_Tab_Query_B2"));
    model_->setHeadings(headings());
}

Prompter& CVelPageQuery::prompter() const {
    return ctx_.prompter ? *ctx_.prompter : activePrompter();
}

int CVelPageQuery::selectedSensor() const {
    return (ctx_.session ? *ctx_.session : session()).selectedSensorId.load();
}

// One exchange with the sensor at a time; a second one is told to wait.
bool CVelPageQuery::refuseWhileBusy() {
    if (!runner_->busy()) return false;
    prompter().message(this, uiText("IDS_Tab_Query_Busy"));
    return true;
}

void CVelPageQuery::onSetInterval() {
    if (refuseWhileBusy()) return;
    const auto minutes = parseStorageInterval(interval_->text().toStdString());
    if (!minutes) {
        prompter().message(this, uiText("IDS_Tab_Query_BadInterval"));
        return;
    }
    auto rc = std::make_shared<ExchangeResult>();
    runner_->start(
        [id = selectedSensor(), m = *minutes, rc](RegisterIo& io, Pacer& pacer, talvex::Prompter&) {
            *rc = writeStorageInterval(io, pacer, id, m);
        },
        [this, rc](bool ran) {
            if (ran)
                prompter().message(this,
                                   uiText(rc->done() ? "IDS_Tab_Query_SetOk" : "IDS_Tab_Query_SetFail"));
            emit operationFinished();
        },
        exchangeOptions());
}

void CVelPageQuery::onGetCount() {
    if (refuseWhileBusy()) return;
    auto stored = std::make_shared<StoredCount>();
    runner_->start(
        [id = selectedSensor(), stored](RegisterIo& io, Pacer& pacer, talvex::Prompter&) {
            *stored = readStoredCount(io, pacer, id);
        },
        [this, stored](bool ran) {
            if (!ran) {
                emit operationFinished();
                return;
            }
            if (stored->outcome == Outcome::Done)
                count_->setText(QString::number(stored->count));
            else
                prompter().message(this, uiText("IDS_Tab_Query_CommError"), uiText("IDS_Tab_Query_Warning"),
                                   Prompter::Icon::Warning);
            emit operationFinished();
        },
        exchangeOptions());
}

void CVelPageQuery::onRead() {
    if (refuseWhileBusy()) return;
    CVelDlgQuery dialog(
        prompter(), [arbiter = ctx_.arbiter] { return arbiter->linkClosed(); }, this);
    if (dialog.exec() == QDialog::Accepted && dialog.choice()) startRead(*dialog.choice());
}

void CVelPageQuery::startRead(const HistoryReadChoice& choice) {
    if (refuseWhileBusy()) return;
    HistoryReadRequest request;
    request.slave = selectedSensor();
    request.format = choice.format;
    request.count = choice.count;
    request.readBytes = historyReadBytes(static_cast<std::uint32_t>(baud_ ? baud_() : kDefaultBaud));

    stop_->setEnabled(true);
    if (ctx_.progress) ctx_.progress(0);
    auto result = std::make_shared<HistoryReadResult>();
    auto told = std::make_shared<ExchangeResult>();
    OperationRunner* runner = runner_;
    QPointer<CVelPageQuery> self(this);
    const bool started = runner_->start(
        [request, result, told, runner, self](RegisterIo& io, Pacer& pacer, talvex::Prompter& p) {
            *told = requestRecordCount(io, pacer, request.slave, request.count);
            if (!told->done()) return;
            // The sensor now sends; the list empties for the records to come.
            QMetaObject::invokeMethod(
                runner,
                [self] {
                    if (self) self->model_->setTable(nullptr);
                },
                Qt::QueuedConnection);
            *result = readHistory(io, pacer, request, [&p](std::size_t records, std::uint32_t n) {
                if (n > 0) p.progress(historyPercent(records, n));
            });
        },
        [this, result, told, count = request.count](bool ran) {
            stop_->setEnabled(false);
            // Not started (port closed: its message is shown) or stopped while the count was being
            // sent: the list keeps the records it had, and no read is announced.
            if (!ran || told->outcome == Outcome::Cancelled) {
                if (ctx_.progress) ctx_.progress(-1);
                emit operationFinished();
                return;
            }
            if (!told->done()) {
                if (ctx_.progress) ctx_.progress(-1);
                prompter().message(this, uiText("IDS_Tab_Query_CommError"), uiText("IDS_Tab_Query_Warning"),
                                   Prompter::Icon::Warning);
                emit operationFinished();
                return;
            }
            readFinished(result, count);
        },
        exchangeOptions());
    if (!started) stop_->setEnabled(false);
}

void CVelPageQuery::readFinished(const std::shared_ptr<HistoryReadResult>& result, std::uint32_t requested) {
    auto table = std::make_shared<HistoryTable>(std::move(result->table));
    const std::size_t got = table->records.size();
    model_->setTable(std::move(table));
    fitColumns();
    if (ctx_.progress) {
        ctx_.progress(100);
        ctx_.progress(-1);
    }
    if (result->end == HistoryReadEnd::StartFailed) {
        prompter().message(this, uiText("IDS_Tab_Query_CommError"), uiText("IDS_Tab_Query_Warning"),
                           Prompter::Icon::Warning);
        emit operationFinished();
        return;
    }
    const QString text = qs(historyReadMessage(got, requested, *result, textLookup()));
    count_->setText(text);
    if (result->end == HistoryReadEnd::PortClosed) {
        // Cut short: what arrived stays, and the box says why the read ended.
        prompter().message(this, qs(GetTextWith("IDS_Tab_Query_PortClosedRead", {std::to_string(got)})),
                           uiText("IDS_Tab_Query_Warning"), Prompter::Icon::Warning);
        emit operationFinished();
        return;
    }
    prompter().message(this, text, uiText("IDS_Tab_Query_Done"));
    emit operationFinished();
}

void CVelPageQuery::onStop() {
    runner_->cancel();
}

void CVelPageQuery::onExport() {
    if (!model_->table() || model_->table()->records.empty()) {
        prompter().message(this, uiText("IDS_Tab_Query_ReadFirst"));
        return;
    }
    if (exporter_->busy()) {
        prompter().message(this, uiText("IDS_Tab_Query_Busy"));
        return;
    }
    QString path = prompter().saveFileName(this, QString(), csvFilter());
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    // The records of this moment: a read started meanwhile does not change what is written.
    const HistoryTableModel::Table table = model_->table();
    if (!table || table->records.empty()) {
        prompter().message(this, uiText("IDS_Tab_Query_NoExport"));
        return;
    }
    export_->setEnabled(false);
    auto outcome = std::make_shared<HistoryExportOutcome>(HistoryExportOutcome::WriteFailed);
    LinkWorker* exporter = exporter_;
    QPointer<CVelPageQuery> self(this);
    const HistoryHeadings names = historyFileHeadings();
    exporter_->run(
        [table, path, names, outcome, exporter, self] {
            // The save dialog has asked before replacing a file.
            *outcome = writeHistoryCsv(path.toStdString(), *table, names, OutputRule{true},
                                       [exporter, self](int percent) {
                                           exporter->post([self, percent] {
                                               if (self && self->ctx_.progress) self->ctx_.progress(percent);
                                           });
                                       });
        },
        [this, path, outcome] {
            export_->setEnabled(true);
            if (ctx_.progress) {
                ctx_.progress(100);
                ctx_.progress(-1);
            }
            switch (*outcome) {
                case HistoryExportOutcome::Done:
                    prompter().message(this,
                                       qs(fillText(GetText("IDS_Tab_Query_ExportOk"), {path.toStdString()})));
                    break;
                case HistoryExportOutcome::NoData:
                    prompter().message(this, uiText("IDS_Tab_Query_NoExport"));
                    break;
                case HistoryExportOutcome::CreateFailed:
                    prompter().message(this, uiText("IDS_Tab_Query_CreateFail"));
                    break;
                case HistoryExportOutcome::WriteFailed:
                    prompter().message(this, uiText("IDS_Tab_Query_ExportFail"));
                    break;
                case HistoryExportOutcome::Refused:
                    prompter().message(
                        this, uiText(outputRefusalKey(outputRefusal(path.toStdString(), OutputRule{true}))) +
                                  QStringLiteral(": ") + path);
                    break;
            }
            emit operationFinished();
        });
}

void CVelPageQuery::onClear() {
    prompter().message(this, uiText("IDS_Tab_Query_ClearUnsup"));
}

void CVelPageQuery::resizeEvent(QResizeEvent* event) {
    Page::resizeEvent(event);
    fitColumns();
}

void CVelPageQuery::fitColumns() {
    const int columns = kHistoryColumnCount;
    QHeaderView* header = list_->horizontalHeader();
    std::vector<int> headingWidths(columns), widest(columns, 0);
    const QFontMetrics fm = list_->fontMetrics();
    const int rows = std::min(model_->rowCount(), kHistoryMeasuredRows);
    for (int c = 0; c < columns; ++c) {
        headingWidths[c] =
            header->fontMetrics().horizontalAdvance(model_->headerData(c, Qt::Horizontal).toString()) +
            kHeadingMargin;
        for (int r = 0; r < rows; ++r)
            widest[c] =
                std::max(widest[c], fm.horizontalAdvance(model_->data(model_->index(r, c)).toString()));
    }
    const int available =
        list_->width() - 2 * list_->frameWidth() - list_->verticalScrollBar()->sizeHint().width();
    const std::vector<int> widths = historyColumnWidths(headingWidths, widest, available);
    for (int c = 0; c < columns; ++c) list_->setColumnWidth(c, widths[c]);
}

}  // namespace talvex::ui
