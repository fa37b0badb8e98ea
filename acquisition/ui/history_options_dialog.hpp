// CVelDlgQuery: the history read's options (record format and how many records the sensor is to
// send). Start refuses a closed port and a count box that is not a whole number 0..4294967295, and
// stays open with a message; Cancel closes without traffic.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "talvex/acquisition/history_record.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace talvex::ui {

class Prompter;

struct HistoryReadChoice {
    acquisition::HistoryFormat format = acquisition::HistoryFormat::V1;
    std::uint32_t count = 0;
};

class CVelDlgQuery : public QDialog {
    Q_OBJECT
  public:
    // linkClosed tells whether the port is closed when Start is pressed.
    CVelDlgQuery(Prompter& prompter, std::function<bool()> linkClosed, QWidget* parent = nullptr);

    // What Start accepted (nullopt after Cancel).
    const std::optional<HistoryReadChoice>& choice() const { return choice_; }

  private:
    void onStart();

    Prompter& prompter_;
    std::function<bool()> linkClosed_;
    std::optional<HistoryReadChoice> choice_;
    QComboBox* version_ = nullptr;
    QLineEdit* count_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace talvex::ui
