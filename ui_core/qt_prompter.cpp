#include "talvex/ui/core/qt_prompter.hpp"

#include <QMetaObject>
#include <QThread>
#include <memory>

#include "talvex/language.hpp"
#include "talvex/ui/prompter.hpp"

namespace talvex::ui {

QtPrompter::QtPrompter(QObject* context, QWidget* owner, ui::Prompter* uiPrompter)
    : context_(context), owner_(owner), uiPrompter_(uiPrompter) {}

ui::Prompter& QtPrompter::ui() const {
    return uiPrompter_ ? *uiPrompter_ : activePrompter();
}

bool QtPrompter::onUiThread(const std::function<bool()>& fn) {
    if (QThread::currentThread() == context_->thread()) return fn();
    struct Call {
        bool done = false;
        bool result = false;
    };
    auto call = std::make_shared<Call>();
    {
        std::lock_guard lock(mutex_);
        if (aborted_) return false;
    }
    QMetaObject::invokeMethod(
        context_,
        [this, call, fn] {
            {
                std::lock_guard lock(mutex_);
                if (aborted_) return;  // the worker has stopped waiting
            }
            const bool result = fn();
            {
                std::lock_guard lock(mutex_);
                call->result = result;
                call->done = true;
            }
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return call->done || aborted_; });
    return call->done && call->result;
}

void QtPrompter::message(const std::string& text, Icon icon) {
    const QString caption =
        icon == Icon::Information ? QString() : QString::fromStdString(GetText("IDS_Warning"));
    const auto shown = icon == Icon::Stop          ? ui::Prompter::Icon::Stop
                       : icon == Icon::Information ? ui::Prompter::Icon::Information
                                                   : ui::Prompter::Icon::Warning;
    onUiThread([this, text = QString::fromStdString(text), caption, shown] {
        ui().message(owner_, text, caption, shown);
        return true;
    });
}

bool QtPrompter::question(const std::string& text) {
    return onUiThread([this, text = QString::fromStdString(text)] { return ui().question(owner_, text); });
}

bool QtPrompter::retry(const std::string& text) {
    return onUiThread([this, text = QString::fromStdString(text)] { return ui().retry(owner_, text); });
}

void QtPrompter::progress(int percent) {
    if (!progress_) return;
    QMetaObject::invokeMethod(
        context_, [fn = progress_, percent] { fn(percent); }, Qt::QueuedConnection);
}

void QtPrompter::log(const std::string& line) {
    if (!log_) return;
    QMetaObject::invokeMethod(
        context_, [fn = log_, text = QString::fromStdString(line)] { fn(text); }, Qt::QueuedConnection);
}

void QtPrompter::abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
    }
    answered_.notify_all();
}

void QtPrompter::reset() {
    std::lock_guard lock(mutex_);
    aborted_ = false;
}

}  // namespace talvex::ui
