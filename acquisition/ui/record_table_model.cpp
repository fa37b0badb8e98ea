#include "record_table_model.hpp"

namespace talvex::ui {

using acquisition::Field;

RecordTableModel::RecordTableModel(acquisition::RecordStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

void RecordTableModel::setColumns(std::vector<ColumnSpec> columns, const QStringList& headings) {
    if (columns.size() == columns_.size()) {
        // Same shape: only the headings (and what they show) change.
        columns_ = std::move(columns);
        headings_ = headings;
        emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(columns_.size()) - 1);
        if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
        return;
    }
    beginResetModel();
    columns_ = std::move(columns);
    headings_ = headings;
    endResetModel();
}

bool RecordTableModel::refresh() {
    const auto state = store_.takeOver();
    const int size = static_cast<int>(state.size);
    if (size == rows_ && state.version == version_) return false;
    if (size < rows_) {
        beginResetModel();
        rows_ = size;
        version_ = state.version;
        endResetModel();
        return true;
    }
    const int before = rows_;
    if (size > before) {
        beginInsertRows({}, before, size - 1);
        rows_ = size;
        endInsertRows();
    }
    // A full buffer drops its oldest rows as new ones arrive, so the rows held before may now show
    // other records; the view repaints only what is visible.
    if (state.version != version_ && before > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(before - 1, columnCount() - 1), {Qt::DisplayRole});
    version_ = state.version;
    return true;
}

void RecordTableModel::reload() {
    beginResetModel();
    const auto state = store_.displayState();
    rows_ = static_cast<int>(state.size);
    version_ = state.version;
    endResetModel();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString RecordTableModel::cellText(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= columnCount()) return {};
    const CellSource src = columns_[static_cast<std::size_t>(column)].source;
    if (src == CellSource::Blank) return {};
    if (src == CellSource::NodeNumber) return nodeNumber(row);
    const auto text = store_.displayCell(static_cast<std::size_t>(row), static_cast<Field>(src));
    return text ? QString::fromStdString(*text) : QString();
}

// A concentrator answers for nodes 1..16 in order and every record of one poll carries the same
// timestamp, so a record's node is its place among the records of its poll. A poll that fails part
// way keeps the nodes read before it in order, so the count still holds.
QString RecordTableModel::nodeNumber(int row) const {
    const std::size_t first = static_cast<std::size_t>(std::max(0, row - 47));
    const auto rows = store_.displayRows(first, static_cast<std::size_t>(row) - first + 1);
    if (rows.empty()) return {};
    const auto& self = rows.back();
    const auto id = static_cast<std::size_t>(Field::SensorId);
    const auto ts = static_cast<std::size_t>(Field::Timestamp);
    int node = 1;
    for (auto it = rows.rbegin() + 1; it != rows.rend(); ++it) {
        if ((*it)[id] != self[id] || (*it)[ts] != self[ts]) break;
        ++node;
    }
    return QString::number((node - 1) % 16 + 1);
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole && section >= 0 && section < headings_.size()) return headings_[section];
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

}  // namespace talvex::ui
