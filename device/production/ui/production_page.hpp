// CVelPageProd: the production parameters page. Read-out of the 53 production rows, run modes,
// temperature calibration and fine adjustment, the 20 degC resistance, signing and the export that
// each signature allows once. Every sensor operation runs on the link worker (production core); the
// page shows what it reports.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "file_chooser.hpp"
#include "talvex/production/production_ops.hpp"
#include "talvex/production/signing.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/page.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace talvex::ui {

class CVelPageProd : public Page {
    Q_OBJECT
  public:
    explicit CVelPageProd(PageContext ctx, QWidget* parent = nullptr);
    ~CVelPageProd() override;

    void retranslate() override;
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    OperationRunner* runner() const { return runner_; }

  signals:
    void operationFinished();

  private:
    int selectedId() const;
    production::Targets targets() const;
    bool linkOpen(const char* closedKey, bool warning);
    void say(const QString& text, bool warning = false);
    // Starts op on the link worker; afterwards, on the window's thread, then() and operationFinished.
    bool run(SensorOperation op, RunOptions options, std::function<void()> then = {});
    // Reads a text on the worker and shows it in edit when there is one.
    using TextRead = std::function<std::optional<std::string>(RegisterIo&, Pacer&, talvex::Prompter&)>;
    void readInto(QLineEdit* edit, TextRead read, RunOptions options);
    void fillRowLabels();
    void setValue(int row, const QString& text);

    void onReadOut();
    void onClear();
    void onStartRunMode();
    void onAutoPoll(bool on);
    void onReadTemperature();
    void onCalibrate();
    void onFineAdjust(int celsius, QLineEdit* edit);
    void onReadStored();
    void onMeasure();
    void onWriteResistance();
    void onSign();
    void refreshSignatureRows(RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, int id);
    void onExport();

    PageContext ctx_;
    OperationRunner* runner_ = nullptr;
    FileChooser chooser_;

    std::atomic<std::uint16_t> lastRunMode_{0};
    production::CalibrationPoint point_ = production::CalibrationPoint::None;
    production::SignatureGate gate_;
    QString exportName_;  // product number of the last read-out

    QLabel* caution_ = nullptr;
    QComboBox* runMode_ = nullptr;
    QPushButton* start_ = nullptr;
    QCheckBox* autoPoll_ = nullptr;
    QRadioButton* point1_ = nullptr;
    QRadioButton* point2_ = nullptr;
    QLabel* sensorTempLabel_ = nullptr;
    QLineEdit* sensorTemp_ = nullptr;
    QPushButton* readTemp_ = nullptr;
    QLabel* actualTempLabel_ = nullptr;
    QLineEdit* actualTemp_ = nullptr;
    QPushButton* calibrate_ = nullptr;
    QLabel* fineLabels_[3] = {};
    QLineEdit* fineEdits_[3] = {};
    QPushButton* fineButtons_[3] = {};
    QLabel* resistanceLabel_ = nullptr;
    QLineEdit* storedResistance_ = nullptr;
    QPushButton* readStored_ = nullptr;
    QLineEdit* measuredResistance_ = nullptr;
    QPushButton* measure_ = nullptr;
    QPushButton* writeResistance_ = nullptr;
    QLabel* signerLabel_ = nullptr;
    QLineEdit* signer_ = nullptr;
    QPushButton* sign_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* readOut_ = nullptr;
    QPushButton* clear_ = nullptr;
    QTableWidget* list_ = nullptr;
};

}  // namespace talvex::ui
