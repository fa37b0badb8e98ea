// The traffic page's frame list: a virtual table over the frames taken from the traffic log (never more
// than the log holds), filtered by sensor and function. Rows are decoded only when the view asks.
#pragma once

#include <QAbstractTableModel>
#include <deque>
#include <optional>
#include <set>
#include <vector>

#include "talvex/diagnostics/traffic_log.hpp"

namespace talvex::ui {

class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Seq, Time, Direction, Sensor, Function, Outcome, Response, Summary, Bytes, ColumnCount };

    explicit TrafficModel(std::size_t capacity = diagnostics::TrafficLog::kCapacity,
                          QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Frames in arrival order; the oldest go once more than the capacity are held.
    void append(std::vector<diagnostics::TrafficFrame> frames);
    void clear();
    // nullopt: all sensors (functions).
    void setFilter(std::optional<std::uint8_t> sensor, std::optional<std::uint8_t> function);
    std::vector<diagnostics::TrafficFrame> shownFrames() const;
    const std::set<std::uint8_t>& sensorsSeen() const { return sensors_; }
    // Header texts follow the active language.
    void retranslate();

  private:
    struct Entry {
        diagnostics::TrafficFrame frame;
        std::uint8_t sensor = 0;    // the addressed sensor (a silent one's empty response included)
        std::uint8_t function = 0;  // without the exception bit
    };
    bool matches(const Entry& e) const;
    const Entry& shown(int row) const { return frames_[static_cast<std::size_t>(shown_[row] - base_)]; }
    void rebuild();

    std::size_t capacity_;
    std::deque<Entry> frames_;
    std::deque<std::uint64_t> shown_;  // absolute positions (base_ + index in frames_) of the rows shown
    std::uint64_t base_ = 0;           // absolute position of frames_.front()
    std::optional<std::uint8_t> sensorFilter_, functionFilter_;
    std::set<std::uint8_t> sensors_;
    std::uint8_t lastSensor_ = 0, lastFunction_ = 0;
};

}  // namespace talvex::ui
