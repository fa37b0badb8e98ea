// CVelPageListData: the selected sensor's measurements in a virtual list (refreshed once a second
// from the record store), the status word on eleven indicators, and the acquisition switches.
#pragma once

#include <QTimer>
#include <array>
#include <memory>

#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/logic/list_columns.hpp"
#include "talvex/ui/logic/status_indicators.hpp"
#include "talvex/ui/page.hpp"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

namespace talvex::acquisition {
class CsvExportWorker;
}

namespace talvex::ui {

class LinkWorker;
class RecordTableModel;

class CVelPageListData : public Page {
    Q_OBJECT
  public:
    explicit CVelPageListData(PageContext ctx, QWidget* parent = nullptr);
    ~CVelPageListData() override;

    void retranslate() override;
    // Shows the newly selected sensor's records (from the session's selected ID).
    void selectedSensorChanged() override;

    // Takes the store's new records into the list and updates the indicators. The page's timer does
    // so once a second; a caller that cannot wait for it may do so at once.
    void refreshTick();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  signals:
    // A delete or an export has finished (its messages are shown).
    void operationFinished();

  private:
    void onAutoRead();
    void onLoraToggled(bool checked);
    void onDelete();
    void onExport();
    void onContextMenu(const QPoint& pos);
    void applyColumns();
    void fitColumns();
    void fillWidth();
    void updateIndicators();
    void setBusy(bool busy);
    void scrollToBottom();
    std::string selectedKey() const;
    Prompter& prompter() const;
    // A delete or an export is under way.
    bool busy() const;
    // Copies the cell at a viewport position (the context menu's copy); false off the rows.
    bool copyCellAt(const QPoint& viewportPos);

    PageContext ctx_;
    ColumnSet columnSet_ = ColumnSet::Model;
    QTableView* list_ = nullptr;
    RecordTableModel* model_ = nullptr;
    QLabel* statusCaption_ = nullptr;
    std::array<QLabel*, kIndicatorCount> indicators_{};
    QPushButton* autoRead_ = nullptr;
    QCheckBox* lora_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* export_ = nullptr;
    QCheckBox* saveDb_ = nullptr;
    QTimer timer_;
    LinkWorker* worker_ = nullptr;
    std::unique_ptr<acquisition::CsvExportWorker> exporter_;
    bool exportRunning_ = false;
    bool firstFillDone_ = false;
};

}  // namespace talvex::ui
