#include "history_table_model.hpp"

namespace talvex::ui {

HistoryTableModel::HistoryTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryTableModel::setTable(Table table) {
    beginResetModel();
    table_ = std::move(table);
    endResetModel();
}

void HistoryTableModel::setHeadings(const QStringList& headings) {
    headings_ = headings;
    emit headerDataChanged(Qt::Horizontal, 0, acquisition::kHistoryColumnCount - 1);
}

int HistoryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : static_cast<int>(table_->records.size());
}

int HistoryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : acquisition::kHistoryColumnCount;
}

QVariant HistoryTableModel::data(const QModelIndex& index, int role) const {
    if (!table_ || !index.isValid()) return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role != Qt::DisplayRole) return {};
    return QString::fromStdString(
        acquisition::historyField(*table_, static_cast<std::size_t>(index.row()), index.column()));
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section >= 0 && section < headings_.size() ? headings_[section] : QVariant();
}

}  // namespace talvex::ui
