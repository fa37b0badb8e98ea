// The open and save dialogs of the production pages; replaceable, so a page can be driven without a
// modal dialog. The save dialog offers .xlsx and adds the extension; the open dialog takes the
// workbook kinds the reader knows.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace talvex::ui {

struct FileChooser {
    // Empty when cancelled.
    std::function<QString(QWidget* parent, const QString& filter)> openFile;
    std::function<QString(QWidget* parent, const QString& suggestedName, const QString& filter)> saveFile;
};

FileChooser dialogFileChooser();

}  // namespace talvex::ui
