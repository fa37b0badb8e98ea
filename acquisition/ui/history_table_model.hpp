// The history list's rows: a view onto the records of the last read. The records are immutable once
// a read has finished, so the view, an export and the next read share them without a lock; the view
// asks only for the cells of the rows it draws.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>

#include "talvex/acquisition/history_record.hpp"

namespace talvex::ui {

class HistoryTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using Table = std::shared_ptr<const acquisition::HistoryTable>;

    explicit HistoryTableModel(QObject* parent = nullptr);

    // Shows table (null: no rows).
    void setTable(Table table);
    const Table& table() const { return table_; }
    void setHeadings(const QStringList& headings);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    Table table_;
    QStringList headings_;
};

}  // namespace talvex::ui
