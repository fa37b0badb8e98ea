// CVelPageQuery: the sensor's own history memory. Sets its storage interval, asks how many records
// it holds, reads a chosen number of them into a virtual list (off the window's thread, with a Stop
// button and progress on the main window's bar) and exports them to CSV. The records of a read stay
// in the list across language switches and disconnects until the next read.
#pragma once

#include <QStringList>
#include <memory>

#include "history_options_dialog.hpp"
#include "talvex/acquisition/history_read.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/page.hpp"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace talvex {
struct Session;
}  // namespace talvex

namespace talvex::ui {

class HistoryTableModel;
class LinkWorker;
class OperationRunner;

class CVelPageQuery : public Page {
    Q_OBJECT
  public:
    // baud: the line's baud rate when a read starts (sizes the port reads); empty: 19200.
    explicit CVelPageQuery(PageContext ctx, std::function<int()> baud = {}, QWidget* parent = nullptr);
    ~CVelPageQuery() override;

    void retranslate() override;

    // Starts a read with options already chosen (what the options dialog's Start leads to).
    void startRead(const HistoryReadChoice& choice);

  signals:
    // An exchange with the sensor, a read or an export has finished (its message is shown).
    void operationFinished();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void onSetInterval();
    void onGetCount();
    void onRead();
    void onStop();
    void onExport();
    void onClear();
    void readFinished(const std::shared_ptr<acquisition::HistoryReadResult>& result, std::uint32_t requested);
    void fitColumns();
    bool refuseWhileBusy();
    int selectedSensor() const;
    Prompter& prompter() const;

    PageContext ctx_;
    std::function<int()> baud_;
    OperationRunner* runner_ = nullptr;  // the exchanges with the sensor; Stop cancels the running one
    LinkWorker* exporter_ = nullptr;     // the CSV export

    HistoryTableModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QPushButton* setInterval_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QLabel* intervalUnit_ = nullptr;
    QPushButton* getCount_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* countUnit_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* clear_ = nullptr;
};

}  // namespace talvex::ui
