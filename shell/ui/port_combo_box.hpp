// The serial port list: looks for ports again each time it opens, so a USB converter plugged in
// after start-up shows up without a restart.
#pragma once

#include <QComboBox>
#include <functional>

namespace talvex::ui {

class PortComboBox : public QComboBox {
  public:
    using QComboBox::QComboBox;
    void setBeforePopup(std::function<void()> f) { beforePopup_ = std::move(f); }
    void showPopup() override {
        if (beforePopup_) beforePopup_();
        QComboBox::showPopup();
    }

  private:
    std::function<void()> beforePopup_;
};

}  // namespace talvex::ui
