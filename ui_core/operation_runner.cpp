#include "talvex/ui/core/operation_runner.hpp"

#include <QPushButton>
#include <QTabWidget>
#include <QWidget>
#include <atomic>

#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"
#include "talvex/ui/core/link_worker.hpp"
#include "talvex/ui/core/qt_prompter.hpp"
#include "talvex/ui/main_window.hpp"

namespace talvex::ui {

// The pauses of one run: real time, or a test's pacer; cancel() ends either at once.
class OperationRunner::RunPacer : public Pacer {
  public:
    explicit RunPacer(Pacer* inner) : inner_(inner) {}
    bool pause(std::chrono::milliseconds d) override {
        if (cancelled_) return false;
        const bool ok = inner_ ? inner_->pause(d) : steady_.pause(d);
        return ok && !cancelled_;
    }
    bool cancelled() const override { return cancelled_ || (inner_ && inner_->cancelled()); }
    std::int64_t nowMs() const override { return inner_ ? inner_->nowMs() : steady_.nowMs(); }
    void cancel() {
        cancelled_ = true;
        steady_.cancel();
    }

  private:
    Pacer* inner_;
    SteadyPacer steady_;
    std::atomic<bool> cancelled_{false};
};

OperationRunner::OperationRunner(acquisition::LinkArbiter* arbiter, QWidget* owner, Prompter* uiPrompter)
    : QObject(owner), arbiter_(arbiter), owner_(owner) {
    worker_ = new LinkWorker(this);
    bridge_ = std::make_unique<QtPrompter>(this, owner, uiPrompter);
}

OperationRunner::~OperationRunner() {
    cancel();
    bridge_->abort();
    worker_->wait();
}

void OperationRunner::setProgress(std::function<void(int)> progress) {
    bridge_->setProgress(std::move(progress));
}

void OperationRunner::setLog(std::function<void(const QString&)> log) {
    bridge_->setLog(std::move(log));
}

bool OperationRunner::busy() const {
    return worker_->busy();
}

void OperationRunner::wait() {
    worker_->wait();
}

void OperationRunner::cancel() {
    if (!running_) return;
    running_->cancel();
    if (arbiter_) arbiter_->wakeAll();  // an operation waiting for the link stops waiting
}

std::string operationNameOf(const QWidget* owner) {
    // The tab the owner sits on names it, as the user knows it.
    for (const QWidget* w = owner; w; w = w->parentWidget()) {
        for (QWidget* up = w->parentWidget(); up; up = up->parentWidget()) {
            if (auto* tabs = qobject_cast<QTabWidget*>(up)) {
                const int index = tabs->indexOf(const_cast<QWidget*>(w));
                if (index >= 0) return tabs->tabText(index).remove(QLatin1Char('&')).toStdString();
                break;
            }
        }
    }
    return owner ? owner->windowTitle().toStdString() : std::string();
}

std::string operationBusyText(const std::string& running) {
    return running.empty() ? GetText("IDS_Operation_BusyUnnamed")
                           : GetTextWith("IDS_Operation_Busy", {running});
}

void OperationRunner::sensorChanged() {
    if (endOnSensorChange_) cancel();
}

void OperationRunner::attachToWindow(CMorvaneDlg* window) {
    if (!window) return;
    connect(window->connectButton(), &QPushButton::clicked, this, &OperationRunner::cancel);
    connect(window, &CMorvaneDlg::selectedSensorChanged, this, &OperationRunner::sensorChanged);
}

bool OperationRunner::start(SensorOperation op, std::function<void(bool)> done, Options options) {
    const Options& o = options;
    return run(
        [op = std::move(op), key = o.closedLinkKey, warn = o.closedLinkWarning](
            RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, bool linkOpen) {
            if (!linkOpen) {
                prompter.message(GetText(key), warn ? talvex::Prompter::Icon::Warning
                                                    : talvex::Prompter::Icon::Information);
                return false;
            }
            op(io, pacer, prompter);
            return true;
        },
        std::move(done), options);
}

bool OperationRunner::startOnLink(LinkOperation op, std::function<void(bool)> done, Options options) {
    return run(
        [op = std::move(op)](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter, bool linkOpen) {
            op(io, pacer, prompter, linkOpen);
            return true;
        },
        std::move(done), options);
}

bool OperationRunner::run(HeldOperation op, std::function<void(bool)> done, const Options& options) {
    if (worker_->busy()) return false;
    auto pacer = std::make_shared<RunPacer>(pacer_);
    running_ = pacer;
    endOnSensorChange_ = options.endOnSensorChange;
    bridge_->reset();
    RegisterIo* io = io_ ? io_ : &rtuRegisterIo();
    talvex::Prompter* prompter = prompter_ ? prompter_ : bridge_.get();
    auto* arbiter = arbiter_;
    auto ran = std::make_shared<bool>(false);
    const std::string name = options.name.empty() ? operationNameOf(owner_) : options.name;
    const bool accepted = worker_->run(
        [op = std::move(op), pacer, io, prompter, arbiter, ran, options, name] {
            acquisition::LinkHold hold;
            if (arbiter && options.hold == acquisition::HoldKind::Pause) {
                hold = arbiter->hold(options.hold);
            } else if (arbiter && options.waitIfBusy) {
                hold = arbiter->operation(options.hold, name, [&pacer] { return pacer->cancelled(); });
                if (!hold.active()) return;  // stopped while another operation held the link
            } else if (arbiter) {
                std::string running;
                hold = arbiter->tryOperation(options.hold, name, &running);
                if (!hold.active()) {
                    if (options.quietWhenBusy) return;
                    prompter->message(operationBusyText(running), talvex::Prompter::Icon::Warning);
                    return;
                }
            }
            // Seen once the hold is taken, not by the page before it: a port closed while this
            // operation waited for the link or the poller is seen here.
            const bool linkOpen = !arbiter || !hold.linkClosed();
            *ran = op(*io, *pacer, *prompter, linkOpen);
        },
        [this, done = std::move(done), ran] {
            endOnSensorChange_ = false;
            if (done) done(*ran);
            emit finished();
        });
    if (accepted) emit started();
    return accepted;
}

}  // namespace talvex::ui
