// CVelPageCal: the calibration wizard and the flowmeter controls, a view over their core state. Every
// exchange with the sensor runs through the page's OperationRunner, in the link's operation slot; the
// handshake (2 s) and flowmeter read-out (10 s) ticks are skipped while another operation holds the
// link.
#pragma once

#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/calibration/wizard/calibration_wizard.hpp"
#include "talvex/calibration/wizard/flowmeter_control.hpp"
#include "talvex/pacer.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/page.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace talvex::ui {

class OperationRunner;
class QtPrompter;

struct CalibrationPageOptions {
    std::chrono::milliseconds handshakePeriod = calibration::kHandshakePeriod;
    std::chrono::milliseconds flowPeriod = calibration::kFlowReadPeriod;
    // Appends to the main window's log box (the handshake's CAL_Status lines).
    std::function<void(const QString&)> log;
    // Date of the calibration date words (a fixed one makes a run repeatable).
    std::function<calibration::CalendarDate()> today = calibration::localToday;
};

class CVelPageCal : public Page {
    Q_OBJECT
  public:
    CVelPageCal(PageContext ctx, CalibrationPageOptions options = {}, QWidget* parent = nullptr);
    ~CVelPageCal() override;

    void retranslate() override;
    // Another sensor: a running handshake ends at once.
    void selectedSensorChanged() override;
    // The port was closed: an operation under way ends at its next pause, and a running handshake
    // ends at once.
    void linkClosed();

    // The state the page is a view of. Not all of it shows: the wizard's step and whether the
    // wireless handshake runs appear in no control.
    const calibration::WizardState& wizardState() const { return wizard_.state(); }
    const calibration::FlowmeterState& flowState() const { return flow_.state(); }
    // An operation or tick runs on the link worker; a click meanwhile waits for it to return.
    bool busy() const;

  signals:
    // An operation (or tick) returned and the controls show the new state.
    void operationFinished();

  private:
    using WizardJob = std::function<void(calibration::WizardContext&)>;
    void buildLayout();
    // Runs job through the runner, in the link's operation slot; a click while an operation runs
    // waits for it.
    void runWizard(WizardJob job);
    // Starts job now; periodic (a tick): skipped without a word while another operation holds the
    // link, else that operation is named.
    void runWizard(WizardJob job, bool periodic);
    void runWhenIdle(std::function<void()> start);
    int selectedSensor() const;
    void afterOperation();
    void onTypeSelected(int index);
    void onFlowButton();
    void onHandshakeTick();
    void onFlowTick();
    void onClockTick();
    void abandonHandshake(const char* key);
    void render();

    PageContext ctx_;
    CalibrationPageOptions options_;
    calibration::CalibrationWizard wizard_;
    calibration::FlowmeterControl flow_;
    // The steps that send nothing run on the window's thread with these.
    SteadyPacer pacer_;
    std::unique_ptr<QtPrompter> prompter_;
    OperationRunner* runner_ = nullptr;
    std::function<void()> pending_;  // the click that came while an operation ran
    bool abandonPending_ = false;
    const char* abandonKey_ = nullptr;
    QTimer handshakeTimer_, flowTimer_, clockTimer_;

    QLabel* typeLabel_ = nullptr;
    QComboBox* type_ = nullptr;
    QCheckBox* one_ = nullptr;
    QCheckBox* two_ = nullptr;
    QLabel* measuredLabel_ = nullptr;
    QLineEdit* measured_ = nullptr;
    QLabel* measuredUnit_ = nullptr;
    QLabel* referenceLabel_ = nullptr;
    QLineEdit* reference_ = nullptr;
    QLabel* referenceUnit_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* calibrate_ = nullptr;
    QLabel* clearLabel_ = nullptr;
    QPushButton* clear_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancelHandshake_ = nullptr;  // shown while the wireless handshake runs
    QLabel* clockLabel_ = nullptr;
    QLabel* clock_ = nullptr;
    QLabel* steps_[7] = {};
    QLabel* setpointLabel_ = nullptr;
    QLineEdit* setpoint_ = nullptr;
    QPushButton* flowButton_ = nullptr;
    QLabel* massFlowLabel_ = nullptr;
    QLabel* massFlow_ = nullptr;
    QLabel* temperatureLabel_ = nullptr;
    QLabel* temperature_ = nullptr;
};

}  // namespace talvex::ui
