// The traffic page: a window of its own, opened from View > Bus traffic. The live frame list (filters by
// sensor and function, pause, clear, CSV export of the frames shown) above the link statistics per sensor.
// While visible it takes the new frames of the link monitor twice a second.
#pragma once

#include <QWidget>

#include "talvex/diagnostics/link_monitor.hpp"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class QTimer;

namespace talvex::ui {

class TrafficModel;

class TrafficWindow : public QWidget {
    Q_OBJECT
  public:
    explicit TrafficWindow(diagnostics::LinkMonitor& monitor, QWidget* parent = nullptr);

    void retranslate();
    // Takes the frames that arrived since the last call (unless paused) and renews the statistics.
    void refresh();
    // Writes the frames shown to a CSV file; false when the file cannot be written.
    bool exportCsv(const QString& path, QString* error = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void applyFilter();
    void updateSensorList();
    void fillStatistics();
    void clearAll();
    void exportWithDialog();

    diagnostics::LinkMonitor& monitor_;
    std::uint64_t taken_ = 0;  // last log number taken into the list
    TrafficModel* model_ = nullptr;
    QTableView* frames_ = nullptr;
    QTableWidget* statistics_ = nullptr;
    QLabel* sensorLabel_ = nullptr;
    QComboBox* sensorFilter_ = nullptr;
    QLabel* functionLabel_ = nullptr;
    QComboBox* functionFilter_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* export_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* statisticsLabel_ = nullptr;
    QTimer* timer_ = nullptr;
};

// Tooltip text for a sensor of the channel tree: its link statistics, or that there was no traffic yet.
QString statisticsTooltip(const std::optional<diagnostics::SlaveStatistics>& statistics);

}  // namespace talvex::ui
