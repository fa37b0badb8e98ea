// The page-side runner of sensor operations: nothing is sent on a closed link, questions are
// answered on the window's thread while the worker waits, cancel ends a wait at once.
#include <QSignalSpy>
#include <QTabWidget>
#include <QWidget>
#include <atomic>

#include "pages_fixture.hpp"
#include "talvex/device/procedures.hpp"
#include "talvex/rtu_register_io.hpp"
#include "talvex/testing/recording_register_io.hpp"
#include "talvex/ui/core/operation_runner.hpp"

namespace talvex::ui {
namespace {

using testing::SimulatedLink;
using testing::text;

class RunnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(link.opened);
        runner.setRegisterIo(&io);
    }
    // Runs op and waits (with the event loop turning) until it has finished; returns ran.
    bool runToEnd(SensorOperation op, OperationRunner::Options options = {}) {
        QSignalSpy finished(&runner, &OperationRunner::finished);
        bool ran = false;
        EXPECT_TRUE(runner.start(
            std::move(op), [&](bool r) { ran = r; }, options));
        EXPECT_TRUE(finished.wait(10000));
        return ran;
    }

    SimulatedLink link{1};
    QWidget owner;
    OperationRunner runner{&link.arbiter, &owner, &link.prompter};
    talvex::testing::Transcript transcript;
    talvex::testing::RecordingRegisterIo io{rtuRegisterIo(), transcript};
};

TEST_F(RunnerTest, ClosedLinkShowsConnectPortAndSendsNothing) {
    bool called = false;
    const bool ran = runToEnd([&](RegisterIo& rio, Pacer&, talvex::Prompter&) {
        called = true;
        rio.writeSingle(1, sensor::reg::kReset, sensor::kResetRestoreFactory);
    });
    EXPECT_FALSE(ran);
    EXPECT_FALSE(called);
    EXPECT_TRUE(transcript.lines().empty());
    EXPECT_TRUE(link.bus->writeLog(1).empty());
    EXPECT_EQ(link.prompter.messages, QStringList{text("IDD_Message_ConnectPort")});
}

TEST_F(RunnerTest, QuestionsAndMessagesAreShownOnTheWindowThreadWhileTheWorkerWaits) {
    link.connect();
    link.prompter.answers = {false, true};
    std::vector<bool> answers;
    const bool ran = runToEnd([&](RegisterIo& rio, Pacer& pacer, talvex::Prompter& p) {
        answers.push_back(p.question("first?"));
        answers.push_back(p.question("second?"));
        const auto r = device::sendCommand(rio, pacer, 1, 0x0410, std::chrono::milliseconds(200));
        p.message(r.done() ? "acknowledged" : "refused", talvex::Prompter::Icon::Stop);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(answers, (std::vector<bool>{false, true}));
    EXPECT_EQ(link.prompter.questions, (QStringList{"first?", "second?"}));
    EXPECT_EQ(link.prompter.messages, QStringList{"acknowledged"});
    EXPECT_EQ(link.prompter.captions, QStringList{text("IDS_Warning")});
    EXPECT_EQ(transcript.lines(), (std::vector<std::string>{"W 1 160 0x0410", "R 1 160 1"}));
}

TEST_F(RunnerTest, CancelEndsAWaitAtOnceAndOnlyOneOperationRunsAtATime) {
    link.connect();
    std::atomic<bool> waiting{false};
    device::Outcome outcome = device::Outcome::Done;
    QSignalSpy finished(&runner, &OperationRunner::finished);
    ASSERT_TRUE(runner.start([&](RegisterIo&, Pacer& pacer, talvex::Prompter&) {
        waiting = true;
        outcome = pacer.pause(std::chrono::seconds(60)) ? device::Outcome::Done : device::Outcome::Cancelled;
    }));
    EXPECT_FALSE(runner.start([](RegisterIo&, Pacer&, talvex::Prompter&) {})) << "one at a time";
    QTRY_VERIFY(waiting.load());
    runner.cancel();
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(outcome, device::Outcome::Cancelled);
    EXPECT_FALSE(runner.busy());
}

// Two pages start a three-step write each at once. Refused: only the first one's steps reach the
// sensor, and the second page is told which tab holds the link. Waiting: the second one's steps
// follow the first one's whole, never between them.
class TwoPagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(link.opened);
        tabs.addTab(records, "Records");
        tabs.addTab(device, "Device parameters");
        link.connect();
        link.bus->clearWriteLog(1);
    }
    static SensorOperation steps(std::uint16_t first) {
        return [first](RegisterIo& io, Pacer& pacer, talvex::Prompter&) {
            for (std::uint16_t i = 0; i < 3; ++i)
                if (device::writeThenPause(io, pacer, 1,
                                           static_cast<std::uint16_t>(sensor::reg::kStaging1 + i),
                                           static_cast<std::uint16_t>(first + i)) != Outcome::Done)
                    return;
        };
    }
    std::vector<std::uint16_t> staged() const {
        std::vector<std::uint16_t> v;
        for (const auto& w : link.bus->writeLog(1)) v.push_back(w.values.at(0));
        return v;
    }
    // Starts both at once and waits for both to end; returns what each was told.
    void runBoth(OperationRunner::Options options) {
        QSignalSpy firstDone(&first, &OperationRunner::finished),
            secondDone(&second, &OperationRunner::finished);
        ASSERT_TRUE(first.start(steps(1), {}, options));
        ASSERT_TRUE(second.start(steps(11), {}, options));
        ASSERT_TRUE(firstDone.wait(10000));
        ASSERT_TRUE(secondDone.count() > 0 || secondDone.wait(10000));
    }

    SimulatedLink link{1};
    QTabWidget tabs;
    QWidget* records = new QWidget;
    QWidget* device = new QWidget;
    OperationRunner first{&link.arbiter, records, &link.prompter};
    OperationRunner second{&link.arbiter, device, &link.prompter};
};

TEST_F(TwoPagesTest, ASecondOperationIsRefusedNamingTheFirstAndSendsNothing) {
    runBoth({});
    const auto sent = staged();
    const std::vector<std::uint16_t> firstOnly{1, 2, 3}, secondOnly{11, 12, 13};
    ASSERT_TRUE(sent == firstOnly || sent == secondOnly) << ::testing::PrintToString(sent);
    const QString holder = sent == firstOnly ? "Records" : "Device parameters";
    EXPECT_EQ(link.prompter.messages,
              QStringList{QString::fromStdString(GetTextWith("IDS_Operation_Busy", {holder.toStdString()}))});
    EXPECT_TRUE(link.prompter.messages.value(0).startsWith("Another operation is running: " + holder));
    EXPECT_EQ(link.arbiter.runningOperation(), "");
}

TEST_F(TwoPagesTest, AWaitingOperationFollowsTheFirstWholeOrEndsOnStop) {
    OperationRunner::Options wait;
    wait.waitIfBusy = true;
    runBoth(wait);
    const auto sent = staged();
    const std::vector<std::uint16_t> oneThenTwo{1, 2, 3, 11, 12, 13}, twoThenOne{11, 12, 13, 1, 2, 3};
    EXPECT_TRUE(sent == oneThenTwo || sent == twoThenOne) << ::testing::PrintToString(sent);
    EXPECT_TRUE(link.prompter.messages.isEmpty());

    // Stop on the waiting page ends its wait: it never sends.
    link.bus->clearWriteLog(1);
    QSignalSpy firstDone(&first, &OperationRunner::finished), secondDone(&second, &OperationRunner::finished);
    std::atomic<bool> holding{false};
    ASSERT_TRUE(first.start([&](RegisterIo&, Pacer& pacer, talvex::Prompter&) {
        holding = true;
        pacer.pause(std::chrono::seconds(60));
    }));
    QTRY_VERIFY(holding.load());
    bool secondRan = true;
    ASSERT_TRUE(second.start(
        steps(21), [&](bool ran) { secondRan = ran; }, wait));
    second.cancel();
    ASSERT_TRUE(secondDone.wait(5000));
    EXPECT_FALSE(secondRan);
    first.cancel();
    ASSERT_TRUE(firstDone.wait(5000));
    EXPECT_TRUE(staged().empty());
}

}  // namespace
}  // namespace talvex::ui
