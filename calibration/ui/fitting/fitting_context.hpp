// What the fitting page hands to a fitting dialog: the sheet and the sensor's row in it, the
// sensor's address, the shared data kind (the compensation dialog sets it), and the means to write.
#pragma once

#include <functional>

#include "talvex/calibration/fitting/calibration_sheet.hpp"

namespace talvex {
class Pacer;
class Prompter;
class RegisterIo;
namespace acquisition {
class LinkArbiter;
}
}  // namespace talvex

namespace talvex::ui {

class CMorvaneDlg;
class Prompter;

struct FittingContext {
    const calibration::fitting::CalibrationSheet* sheet = nullptr;
    int sheetRow = 0;
    int sensorId = 0;
    int* dataKind = nullptr;  // the page's; lives for the process
    acquisition::LinkArbiter* arbiter = nullptr;
    CMorvaneDlg* window = nullptr;     // disconnect ends a write
    ui::Prompter* prompter = nullptr;  // null: dialogs
    std::function<void(int)> progress;
    // Replacements for the register I/O, pacer and core prompter of the writes (null: the real ones).
    RegisterIo* io = nullptr;
    Pacer* pacer = nullptr;
    talvex::Prompter* corePrompter = nullptr;
};

}  // namespace talvex::ui
