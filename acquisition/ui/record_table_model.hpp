// The acquisition list's rows: a view onto the record store's display buffer. Nothing is copied into
// the model; the view asks for the cells of the rows it draws, each read under the store's lock.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

#include "talvex/acquisition/record_store.hpp"
#include "talvex/ui/logic/list_columns.hpp"

namespace talvex::ui {

class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit RecordTableModel(acquisition::RecordStore& store, QObject* parent = nullptr);

    void setColumns(std::vector<ColumnSpec> columns, const QStringList& headings);
    const std::vector<ColumnSpec>& columns() const { return columns_; }

    // Takes over what the store received for the selected sensor and tells the view what changed.
    // True when rows or their contents changed.
    bool refresh();
    // After the buffer was replaced (another sensor, deleted records): the rows start over.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Cell text as shown (empty outside the buffer).
    QString cellText(int row, int column) const;

  private:
    QString nodeNumber(int row) const;

    acquisition::RecordStore& store_;
    std::vector<ColumnSpec> columns_;
    QStringList headings_;
    int rows_ = 0;
    std::uint32_t version_ = 0;
};

}  // namespace talvex::ui
