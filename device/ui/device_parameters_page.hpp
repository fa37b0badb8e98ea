// CVelPageSet: the selected sensor's settings, read as a whole and written back one group at a
// time. Every exchange is a core operation (device/parameter_operations.hpp) started on the
// operation runner; the energy and send-interval read-back waits tick every 2 s, one at a time,
// and end on confirmation, after 60 s, on disconnect or when another sensor is selected.
#pragma once

#include <QString>
#include <array>
#include <map>

#include "talvex/device/parameter_operations.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/page.hpp"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace talvex::ui {

class OperationRunner;
class Prompter;

class CVelPageSet : public Page {
    Q_OBJECT
  public:
    explicit CVelPageSet(PageContext ctx, QWidget* parent = nullptr);
    ~CVelPageSet() override;

    void retranslate() override;
    void selectedSensorChanged() override;
    // Labels of the identity group (the tree's selection handler sets them).
    void setChannel(const QString& deviceMark, const QString& sensorId);
    OperationRunner& runner() const { return *runner_; }
    // Ends a read-back wait without a message (connect / disconnect).
    void stopWaiting();

  signals:
    void operationFinished();
    void waitEnded(bool confirmed);

  private:
    enum class Wait { None, Energy, Interval };
    int slave() const;
    Prompter& uiPrompter() const;
    bool run(std::function<void(RegisterIo&, Pacer&, talvex::Prompter&)> op);
    QLineEdit* field(device::ParameterField f) const { return fields_.at(f); }
    void setField(device::ParameterField f, const QString& text);
    void onRead();
    void onStartMode();
    void onReadEnergy();
    void onWriteEnergy();
    void onWriteInterval();
    void onChangeId();
    void startWait(Wait kind, std::int64_t value);
    void waitTick();
    void endWait(bool confirmed, const char* messageKey);

    PageContext ctx_;
    OperationRunner* runner_ = nullptr;
    std::map<device::ParameterField, QLineEdit*> fields_;
    std::vector<std::pair<QWidget*, const char*>> captions_;  // widgets re-labelled from keys
    QLabel* deviceMark_ = nullptr;
    QLabel* sensorIdLabel_ = nullptr;
    std::array<QCheckBox*, 3> alarmChecks_{};
    QPushButton* read_ = nullptr;
    QPushButton* writeRange_ = nullptr;
    QPushButton* writeAnalog_ = nullptr;
    QPushButton* writeAlarms_ = nullptr;
    QComboBox* mode_ = nullptr;
    QPushButton* startMode_ = nullptr;
    QPushButton* readEnergy_ = nullptr;
    QLineEdit* energy_ = nullptr;
    QPushButton* writeEnergy_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QPushButton* writeInterval_ = nullptr;
    QLineEdit* sensorId_ = nullptr;
    QPushButton* changeId_ = nullptr;
    QPushButton* restore_ = nullptr;

    QTimer* waitTimer_ = nullptr;
    Wait wait_ = Wait::None;
    std::int64_t waitValue_ = 0;
    int waitSlave_ = 0;
    qint64 waitStartedMs_ = 0;
};

}  // namespace talvex::ui
