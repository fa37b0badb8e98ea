// The page-side runner of sensor operations: nothing is sent on a closed link, questions are
// answered on the window's thread while the worker waits, cancel ends a wait at once.
#include <QSignalSpy>
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

}  // namespace
}  // namespace talvex::ui
