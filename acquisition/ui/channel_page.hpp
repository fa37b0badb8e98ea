// CVelPageCfg: the selected channel's parameters (edited in place), the bus search, the sensor-ID
// change, and assigning the found IDs to the channels in one step.
#pragma once

#include <QString>
#include <utility>
#include <vector>

#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/page.hpp"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace talvex::ui {

class OperationRunner;

class CVelPageCfg : public Page {
    Q_OBJECT
  public:
    CVelPageCfg(PageContext ctx, ChannelStoreOps ops = {}, QWidget* parent = nullptr);
    ~CVelPageCfg() override;

    void setChannelStoreOps(ChannelStoreOps ops) { ops_ = std::move(ops); }

    void retranslate() override;
    // Shows the selected sensor ID in the current-ID box.
    void selectedSensorChanged() override;

    // The parameter rows of the selected channel: (name, value), one per list row.
    using ParameterRows = std::vector<std::pair<QString, QString>>;
    void setParameterRows(const ParameterRows& rows);
    // Commits an open in-place edit first.
    ParameterRows parameterRows();
    // Commits an open in-place edit into its cell and forgets the edited cell.
    void commitEdit();
    QString deviceMark() const;
    void setDeviceMark(const QString& text);
    QString description() const;
    void setDescription(const QString& text);
    void clearChannelFields();

    // Ends a running search after the candidate in progress (the window calls this when it connects
    // or disconnects the port).
    void stopSearch();

  signals:
    // The user changed a cell of the parameter list (column 0 the name, 1 the value).
    void parameterEdited(int row, int column, const QString& text);
    // Saved or applied channel settings (the tree recolours its channels).
    void channelsChanged();
    void searchFinished();
    void modifyFinished();

  private:
    void onSave();
    void onSearch();
    void onModify();
    void onEnableAll();
    void onDisableAll();
    void finishApply();
    void endSearch(bool completed);
    void clearFound();
    void candidateDone(int candidate, bool found);
    void setLinkBusy(bool busy);
    Session& sessionRef() const;
    Prompter& prompter() const;

    PageContext ctx_;
    ChannelStoreOps ops_;
    QTableWidget* list_ = nullptr;
    QLineEdit* deviceMark_ = nullptr;
    QPlainTextEdit* description_ = nullptr;
    QPushButton* save_ = nullptr;
    QLineEdit* currentId_ = nullptr;
    QPushButton* modify_ = nullptr;
    QPushButton* search_ = nullptr;
    QLineEdit* foundCount_ = nullptr;
    QPlainTextEdit* foundIds_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* enableAll_ = nullptr;
    QPushButton* disableAll_ = nullptr;
    std::vector<QLabel*> labels_;

    OperationRunner* runner_ = nullptr;
    bool searching_ = false;
    bool filling_ = false;  // setParameterRows is writing the cells
    int found_ = 0;
    QString foundText_;
};

}  // namespace talvex::ui
