// The link arbiter: who may send on the one Modbus link. The poller enters the link for one slot at
// a time while the poll gate is set; any other operation takes a hold, which clears the gate and
// waits (a handshake, not a fixed pause) until the poller has left the link. The gate is not a stored
// value that holds save and restore: it is open exactly while the port is connected and no hold that
// closes it is outstanding, so no order of hold releases, connects and disconnects can leave it open
// on a closed port or closed on an idle open one. No thread is ever suspended.
//
// Sensor operations are exclusive on top of that: the Qt-free cores take their steps one request at a
// time, so two operations from two front ends (two tabs, a tab and a wizard tick) would otherwise
// interleave their multi-step procedures on the one sensor. An operation hold occupies the link's one
// operation slot for its whole run; a second one either waits for the slot or is refused at once,
// told what holds it. Pause holds and plain holds (CSV export, which sends nothing) take no slot.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace talvex::acquisition {

enum class HoldKind {
    Standard,  // page operations: check the link-closed flag, then send
    Light,     // history, CSV export, tree selection, language switch: no link-closed check
    Long,      // bus search: keeps the poller out without touching the gate; checks the flag too
    // Tree selection, language switch: they send nothing, so they only keep the poller from
    // starting another slot and do not wait for the one under way (a silent sensor's time-out and
    // retry would freeze the window for seconds).
    Pause,
};

class LinkArbiter;

// RAII hold; releasing (or destroying) it reopens the gate once no other hold keeps it closed. Movable, so an
// operation that ends on another thread (an export's completion) can carry its hold there.
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
    // Standard and long holds: the port was closed when the hold began; the operation must show its
    // "connect the port first" message instead of sending.
    bool linkClosed() const { return linkClosed_; }

  private:
    friend class LinkArbiter;
    LinkArbiter* arbiter_ = nullptr;
    HoldKind kind_ = HoldKind::Standard;
    bool linkClosed_ = false;
    bool operation_ = false;  // holds the operation slot
};

class LinkArbiter {
  public:
    // Poll gate: 1 while the poller may use the link (connected, no gate-closing hold), else 0.
    int gate() const;
    // The link-closed flag without waiting for the poller (disconnecting() waits); closes the gate too.
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

    // An operation hold: the link's one operation slot as well as a hold of kind (not Pause). Waits
    // while another operation holds the slot; returns an inactive hold if stop() turns true meanwhile
    // (call wakeAll() after setting what stop() reads). name says what runs, for a second operation's
    // refusal.
    [[nodiscard]] LinkHold operation(HoldKind kind, std::string name, const std::function<bool()>& stop = {});
    // As operation(), but refused at once (an inactive hold) while another operation runs; running
    // then receives that operation's name.
    [[nodiscard]] LinkHold tryOperation(HoldKind kind, std::string name, std::string* running = nullptr);
    // The name of the operation holding the slot; empty when none does.
    std::string runningOperation() const;

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
    LinkHold operationLocked(HoldKind kind, std::string name, std::unique_lock<std::mutex>& lock);
    void release(const LinkHold& h);

    mutable std::mutex mutex_;  // guards all state below
    std::condition_variable changed_;
    bool gateOpen() const { return !linkClosed_ && gateHolds_ == 0; }

    bool linkClosed_ = true;
    bool pollerInside_ = false;
    int holds_ = 0;      // every hold keeps the poller out
    int gateHolds_ = 0;  // holds other than Long also close the gate
    bool operationRunning_ = false;
    std::string operationName_;
};

}  // namespace talvex::acquisition
