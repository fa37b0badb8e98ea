#include "traffic_window.hpp"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <system_error>

#include "talvex/diagnostics/diagnostics_format.hpp"
#include "talvex/output_file.hpp"
#include "talvex/ui/ui_text.hpp"
#include "traffic_model.hpp"

namespace talvex::ui {
namespace {

constexpr int kRefreshMs = 500;
constexpr std::uint8_t kFunctions[] = {1, 2, 3, 4, 5, 6, 15, 16};
constexpr const char* kStatisticKeys[] = {
    "IDS_Diag_Sensor",  "IDS_Diag_StatRequests", "IDS_Diag_StatAnswers", "IDS_Diag_StatTimeouts",
    "IDS_Diag_StatCrc", "IDS_Diag_StatOther",    "IDS_Diag_StatRetries", "IDS_Diag_StatExceptions",
    "IDS_Diag_StatMin", "IDS_Diag_StatMedian",   "IDS_Diag_StatP99",     "IDS_Diag_StatLastFailure"};
constexpr int kStatisticColumns = static_cast<int>(std::size(kStatisticKeys));

QString millis(const std::optional<std::int64_t>& us) {
    return us ? QString::number(static_cast<double>(*us) / 1000.0, 'f', 1) : QStringLiteral("-");
}

QString exceptionsText(const diagnostics::SlaveStatistics& s) {
    QStringList parts;
    for (const auto& [code, n] : s.exceptions) parts << QStringLiteral("%1: %2").arg(code).arg(n);
    return parts.join(QStringLiteral(", "));
}

QString lastFailure(const diagnostics::SlaveStatistics& s) {
    if (!s.lastFailure) return {};
    QString what = uiText("IDS_Diag_Outcome" + std::to_string(static_cast<int>(*s.lastFailure)));
    if (*s.lastFailure == FrameOutcome::Exception) what += QStringLiteral(" %1").arg(s.lastFailureException);
    return what + QStringLiteral("  ") +
           QString::fromStdString(diagnostics::localTimeText(s.lastFailureUnixMs * 1000).substr(0, 19));
}

// The figures of one sensor in the order of kStatisticKeys.
QStringList statisticCells(const diagnostics::SlaveStatistics& s) {
    return {QString::number(s.slave),
            QString::number(s.requests),
            QString::number(s.answers),
            QString::number(s.timeouts),
            QString::number(s.crcErrors),
            QString::number(s.otherErrors),
            QString::number(s.retries),
            exceptionsText(s),
            millis(s.minUs),
            millis(s.medianUs),
            millis(s.p99Us),
            lastFailure(s)};
}

}  // namespace

QString statisticsTooltip(const std::optional<diagnostics::SlaveStatistics>& statistics) {
    if (!statistics || statistics->requests == 0) return uiText("IDS_Diag_TipNoTraffic");
    const QStringList cells = statisticCells(*statistics);
    QStringList lines;
    for (int i = 1; i < kStatisticColumns; ++i) {
        if (cells[i].isEmpty()) continue;
        lines << uiText(kStatisticKeys[i]) + QStringLiteral(": ") + cells[i];
    }
    return lines.join(QLatin1Char('\n'));
}

TrafficWindow::TrafficWindow(diagnostics::LinkMonitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Window), monitor_(monitor) {
    // Object names of the parts: frameView (over the TrafficModel), sensorFilter, functionFilter,
    // pauseButton, clearButton, exportButton, statisticsTable.
    model_ = new TrafficModel(diagnostics::TrafficLog::kCapacity, this);
    frames_ = new QTableView(this);
    frames_->setObjectName(QStringLiteral("frameView"));
    frames_->setModel(model_);
    frames_->setSelectionBehavior(QAbstractItemView::SelectRows);
    frames_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    frames_->verticalHeader()->hide();
    frames_->verticalHeader()->setDefaultSectionSize(frames_->fontMetrics().height() + 4);
    frames_->horizontalHeader()->setStretchLastSection(true);
    frames_->setWordWrap(false);
    // Widths in characters of the frame list's columns; the bytes take the rest.
    constexpr int kColumnChars[TrafficModel::ColumnCount] = {6, 12, 9, 6, 7, 13, 12, 32, 0};
    const int charWidth = frames_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c + 1 < TrafficModel::ColumnCount; ++c)
        frames_->horizontalHeader()->resizeSection(c, (kColumnChars[c] + 2) * charWidth);

    sensorLabel_ = new QLabel(this);
    sensorFilter_ = new QComboBox(this);
    sensorFilter_->setObjectName(QStringLiteral("sensorFilter"));
    functionLabel_ = new QLabel(this);
    functionFilter_ = new QComboBox(this);
    functionFilter_->setObjectName(QStringLiteral("functionFilter"));
    functionFilter_->addItem(QString(), QVariant());
    for (const auto f : kFunctions)
        functionFilter_->addItem(
            QStringLiteral("%1  %2").arg(f).arg(QString::fromStdString(diagnostics::functionName(f))), f);
    pause_ = new QPushButton(this);
    pause_->setObjectName(QStringLiteral("pauseButton"));
    pause_->setCheckable(true);
    clear_ = new QPushButton(this);
    clear_->setObjectName(QStringLiteral("clearButton"));
    export_ = new QPushButton(this);
    export_->setObjectName(QStringLiteral("exportButton"));
    count_ = new QLabel(this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(sensorLabel_);
    controls->addWidget(sensorFilter_);
    controls->addSpacing(12);
    controls->addWidget(functionLabel_);
    controls->addWidget(functionFilter_);
    controls->addSpacing(12);
    controls->addWidget(pause_);
    controls->addWidget(clear_);
    controls->addWidget(export_);
    controls->addStretch(1);
    controls->addWidget(count_);

    statisticsLabel_ = new QLabel(this);
    statistics_ = new QTableWidget(0, kStatisticColumns, this);
    statistics_->setObjectName(QStringLiteral("statisticsTable"));
    statistics_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    statistics_->verticalHeader()->hide();
    statistics_->verticalHeader()->setDefaultSectionSize(frames_->fontMetrics().height() + 4);
    statistics_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    statistics_->horizontalHeader()->setStretchLastSection(true);

    auto* lower = new QWidget(this);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(statisticsLabel_);
    lowerLayout->addWidget(statistics_);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(frames_);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(split, 1);

    connect(sensorFilter_, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(functionFilter_, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        if (!paused) refresh();
    });
    connect(clear_, &QPushButton::clicked, this, [this] { clearAll(); });
    connect(export_, &QPushButton::clicked, this, [this] { exportWithDialog(); });
    timer_ = new QTimer(this);
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] { refresh(); });

    resize(1240, 640);
    retranslate();
}

void TrafficWindow::retranslate() {
    setWindowTitle(uiText("IDS_Diag_Title"));
    sensorLabel_->setText(uiText("IDS_Diag_Sensor"));
    functionLabel_->setText(uiText("IDS_Diag_Function"));
    pause_->setText(uiText("IDS_Diag_Pause"));
    clear_->setText(uiText("IDS_Diag_Clear"));
    export_->setText(uiText("IDS_Diag_Export"));
    statisticsLabel_->setText(uiText("IDS_Diag_Statistics"));
    QStringList headers;
    for (const char* key : kStatisticKeys) headers << uiText(key);
    statistics_->setHorizontalHeaderLabels(headers);
    updateSensorList();
    functionFilter_->setItemText(0, uiText("IDS_Diag_All"));
    model_->retranslate();
    count_->setText(uiText("IDS_Diag_Frames") + QLatin1Char(' ') + QString::number(model_->rowCount()));
    fillStatistics();
}

void TrafficWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    timer_->start();
}

void TrafficWindow::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

void TrafficWindow::refresh() {
    if (!pause_->isChecked()) {
        auto frames = monitor_.log().since(taken_);
        if (!frames.empty()) {
            taken_ = frames.back().seq;
            const std::size_t sensorsBefore = model_->sensorsSeen().size();
            model_->append(std::move(frames));
            if (model_->sensorsSeen().size() != sensorsBefore) updateSensorList();
            frames_->scrollToBottom();
        }
    }
    count_->setText(uiText("IDS_Diag_Frames") + QLatin1Char(' ') + QString::number(model_->rowCount()));
    fillStatistics();
}

void TrafficWindow::updateSensorList() {
    const QVariant current = sensorFilter_->currentData();
    QSignalBlocker block(sensorFilter_);
    sensorFilter_->clear();
    sensorFilter_->addItem(uiText("IDS_Diag_All"), QVariant());
    for (const auto id : model_->sensorsSeen()) sensorFilter_->addItem(QString::number(id), id);
    const int keep = current.isValid() ? sensorFilter_->findData(current) : 0;
    sensorFilter_->setCurrentIndex(keep < 0 ? 0 : keep);
}

void TrafficWindow::applyFilter() {
    auto pick = [](QComboBox* box) -> std::optional<std::uint8_t> {
        const QVariant v = box->currentData();
        if (!v.isValid()) return std::nullopt;
        return static_cast<std::uint8_t>(v.toUInt());
    };
    model_->setFilter(pick(sensorFilter_), pick(functionFilter_));
    count_->setText(uiText("IDS_Diag_Frames") + QLatin1Char(' ') + QString::number(model_->rowCount()));
}

void TrafficWindow::fillStatistics() {
    const auto all = monitor_.statistics().all();
    statistics_->setRowCount(static_cast<int>(all.size()));
    for (int r = 0; r < static_cast<int>(all.size()); ++r) {
        const QStringList cells = statisticCells(all[static_cast<std::size_t>(r)]);
        for (int c = 0; c < kStatisticColumns; ++c) {
            auto* item = statistics_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                statistics_->setItem(r, c, item);
            }
            item->setText(cells[c]);
        }
    }
}

// Clear starts afresh: the list, the monitor's log and the statistics (also those of the tree's tooltips).
void TrafficWindow::clearAll() {
    taken_ = monitor_.log().lastSeq();
    monitor_.log().clear();
    monitor_.statistics().clear();
    model_->clear();
    updateSensorList();
    refresh();
}

bool TrafficWindow::exportCsv(const QString& path, QString* error) {
    const std::string csv = diagnostics::framesCsv(model_->shownFrames());
    // The save dialog has asked before replacing a file; the database and the settings stay off limits.
    OutputFile file;
    if (file.open(path.toStdString(), OutputRule{true}) && writeAll(file.fd(), csv) && file.commit())
        return true;
    if (error)
        *error =
            file.refusal() != OutputRefusal::None
                ? uiText(outputRefusalKey(file.refusal()))
                : QString::fromStdString(std::error_code(file.error(), std::generic_category()).message());
    return false;
}

void TrafficWindow::exportWithDialog() {
    if (model_->rowCount() == 0) {
        QMessageBox::information(this, windowTitle(), uiText("IDS_Diag_ExportNothing"));
        return;
    }
    const QString path = QFileDialog::getSaveFileName(
        this, uiText("IDS_Diag_Export"), QStringLiteral("traffic.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    QString error;
    if (exportCsv(path, &error))
        QMessageBox::information(this, windowTitle(),
                                 uiText("IDS_Diag_ExportDone") + QLatin1Char(' ') +
                                     QString::number(model_->rowCount()) + QStringLiteral("\n") + path);
    else
        QMessageBox::warning(
            this, windowTitle(),
            uiText("IDS_Diag_ExportFailed") + QLatin1Char('\n') + path + QLatin1Char('\n') + error);
}

}  // namespace talvex::ui
