// Message boxes of the shell go through one replaceable prompter: the program shows modal boxes,
// widget tests install one that records what would have been shown.
#pragma once

#include <QString>

class QWidget;

namespace talvex::ui {

class Prompter {
  public:
    enum class Icon { Information, Warning, Stop };
    virtual ~Prompter() = default;
    virtual void message(QWidget* parent, Icon icon, const QString& caption, const QString& text) = 0;
};

// The active prompter: modal message boxes unless another was installed.
Prompter& prompter();
// Installs p (not owned); nullptr restores the message boxes.
void setPrompter(Prompter* p);

// Shorthand: a message with the caption "IDD_Message_Tip".
void showTip(QWidget* parent, Prompter::Icon icon, const QString& text);

}  // namespace talvex::ui
