// The core's Prompter for operations on the link worker: boxes are shown by the page's Qt prompter
// on the window's thread (the worker waits for the answer); log lines are posted to the log box.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "talvex/prompter.hpp"

namespace talvex::ui {

class Prompter;

class WorkerPrompter : public talvex::Prompter {
  public:
    // prompter: the page's dialogs (or a test's script); log: appends a line to the log box.
    WorkerPrompter(QWidget* owner, ui::Prompter& prompter, std::function<void(const QString&)> log);
    void message(const std::string& text, Icon icon) override;
    bool question(const std::string& text) override;
    void log(const std::string& line) override;

  private:
    // Runs fn on the owner's thread and waits for it.
    void onUiThread(const std::function<void()>& fn);

    QPointer<QWidget> owner_;
    ui::Prompter& prompter_;
    std::function<void(const QString&)> log_;
};

}  // namespace talvex::ui
