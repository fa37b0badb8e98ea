#include "calibration/ui/worker_prompter.hpp"

#include <QMetaObject>
#include <QThread>

#include "acquisition/ui/prompter.hpp"

namespace talvex::ui {

WorkerPrompter::WorkerPrompter(QWidget* owner, ui::Prompter& prompter,
                               std::function<void(const QString&)> log)
    : owner_(owner), prompter_(prompter), log_(std::move(log)) {}

void WorkerPrompter::onUiThread(const std::function<void()>& fn) {
    if (!owner_) return;
    if (QThread::currentThread() == owner_->thread())
        fn();
    else
        QMetaObject::invokeMethod(owner_, fn, Qt::BlockingQueuedConnection);
}

void WorkerPrompter::message(const std::string& text, Icon icon) {
    const QString t = QString::fromStdString(text);
    const QString caption = icon == Icon::Warning ? tr_("IDS_Warning") : QString();
    onUiThread([&] { prompter_.message(owner_, t, caption); });
}

bool WorkerPrompter::question(const std::string& text) {
    bool ok = false;
    const QString t = QString::fromStdString(text);
    onUiThread([&] { ok = prompter_.question(owner_, t); });
    return ok;
}

void WorkerPrompter::log(const std::string& line) {
    if (!owner_ || !log_) return;
    QMetaObject::invokeMethod(
        owner_, [log = log_, l = QString::fromStdString(line)] { log(l + QStringLiteral("\r\n")); },
        Qt::QueuedConnection);
}

}  // namespace talvex::ui
