// CVelPageFun: the sensor's optional hardware (pressure and moisture sensors, display, function
// chips) through the option groups of register 160. The option bytes live here; the radio pairs and
// the two lone boxes change single bits, the three lists stand for bit 0 of groups 1 to 3. Read and
// save are core operations (device/option_operations.hpp) on the operation runner.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "talvex/device/option_operations.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/page.hpp"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace talvex::ui {

class OperationRunner;
class Prompter;

class CVelPageFun : public Page {
    Q_OBJECT
  public:
    explicit CVelPageFun(PageContext ctx, QWidget* parent = nullptr);
    ~CVelPageFun() override;

    void retranslate() override;
    void selectedSensorChanged() override;
    void setChannel(const QString& channel, const QString& sensorId);
    OperationRunner& runner() const { return *runner_; }

  signals:
    void operationFinished();

  private:
    struct Pair {
        int group;
        int bit;
        QCheckBox* ifSet;
        QCheckBox* ifClear;
    };
    // The settings the page shows (bytes and the three lists): what a save sends.
    device::OptionSettings settings() const;
    void showBits(int group);
    void onRead();
    void onSave();
    Prompter& uiPrompter() const;

    PageContext ctx_;
    OperationRunner* runner_ = nullptr;
    std::array<std::uint8_t, sensor::kOptionGroups> bytes_{};
    std::array<QComboBox*, 3> lists_{};
    std::vector<Pair> pairs_;
    QCheckBox* compensation_ = nullptr;  // group 1 bit 3, ticked = set
    QCheckBox* show485_ = nullptr;       // group 2 bit 1, ticked = clear
    std::vector<std::pair<QWidget*, const char*>> captions_;
    QLabel* channel_ = nullptr;
    QLabel* sensorId_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* save_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    bool updating_ = false;  // the page sets boxes itself: no bit changes from their signals
};

}  // namespace talvex::ui
