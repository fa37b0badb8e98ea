// The link arbiter: who may send on the one Modbus link. The poller enters the link for one slot at
// a time while the poll gate is set; any other operation takes a hold, which saves and clears the
// gate and waits (a handshake, not a fixed pause) until the poller has left the link. Holds restore
// the gate they saved, so nested holds that end in reverse order leave it as it was. No thread is
// ever suspended.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace talvex::acquisition {

enum class HoldKind {
    Standard,  // page operations: check the link-closed flag, then send
    Light,     // history, CSV export, tree selection, language switch: no link-closed check
    Long,      // bus search: keeps the poller out without touching the gate
    // Tree selection, language switch: they send nothing, so they only keep the poller from
    // starting another slot and do not wait for the one under way (a silent sensor's time-out and
    // retry would freeze the window for seconds).
    Pause,
};

class LinkArbiter;

// RAII hold; releasing (or destroying) it restores the saved gate. Movable, so an operation that
// ends on another thread (an export's completion) can carry its hold there.
class LinkHold {
  public:
    LinkHold() = default;
    LinkHold(LinkHold&& o) noexcept { *this = std::move(o); }
    LinkHold& operator=(LinkHold&& o) noexcept;
    LinkHold(const LinkHold&) = delete;
    LinkHold& operator=(const LinkHold&) = delete;
    ~LinkHold() { release(); }

    void release();
    bool active() const { return arbiter_ != nullptr; }
    // Standard holds: the port was closed when the hold began; the operation must show its
    // "connect the port first" message instead of sending.
    bool linkClosed() const { return linkClosed_; }

  private:
    friend class LinkArbiter;
    LinkArbiter* arbiter_ = nullptr;
    HoldKind kind_ = HoldKind::Standard;
    int savedGate_ = 0;
    bool linkClosed_ = false;
};

class LinkArbiter {
  public:
    // Poll gate: non-zero while the poller may use the link. Set to 1 after the port opens, to 0
    // before it closes.
    void setGate(int value);
    int gate() const;
    void setLinkClosed(bool closed);
    bool linkClosed() const;

    // Opens the way for the poller after the port has opened: link-closed flag off, gate 1.
    void connected();
    // Before closing the port: gate 0, wait until the poller has left the link, link-closed flag on.
    void disconnecting();

    // Poller side: enter before a slot's requests (false when the gate is clear or a hold is
    // active: the cycle ends), leave after them.
    bool enterPoll();
    void leavePoll();
    // Blocks until the poller is not on the link.
    void waitPollerOut();

    // Takes the link from the poller; returns once the poller has left it.
    [[nodiscard]] LinkHold hold(HoldKind kind = HoldKind::Standard);
    // As hold(), unless another operation holds the link already: then an inactive hold at once.
    // Periodic exchanges (a handshake tick) use it so they never start inside another operation.
    [[nodiscard]] LinkHold tryHold(HoldKind kind = HoldKind::Standard);

    // Wakes waiters on gate changes (the poller's idle sleep uses it); returns false on timeout.
    template <class Rep, class Period, class Pred>
    bool waitFor(const std::chrono::duration<Rep, Period>& d, Pred pred) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, d, pred);
    }
    // Takes the lock first: a waiter between its predicate check and its sleep must not miss the wake.
    void wakeAll() {
        { std::lock_guard lock(mutex_); }
        changed_.notify_all();
    }

  private:
    friend class LinkHold;
    LinkHold holdLocked(HoldKind kind, std::unique_lock<std::mutex>& lock);
    void release(const LinkHold& h);

    mutable std::mutex mutex_;  // guards all state below
    std::condition_variable changed_;
    int gate_ = 0;
    bool linkClosed_ = true;
    bool pollerInside_ = false;
    int holds_ = 0;
};

}  // namespace talvex::acquisition
