// What the three fitting dialogs share: the point list with its marked rows, the text fields, the
// messages, and the write that runs on the link worker (link check, refusals before the question).
// Object names: "pointList", a text field "field.<name>" (field.A2, field.STC_a, ...), the write's
// runner "writeRunner"; each dialog names its own selectors and buttons.
#pragma once

#include <QDialog>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

#include "fitting_context.hpp"
#include "talvex/calibration/fitting/fit_fields.hpp"
#include "talvex/calibration/fitting/fitting_write.hpp"

class QGridLayout;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace talvex::ui {

class OperationRunner;

class FittingDialogBase : public QDialog {
  public:
    FittingDialogBase(FittingContext context, QWidget* parent);

  protected:
    QTableWidget* pointList() const { return list_; }
    // The list with its headers and pixel widths, full-row selection and grid lines.
    QTableWidget* makePointList(const QStringList& headers, const std::vector<int>& widths);
    // Rows from position `at` (marked rows white on blue).
    void insertRows(const std::vector<calibration::fitting::PointRow>& rows, int at);
    // A labelled text field per name, `columns` to a row of the grid.
    QGridLayout* makeFields(const calibration::fitting::Fields& names, int columns);
    void showFields(const calibration::fitting::Fields& fields);
    calibration::fitting::Fields currentFields(calibration::fitting::Fields names) const;
    // A button captioned one character per line, as the dialogs have always had them.
    QPushButton* tallButton(const char* key, const char* objectName);
    void message(const std::string& text);
    // Link check, then the plan's refusal or the write on the link worker.
    void startWrite(const calibration::fitting::FittingWritePlan& plan);

    FittingContext context_;

  private:
    QLineEdit* field(const std::string& name) const;

    QTableWidget* list_ = nullptr;
    OperationRunner* runner_ = nullptr;
    std::map<std::string, QLineEdit*> fields_;
};

QString text(const char* key);

}  // namespace talvex::ui
