// Message boxes of the shell go through one replaceable prompter: the program shows modal boxes,
// widget tests install one that records what would have been shown.
#pragma once

#include <QString>

class QWidget;

namespace talvex::ui {

class ShellPrompter {
  public:
    enum class Icon { Information, Warning, Stop };
    virtual ~ShellPrompter() = default;
    virtual void message(QWidget* parent, Icon icon, const QString& caption, const QString& text) = 0;
};

// The active prompter: modal message boxes unless another was installed.
ShellPrompter& shellPrompter();
// Installs p (not owned); nullptr restores the message boxes.
void setShellPrompter(ShellPrompter* p);

// Shorthand: a message with the caption "IDD_Message_Tip".
void showTip(QWidget* parent, ShellPrompter::Icon icon, const QString& text);

}  // namespace talvex::ui
