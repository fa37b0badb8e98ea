#include "traffic_model.hpp"

#include <QColor>

#include "talvex/diagnostics/diagnostics_format.hpp"
#include "talvex/diagnostics/frame_decoder.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

using diagnostics::TrafficFrame;

namespace {

constexpr const char* kHeaderKeys[TrafficModel::ColumnCount] = {
    "IDS_Diag_ColSeq",      "IDS_Diag_ColTime",    "IDS_Diag_ColDirection",
    "IDS_Diag_Sensor",      "IDS_Diag_Function",   "IDS_Diag_ColOutcome",
    "IDS_Diag_ColResponse", "IDS_Diag_ColSummary", "IDS_Diag_ColBytes"};

bool isFailure(FrameOutcome o) {
    return o != FrameOutcome::Sent && o != FrameOutcome::Accepted && o != FrameOutcome::Stream;
}

}  // namespace

TrafficModel::TrafficModel(std::size_t capacity, QObject* parent)
    : QAbstractTableModel(parent), capacity_(capacity) {}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return uiText(kHeaderKeys[section]);
}

void TrafficModel::retranslate() {
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!shown_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Entry& e = shown(index.row());
    const TrafficFrame& f = e.frame;
    if (role == Qt::ForegroundRole) return isFailure(f.outcome) ? QColor(178, 34, 34) : QVariant();
    if (role != Qt::DisplayRole) return {};
    const bool request = f.direction == FrameDirection::Request;
    switch (index.column()) {
        case Seq:
            return QString::number(f.seq);
        case Time:  // local time of day to the millisecond; the CSV export adds the tap's microseconds
            return QString::fromStdString(diagnostics::localTimeText(f.unixMs * 1000).substr(11, 12));
        case Direction:
            return uiText(request ? "IDS_Diag_Request" : "IDS_Diag_Response");
        case Sensor:
            return QString::number(e.sensor);
        case Function:
            return QString::number(e.function);
        case Outcome:
            return uiText("IDS_Diag_Outcome" + std::to_string(static_cast<int>(f.outcome)));
        case Response:
            return f.responseUs >= 0 ? QString::number(static_cast<double>(f.responseUs) / 1000.0, 'f', 1)
                                     : QString();
        case Summary:
            return QString::fromStdString(diagnostics::describe(diagnostics::decodeTapFrame(f)));
        case Bytes:
            return QString::fromStdString(diagnostics::hexBytes(f.bytes.data(), f.bytes.size()));
        default:
            return {};
    }
}

bool TrafficModel::matches(const Entry& e) const {
    return (!sensorFilter_ || *sensorFilter_ == e.sensor) &&
           (!functionFilter_ || *functionFilter_ == e.function);
}

void TrafficModel::append(std::vector<TrafficFrame> frames) {
    if (frames.empty()) return;
    // Make room first: the oldest frames (and their rows) leave.
    const std::size_t incoming = std::min(frames.size(), capacity_);
    const std::size_t drop =
        frames_.size() + incoming > capacity_ ? frames_.size() + incoming - capacity_ : 0;
    if (drop > 0) {
        const std::uint64_t newBase = base_ + drop;
        int rows = 0;
        while (rows < static_cast<int>(shown_.size()) && shown_[static_cast<std::size_t>(rows)] < newBase)
            ++rows;
        if (rows > 0) beginRemoveRows({}, 0, rows - 1);
        shown_.erase(shown_.begin(), shown_.begin() + rows);
        frames_.erase(frames_.begin(), frames_.begin() + static_cast<std::ptrdiff_t>(drop));
        base_ = newBase;
        if (rows > 0) endRemoveRows();
    }
    std::vector<std::uint64_t> added;
    for (std::size_t i = frames.size() - incoming; i < frames.size(); ++i) {
        Entry e;
        e.frame = std::move(frames[i]);
        const auto& b = e.frame.bytes;
        if (e.frame.direction == FrameDirection::Request && b.size() >= 2) {
            lastSensor_ = b[0];
            lastFunction_ = static_cast<std::uint8_t>(b[1] & 0x7F);
        }
        // A response names its sensor itself unless nothing (or only a byte) arrived.
        e.sensor = b.size() >= 2 && e.frame.outcome != FrameOutcome::Stream ? b[0] : lastSensor_;
        e.function = b.size() >= 2 && e.frame.outcome != FrameOutcome::Stream
                         ? static_cast<std::uint8_t>(b[1] & 0x7F)
                         : lastFunction_;
        sensors_.insert(e.sensor);
        frames_.push_back(std::move(e));
        if (matches(frames_.back())) added.push_back(base_ + frames_.size() - 1);
    }
    if (added.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
    shown_.insert(shown_.end(), added.begin(), added.end());
    endInsertRows();
}

void TrafficModel::clear() {
    beginResetModel();
    base_ += frames_.size();
    frames_.clear();
    shown_.clear();
    sensors_.clear();
    endResetModel();
}

void TrafficModel::setFilter(std::optional<std::uint8_t> sensor, std::optional<std::uint8_t> function) {
    sensorFilter_ = sensor;
    functionFilter_ = function;
    rebuild();
}

void TrafficModel::rebuild() {
    beginResetModel();
    shown_.clear();
    for (std::size_t i = 0; i < frames_.size(); ++i)
        if (matches(frames_[i])) shown_.push_back(base_ + i);
    endResetModel();
}

std::vector<TrafficFrame> TrafficModel::shownFrames() const {
    std::vector<TrafficFrame> out;
    out.reserve(shown_.size());
    for (int r = 0; r < rowCount(); ++r) out.push_back(shown(r).frame);
    return out;
}

}  // namespace talvex::ui
