// The core prompter of operations on the link worker: each message or question is shown on the
// window's thread (through the page's Qt prompter) while the worker waits for it; progress and log
// lines are posted without waiting. abort() answers whatever is pending with Cancel and every later
// request at once, so a worker never waits on a window that is going away.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "talvex/prompter.hpp"

namespace talvex::ui {

class Prompter;

class QtPrompter : public talvex::Prompter {
  public:
    // context: object on the window's thread that carries the queued calls; owner: dialog parent.
    QtPrompter(QObject* context, QWidget* owner, ui::Prompter* uiPrompter = nullptr);

    void message(const std::string& text, Icon icon = Icon::Information) override;
    bool question(const std::string& text) override;
    bool retry(const std::string& text) override;
    void progress(int percent) override;
    void log(const std::string& line) override;

    void setProgress(std::function<void(int)> fn) { progress_ = std::move(fn); }
    void setLog(std::function<void(const QString&)> fn) { log_ = std::move(fn); }
    void abort();
    void reset();

  private:
    // Runs fn on the context's thread and waits for it (directly when already there).
    bool onUiThread(const std::function<bool()>& fn);
    ui::Prompter& ui() const;

    QObject* context_;
    QPointer<QWidget> owner_;
    ui::Prompter* uiPrompter_;
    std::function<void(int)> progress_;
    std::function<void(const QString&)> log_;
    std::mutex mutex_;
    std::condition_variable answered_;
    bool aborted_ = false;
};

}  // namespace talvex::ui
