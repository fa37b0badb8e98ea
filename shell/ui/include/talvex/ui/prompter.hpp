// How the window and its pages talk to the user: message boxes, OK/Cancel questions, the save-file
// dialog and opening a written file. The program shows dialogs; widget tests install one (or hand a
// page one) that scripts the answers and keeps what was shown. Operations on the link worker speak
// through the core Prompter, which QtPrompter turns into calls of this one on the UI thread.
#pragma once

#include <QString>

class QWidget;

namespace talvex::ui {

class Prompter {
  public:
    enum class Icon { Information, Warning, Stop };
    virtual ~Prompter() = default;
    // An empty caption is the active language's "Tip".
    virtual void message(QWidget* parent, const QString& text, const QString& caption = {},
                         Icon icon = Icon::Information);
    // True for OK.
    virtual bool question(QWidget* parent, const QString& text, const QString& caption = {});
    // Retry and Cancel buttons; true for Retry.
    virtual bool retry(QWidget* parent, const QString& text, const QString& caption = {});
    // Empty when the user cancels. filter is a Qt name filter ("CSV files (*.csv)").
    virtual QString saveFileName(QWidget* parent, const QString& suggestedName, const QString& filter);
    // False when no application could open it.
    virtual bool openFile(const QString& path);
    // Whether this machine has a program that opens files (on Linux: xdg-open).
    virtual bool canOpenFiles() const;
};

// The active prompter: dialogs unless another was installed (UI thread only).
Prompter& activePrompter();
// Installs p (not owned); nullptr restores the dialogs.
void setActivePrompter(Prompter* p);

}  // namespace talvex::ui
