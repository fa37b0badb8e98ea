// The ten pages of the main window, in tab order, and how the program supplies them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "talvex/sensor_model.hpp"

class QWidget;

namespace talvex::acquisition {
class AcquisitionEngine;
class LinkArbiter;
class RecordStore;
}  // namespace talvex::acquisition

namespace talvex {
class ChannelStore;
}

namespace talvex::ui {

class Page;
class CMorvaneDlg;

// Tab positions 0..5 always have a tab; 6..9 (the production pages) only while the View menu
// shows them.
enum class PageSlot : int {
    Configuration = 0,     // CVelPageCfg
    DeviceParameters = 1,  // CVelPageSet
    Acquisition = 2,       // CVelPageListData
    Curve = 3,             // CVelPageChart
    Calibration = 4,       // CVelPageCal
    History = 5,           // CVelPageQuery
    Production = 6,        // CVelPageProd
    Import = 7,            // CVelPageLoad
    Functions = 8,         // CVelPageFun
    Fitting = 9,           // CVelPageFit
};
inline constexpr int kPageCount = 10;
inline constexpr int kFixedTabCount = 6;

// Title keys of the ten tab positions.
inline constexpr std::array<std::string_view, kPageCount> kTabTitleKeys = {
    "IDS_TAB_Configuration",         "IDS_TAB_DeviceParameters", "IDS_TAB_DataAcquisition",
    "IDS_TAB_CurveDisplay",          "IDS_TAB_DataCalibration",  "IDS_TAB_HistoricalRecords",
    "IDS_TAB_CalibrationParameters", "IDS_TAB_ImportParameters", "IDS_TAB_OptionalFunctions",
    "IDS_TAB_CurveFitting"};

// The core objects the program owns for the run (any may be null in a test that needs none).
struct CoreRefs {
    acquisition::AcquisitionEngine* engine = nullptr;  // the poller; started by the window
    acquisition::LinkArbiter* arbiter = nullptr;       // holds for every request a page sends
    acquisition::RecordStore* store = nullptr;         // recent records of every sensor
};

// What a page may reach: the chosen model, the core, and the window (its signals: chart points
// pending, selected sensor changed; its progress bar and log box).
struct PageSite {
    SensorModel model = SensorModel::None;
    CoreRefs core;
    ChannelStore* channels = nullptr;  // the window's channel records, Config.ini and channel table
    std::string databasePath;          // SensorDB.db of the run
    CMorvaneDlg* window = nullptr;
};

// Builds the page of one slot as a child of parent, or returns nullptr when the program has none
// (the tab then stays empty). Called once per slot, in the order 0, 1, 2, 3, 4, 5, 6, 7, 8, 9.
using PageFactory = std::function<Page*(PageSlot slot, const PageSite& context, QWidget* parent)>;

}  // namespace talvex::ui
