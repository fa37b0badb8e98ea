// How each wizard operation ended, as the page and talvex-cli learn it from the operation itself:
// done only when the sensor confirmed, a communication failure (a lost request, a closed port),
// a refusal (the sensor's answer, or nothing to send for the wizard's step or the reference), or
// cancelled (the operator said no, or the operation was stopped in a pause).
#include <functional>

#include "wizard_support.hpp"

namespace talvex::calibration::test {
namespace {

using enum CalibrationType;
using reg::kCalCommand1, reg::kCalCommand2, reg::kCalClear;

TEST(WizardOutcome, EachOperationReportsHowItEnded) {
    const auto readInOil = [](WizardBench& b) {
        b.choose(InOil);
        return b.wizard.read(b.ctx);
    };
    const auto calibrateInOil = [](WizardBench& b, const char* reference) {
        b.readDone(InOil);
        return b.wizard.calibrate(b.ctx, reference);
    };
    struct Case {
        const char* name;
        std::function<Outcome(WizardBench&)> run;
        Outcome expected;
    } cases[] = {
        {"read", readInOil, Outcome::Done},
        {"read without a point chosen", [](WizardBench& b) { return b.wizard.read(b.ctx); },
         Outcome::Refused},
        {"read on a closed port",
         [&](WizardBench& b) {
             b.ctx.connected = false;
             return readInOil(b);
         },
         Outcome::CommunicationFailure},
        {"read whose start command is lost",
         [&](WizardBench& b) {
             b.sensor.failWrites.insert(kCalCommand1);
             return readInOil(b);
         },
         Outcome::CommunicationFailure},
        {"read the sensor refuses",
         [&](WizardBench& b) {
             b.sensor.queued[kCalCommand1] = {reg::kRefusedBusy};
             return readInOil(b);
         },
         Outcome::Refused},
        {"read stopped in its pause",
         [&](WizardBench& b) {
             b.choose(InOil);
             b.pacer.cancel();
             return b.wizard.read(b.ctx);
         },
         Outcome::Cancelled},
        {"calibrate",
         [&](WizardBench& b) {
             b.sensor.queued[kCalCommand2] = {0};
             return calibrateInOil(b, "1850");
         },
         Outcome::Done},
        {"calibrate the sensor refuses",
         [&](WizardBench& b) {
             b.sensor.queued[kCalCommand2] = {403};
             return calibrateInOil(b, "1850");
         },
         Outcome::Refused},
        {"calibrate with a reference that is no value",
         [&](WizardBench& b) { return calibrateInOil(b, "1850ppm"); }, Outcome::Refused},
        {"calibrate whose command is lost",
         [&](WizardBench& b) {
             b.sensor.failWrites.insert(kCalCommand2);
             return calibrateInOil(b, "1850");
         },
         Outcome::CommunicationFailure},
        {"clear the operator declines",
         [](WizardBench& b) {
             b.prompter.answers = {false};
             return b.wizard.clear(b.ctx);
         },
         Outcome::Cancelled},
        {"clear",
         [](WizardBench& b) {
             b.prompter.answers = {true};
             return b.wizard.clear(b.ctx);
         },
         Outcome::Done},
        {"clear whose command is lost",
         [](WizardBench& b) {
             b.prompter.answers = {true};
             b.sensor.failWrites.insert(kCalClear);
             return b.wizard.clear(b.ctx);
         },
         Outcome::CommunicationFailure},
        {"laboratory mode the operator declines",
         [](WizardBench& b) {
             b.prompter.answers = {false};
             return b.wizard.selectType(indexOf(InOilLab), b.ctx);
         },
         Outcome::Cancelled},
        {"laboratory mode the sensor does not confirm",
         [](WizardBench& b) {
             b.prompter.answers = {true};
             b.sensor.queued[reg::kRunMode] = {kNormalRunMode};
             return b.wizard.selectType(indexOf(InOilLab), b.ctx);
         },
         Outcome::Refused},
        {"handshake tick on a closed port",
         [](WizardBench& b) {
             b.choose(Wireless);
             b.wizard.read(b.ctx);
             EXPECT_TRUE(b.s().handshakeRunning);
             b.ctx.connected = false;
             return b.wizard.handshakeTick(b.ctx);
         },
         Outcome::CommunicationFailure},
    };
    for (const auto& c : cases) {
        WizardBench b;
        EXPECT_EQ(c.run(b), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace talvex::calibration::test
