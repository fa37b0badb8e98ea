// The fitting page (CVelPageFit): loads a calibration workbook into the calibration sheet and its
// grid, and opens the fitting dialog of the chosen data kind for the ticked sensor row. The page
// sends nothing to a sensor; its dialogs do.
#pragma once

#include <functional>

#include "fitting_context.hpp"
#include "talvex/calibration/fitting/calibration_sheet.hpp"
#include "talvex/calibration/fitting/fitting_choice.hpp"
#include "talvex/calibration/fitting/sheet_load.hpp"
#include "talvex/ui/page.hpp"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace talvex::ui {

class CVelPageFit : public Page {
  public:
    // base: arbiter, window, prompter and progress for the dialogs' writes (sheet, row, sensor and
    // kind are the page's own).
    explicit CVelPageFit(FittingContext base, QWidget* parent = nullptr);

    void retranslate() override;

    // Replaces the open-file dialog (a path chosen without asking); empty: cancelled.
    void setFileChooser(std::function<QString()> choose) { chooseFile_ = std::move(choose); }
    // Replaces opening the chosen dialog modally (the context it would get says what would open).
    void setDialogOpener(
        std::function<void(calibration::fitting::FittingDialog, const FittingContext&)> open) {
        openDialog_ = std::move(open);
    }

  private:
    void onLoad();
    void onFitButton();
    void message(const QString& text);
    void fillGrid(const calibration::fitting::FittingGrid& rows);
    QString chooseFileDialog();
    void openDialogModally(calibration::fitting::FittingDialog dialog, const FittingContext& context);

    FittingContext base_;
    calibration::fitting::CalibrationSheet sheet_;
    calibration::fitting::FittingChoice choice_;
    std::function<QString()> chooseFile_;
    std::function<void(calibration::fitting::FittingDialog, const FittingContext&)> openDialog_;

    QLabel* caption_ = nullptr;
    QLabel* channelLabel_ = nullptr;
    QLabel* sensorLabel_ = nullptr;
    QComboBox* kind_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* fit_ = nullptr;
    QPushButton* details_ = nullptr;
    QTableWidget* grid_ = nullptr;
};

}  // namespace talvex::ui
