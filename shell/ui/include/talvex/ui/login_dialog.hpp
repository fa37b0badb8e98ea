// The model selection dialog shown before the main window.
#pragma once

#include <QDialog>

#include "talvex/sensor_model.hpp"

class QComboBox;
class QLabel;
class QPushButton;

namespace talvex::ui {

class CVelLogin : public QDialog {
    Q_OBJECT
  public:
    // Result code of Cancel: the program ends at once.
    static constexpr int kExitProgram = 2;

    explicit CVelLogin(QWidget* parent = nullptr);

    // The model chosen with OK; None after Escape or Cancel.
    SensorModel model() const { return model_; }

  private:
    void onOk();

    SensorModel model_ = SensorModel::None;
    QLabel* title_ = nullptr;
    QLabel* label_ = nullptr;
    QComboBox* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace talvex::ui
