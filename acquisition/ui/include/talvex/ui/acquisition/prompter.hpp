// How the pages talk to the user: messages, OK/Cancel questions, the save-file dialog and opening a
// written file. The window uses dialogs; tests give scripted answers and read what was shown.
#pragma once

#include <QString>

class QWidget;

namespace talvex::ui {

class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual void message(QWidget* parent, const QString& text, const QString& caption = {});
    // True for OK.
    virtual bool question(QWidget* parent, const QString& text, const QString& caption = {});
    // Empty when the user cancels. filter is a Qt name filter ("CSV files (*.csv)").
    virtual QString saveFileName(QWidget* parent, const QString& suggestedName, const QString& filter);
    // False when no application could open it.
    virtual bool openFile(const QString& path);
    // Whether this machine has a program that opens files (on Linux: xdg-open).
    virtual bool canOpenFiles() const;
};

// The dialog-based prompter shared by every page that is given none.
Prompter& defaultPrompter();

// Text of a language key in the active table.
QString tr_(const char* key);

}  // namespace talvex::ui
