// The link arbiter: gate save/restore, nesting, and the hand-shake with the poller.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <string>
#include <thread>

#include "talvex/acquisition/link_arbiter.hpp"

namespace talvex::acquisition {
namespace {

TEST(LinkArbiter, NestedHoldsRestoreTheGateInReverseOrder) {
    LinkArbiter a;
    a.connected();
    {
        LinkHold outer = a.hold(HoldKind::Standard);
        EXPECT_EQ(a.gate(), 0);
        {
            LinkHold inner = a.hold(HoldKind::Light);
            EXPECT_FALSE(a.enterPoll());
        }
        EXPECT_EQ(a.gate(), 0);
        EXPECT_FALSE(a.enterPoll());
    }
    EXPECT_EQ(a.gate(), 1);
    EXPECT_TRUE(a.enterPoll());
    a.leavePoll();
}

// Every order of two holds' starts and ends, a connect and a disconnect: once the holds have ended,
// the gate is open exactly when the last of connect/disconnect was a connect, and while either hold
// lasts the poller stays out. (A gate saved and restored by each hold got this wrong for holds that
// outlive a disconnect, start before a connect, or end out of order.)
TEST(LinkArbiter, GateFollowsConnectionAndHoldsInAnyOrder) {
    std::string events = "ABabcd";  // A/B start a hold, a/b end it, c connects, d disconnects
    std::sort(events.begin(), events.end());
    do {
        if (events.find('A') > events.find('a') || events.find('B') > events.find('b')) continue;
        for (bool startConnected : {false, true}) {
            SCOPED_TRACE(events + (startConnected ? " (connected first)" : ""));
            LinkArbiter arb;
            if (startConnected) arb.connected();
            LinkHold a, b;
            int outstanding = 0;
            for (char e : events) {
                switch (e) {
                    case 'A':
                        a = arb.hold(HoldKind::Light), ++outstanding;
                        break;
                    case 'B':
                        b = arb.hold(HoldKind::Standard), ++outstanding;
                        break;
                    case 'a':
                        a.release(), --outstanding;
                        break;
                    case 'b':
                        b.release(), --outstanding;
                        break;
                    case 'c':
                        arb.connected();
                        break;
                    case 'd':
                        arb.disconnecting();
                        break;
                }
                if (outstanding > 0) {
                    EXPECT_EQ(arb.gate(), 0);
                    EXPECT_FALSE(arb.enterPoll());
                }
            }
            const bool connected = events.find('c') > events.find('d');
            EXPECT_EQ(arb.gate(), connected ? 1 : 0);
            EXPECT_EQ(arb.linkClosed(), !connected);
            EXPECT_EQ(arb.enterPoll(), connected);
            if (connected) arb.leavePoll();
        }
    } while (std::next_permutation(events.begin(), events.end()));
}

TEST(LinkArbiter, LongHoldKeepsTheGateButBlocksThePoller) {
    LinkArbiter a;
    a.connected();
    {
        LinkHold search = a.hold(HoldKind::Long);
        EXPECT_EQ(a.gate(), 1);
        EXPECT_FALSE(a.enterPoll());
    }
    EXPECT_TRUE(a.enterPoll());
    a.leavePoll();
}

TEST(LinkArbiter, StandardAndLongHoldsReportAClosedLink) {
    LinkArbiter a;
    EXPECT_TRUE(a.linkClosed());
    EXPECT_TRUE(a.hold(HoldKind::Standard).linkClosed());
    EXPECT_TRUE(a.hold(HoldKind::Long).linkClosed()) << "the bus search sends";
    EXPECT_FALSE(a.hold(HoldKind::Light).linkClosed());
    a.connected();
    EXPECT_FALSE(a.hold(HoldKind::Standard).linkClosed());
    // The released hold gave the gate back: the poller may enter again.
    EXPECT_TRUE(a.enterPoll());
    a.leavePoll();
    a.disconnecting();
    EXPECT_EQ(a.gate(), 0);
    EXPECT_TRUE(a.linkClosed());
}

TEST(LinkArbiter, HoldWaitsUntilThePollerLeaves) {
    LinkArbiter a;
    a.connected();
    ASSERT_TRUE(a.enterPoll());
    std::atomic<bool> held{false};
    auto holder = std::async(std::launch::async, [&] {
        LinkHold h = a.hold();
        held = true;
    });
    // The hold has cleared the gate but must not be granted while the poller is inside.
    while (a.gate() != 0) std::this_thread::yield();
    EXPECT_FALSE(held.load());
    a.leavePoll();
    holder.get();
    EXPECT_TRUE(held.load());
    EXPECT_EQ(a.gate(), 1);
}

TEST(LinkArbiter, PauseHoldDoesNotWaitForTheSlotUnderWayButKeepsTheNextOneOut) {
    LinkArbiter a;
    a.connected();
    ASSERT_TRUE(a.enterPoll());  // a slot under way, perhaps waiting out a silent sensor
    {
        LinkHold pause = a.hold(HoldKind::Pause);  // returns at once on this thread
        EXPECT_TRUE(pause.active());
        EXPECT_EQ(a.gate(), 0);
        a.leavePoll();
        EXPECT_FALSE(a.enterPoll());
    }
    EXPECT_EQ(a.gate(), 1);
    EXPECT_TRUE(a.enterPoll());
    a.leavePoll();
}

TEST(LinkArbiter, MovedHoldReleasesOnce) {
    LinkArbiter a;
    a.connected();
    LinkHold h = a.hold();
    LinkHold moved = std::move(h);
    EXPECT_FALSE(h.active());
    h.release();
    EXPECT_EQ(a.gate(), 0);
    moved.release();
    EXPECT_EQ(a.gate(), 1);
}

}  // namespace
}  // namespace talvex::acquisition

namespace talvex::acquisition {
namespace {

TEST(LinkArbiter, TryHoldRefusesWhileAnotherOperationHoldsTheLink) {
    LinkArbiter a;
    a.connected();
    {
        LinkHold page = a.hold();
        LinkHold tick = a.tryHold();
        EXPECT_FALSE(tick.active());
        EXPECT_EQ(a.gate(), 0);
    }
    EXPECT_EQ(a.gate(), 1);  // the refused try left the gate to the hold that saved it
    LinkHold tick = a.tryHold();
    EXPECT_TRUE(tick.active());
    EXPECT_FALSE(tick.linkClosed());
    EXPECT_EQ(a.gate(), 0);
}

}  // namespace
}  // namespace talvex::acquisition

namespace talvex::acquisition {
namespace {

// One operation at a time: a second one is refused with the first's name, or waits for it and is
// let go by its stop; Pause holds and plain holds take no operation slot, and the poller stays out
// while an operation runs.
TEST(LinkArbiter, OperationsExcludeEachOtherButNotPauses) {
    LinkArbiter a;
    a.connected();
    LinkHold read = a.operation(HoldKind::Standard, "Records");
    EXPECT_TRUE(read.active());
    EXPECT_EQ(a.runningOperation(), "Records");
    EXPECT_FALSE(a.enterPoll());

    std::string running;
    LinkHold write = a.tryOperation(HoldKind::Standard, "Device parameters", &running);
    EXPECT_FALSE(write.active());
    EXPECT_EQ(running, "Records");
    LinkHold pause = a.hold(HoldKind::Pause);  // tree selection and language switch never wait
    EXPECT_TRUE(pause.active());
    pause.release();

    // A waiting operation goes on once the first ends...
    std::atomic<bool> stop{false};
    auto waiting = std::async(std::launch::async, [&] {
        LinkHold h = a.operation(HoldKind::Standard, "Device parameters", [&] { return stop.load(); });
        return h.active() ? a.runningOperation() : std::string("stopped");
    });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    EXPECT_EQ(a.runningOperation(), "Records");
    read.release();
    EXPECT_EQ(waiting.get(), "Device parameters");
    EXPECT_EQ(a.runningOperation(), "");
    EXPECT_EQ(a.gate(), 1);

    // ...and a stopped wait ends without the link.
    LinkHold again = a.operation(HoldKind::Light, "Records");
    auto stopped = std::async(std::launch::async, [&] {
        LinkHold h = a.operation(HoldKind::Standard, "Calibration", [&] { return stop.load(); });
        return h.active();
    });
    stop = true;
    a.wakeAll();
    EXPECT_FALSE(stopped.get());
    EXPECT_EQ(a.runningOperation(), "Records");
    LinkHold moved = std::move(again);  // the slot travels with the hold
    EXPECT_FALSE(a.tryOperation(HoldKind::Standard, "x").active());
    moved.release();
    EXPECT_TRUE(a.tryOperation(HoldKind::Standard, "x").active());
}

}  // namespace
}  // namespace talvex::acquisition
