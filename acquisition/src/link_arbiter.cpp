#include "talvex/acquisition/link_arbiter.hpp"

namespace talvex::acquisition {

LinkHold& LinkHold::operator=(LinkHold&& o) noexcept {
    if (this != &o) {
        release();
        arbiter_ = o.arbiter_;
        kind_ = o.kind_;
        linkClosed_ = o.linkClosed_;
        operation_ = o.operation_;
        o.arbiter_ = nullptr;
    }
    return *this;
}

void LinkHold::release() {
    if (!arbiter_) return;
    arbiter_->release(*this);
    arbiter_ = nullptr;
}

int LinkArbiter::gate() const {
    std::lock_guard lock(mutex_);
    return gateOpen() ? 1 : 0;
}

void LinkArbiter::setLinkClosed(bool closed) {
    {
        std::lock_guard lock(mutex_);
        linkClosed_ = closed;
    }
    changed_.notify_all();
}

bool LinkArbiter::linkClosed() const {
    std::lock_guard lock(mutex_);
    return linkClosed_;
}

void LinkArbiter::connected() {
    {
        std::lock_guard lock(mutex_);
        linkClosed_ = false;
    }
    changed_.notify_all();
}

void LinkArbiter::disconnecting() {
    // Closed first, so the poller starts no further slot; then wait for the one under way.
    std::unique_lock lock(mutex_);
    linkClosed_ = true;
    changed_.wait(lock, [&] { return !pollerInside_; });
}

bool LinkArbiter::enterPoll() {
    std::lock_guard lock(mutex_);
    if (!gateOpen() || holds_ > 0) return false;
    pollerInside_ = true;
    return true;
}

void LinkArbiter::leavePoll() {
    {
        std::lock_guard lock(mutex_);
        pollerInside_ = false;
    }
    changed_.notify_all();
}

void LinkArbiter::waitPollerOut() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !pollerInside_; });
}

LinkHold LinkArbiter::hold(HoldKind kind) {
    std::unique_lock lock(mutex_);
    return holdLocked(kind, lock);
}

LinkHold LinkArbiter::tryHold(HoldKind kind) {
    std::unique_lock lock(mutex_);
    if (holds_ > 0) return {};
    return holdLocked(kind, lock);
}

LinkHold LinkArbiter::operation(HoldKind kind, std::string name, const std::function<bool()>& stop) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !operationRunning_ || (stop && stop()); });
    if (operationRunning_) return {};
    return operationLocked(kind, std::move(name), lock);
}

LinkHold LinkArbiter::tryOperation(HoldKind kind, std::string name, std::string* running) {
    std::unique_lock lock(mutex_);
    if (operationRunning_) {
        if (running) *running = operationName_;
        return {};
    }
    return operationLocked(kind, std::move(name), lock);
}

std::string LinkArbiter::runningOperation() const {
    std::lock_guard lock(mutex_);
    return operationRunning_ ? operationName_ : std::string();
}

LinkHold LinkArbiter::operationLocked(HoldKind kind, std::string name, std::unique_lock<std::mutex>& lock) {
    // The slot is taken before waiting for the poller: a second operation arriving meanwhile finds it.
    operationRunning_ = true;
    operationName_ = std::move(name);
    LinkHold h = holdLocked(kind, lock);
    h.operation_ = true;
    return h;
}

LinkHold LinkArbiter::holdLocked(HoldKind kind, std::unique_lock<std::mutex>& lock) {
    LinkHold h;
    h.arbiter_ = this;
    h.kind_ = kind;
    if (kind != HoldKind::Long) ++gateHolds_;
    ++holds_;
    if (kind != HoldKind::Pause) changed_.wait(lock, [&] { return !pollerInside_; });
    h.linkClosed_ = (kind == HoldKind::Standard || kind == HoldKind::Long) && linkClosed_;
    return h;
}

void LinkArbiter::release(const LinkHold& h) {
    {
        std::lock_guard lock(mutex_);
        if (h.kind_ != HoldKind::Long) --gateHolds_;
        --holds_;
        if (h.operation_) {
            operationRunning_ = false;
            operationName_.clear();
        }
    }
    changed_.notify_all();
}

}  // namespace talvex::acquisition
