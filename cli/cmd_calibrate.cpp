// talvex-cli calibrate: the calibration wizard from a script. Step 3 (start and read), Step 4 with the
// reference, both points for a two-point run, or the clear of a type; every box of the wizard is
// printed on stderr as it would appear, the measured values on stdout.
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli_prompter.hpp"
#include "cli_text.hpp"
#include "command.hpp"
#include "command_start.hpp"
#include "port_option.hpp"
#include "talvex/calibration/wizard/calibration_registers.hpp"
#include "talvex/calibration/wizard/calibration_wizard.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"
#include "talvex/rtu_register_io.hpp"

namespace talvex::cli {
namespace {

using namespace talvex::calibration;

int fail(const std::string& text, int code) {
    std::fprintf(stderr, "talvex-cli calibrate: %s\n", text.c_str());
    return code;
}

// --dry-run: a sensor that takes every piece at once. Writes are printed as "REG 0xVALUE"; reads
// answer what an accepting sensor reads back, so the whole run can be shown without a port.
class DryRunIo : public RegisterIo {
  public:
    int readHolding(int, int address, int count, std::uint16_t* values) override {
        for (int i = 0; i < count; ++i) values[i] = answer(address + i);
        return 0;
    }
    int writeSingle(int, int address, std::uint16_t value) override {
        std::printf("%d 0x%04X\n", address, value);
        regs_[address] = value;
        lastWrite_ = address;
        return 0;
    }
    int writeMultiple(int, int, int, const std::uint16_t*) override { return 0; }
    int startHistoryOutput(int) override { return 0; }
    int readBytes(std::uint8_t*, int) override { return 0; }
    bool isOpen() const override { return true; }

  private:
    std::uint16_t answer(int address) {
        const std::uint16_t v = regs_[address];
        if (address == reg::kCalCommand1 || address == reg::kCalCommand2) {
            if (v == reg::kGasPointCalibrate) return reg::kGasPointDone;
            if (address == reg::kCalCommand2 && v != reg::kStartGasPoint) return reg::kInOilDone;
            return v;
        }
        if (address == reg::kRunMode) return static_cast<std::uint16_t>(v << 4);
        if (address == reg::kStatusWord) {
            // CAL_Status as a wireless sensor shows it once it has taken the last piece.
            unsigned status = 0;
            switch (lastWrite_) {
                case reg::kCalCommand1:
                    status = 1;
                    break;
                case reg::kReferenceFirst:
                    status = 4;
                    break;
                case reg::kReferenceSecond:
                    status = 5;
                    break;
                case reg::kCalMonthDay:
                    status = 6;
                    break;
                case reg::kCalYear:
                    status = 7;
                    break;
                case reg::kCalCommand2:
                    status = 2;
                    break;
                case reg::kCalClear:
                    status = 3;
                    break;
                default:
                    break;
            }
            return static_cast<std::uint16_t>(status << 3);
        }
        return v;
    }
    std::map<int, std::uint16_t> regs_;
    int lastWrite_ = -1;
};

struct Run {
    CalibrationWizard& wizard;
    WizardContext& ctx;
    CliPrompter& prompter;
    bool json;
    std::vector<std::string> measured;
    // How the run went wrong, if it did: a communication failure outweighs anything else.
    Outcome failure = Outcome::Done;

    void met(Outcome o) {
        if (failure == Outcome::Done || o == Outcome::CommunicationFailure) failure = o;
    }
    // Ticks the wireless handshake every 2 s until it ends (or, for the start, until Step 3).
    void handshake() {
        while (wizard.state().handshakeRunning && ctx.pacer.pause(kHandshakePeriod))
            if (const Outcome o = wizard.handshakeTick(ctx); o != Outcome::Done) met(o);
    }
    // Step 3; false when it did not reach Step 4.
    bool read() {
        if (const Outcome o = wizard.read(ctx); o != Outcome::Done) met(o);
        handshake();
        if (wizard.state().wizardStep != 3) return false;
        measured.push_back(wizard.state().measuredText);
        if (!json) std::printf("measured %s\n", wizard.state().measuredText.c_str());
        std::fflush(stdout);
        return prompter.waitForEnter(GetText("IDS_Cli_PressEnterToCalibrate"));
    }
    void calibrate(const std::string& reference) {
        if (const Outcome o = wizard.calibrate(ctx, reference); o != Outcome::Done) met(o);
        handshake();
    }
};

int runCalibrate(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parse(words,
                                  OptionTable{{{"port"},
                                               {"baud"},
                                               {"id"},
                                               {"type"},
                                               {"points"},
                                               {"reference"},
                                               {"reference2"},
                                               {"clear", false},
                                               {"yes", false},
                                               {"dry-run", false},
                                               {"json", false}}},
                                  error);
    if (!args) return fail(error, 2);
    const long id = args->number("id", error).value_or(-1);
    if (!error.empty()) return fail(error, 2);
    if (id < 1 || id > 247) return fail(GetText("IDS_Cli_Calibrate_BadId"), 2);
    const auto typeName = args->value("type");
    const auto type = typeName ? typeFromCliName(*typeName) : std::nullopt;
    if (!type) return fail(GetText("IDS_Cli_Calibrate_BadType"), 2);
    const bool clear = args->has("clear");
    long points = 1;
    if (clear) {
        if (args->has("points") || args->has("reference") || args->has("reference2"))
            return fail(GetText("IDS_Cli_Calibrate_ClearAlone"), 2);
    } else {
        points = args->number("points", error).value_or(1);
        if (!error.empty()) return fail(error, 2);
        if (points != 1 && points != 2) return fail(GetText("IDS_Cli_Calibrate_BadPoints"), 2);
        if (points == 2 && !typeInfo(*type).twoPointAllowed)
            return fail(GetText("IDS_Cli_Calibrate_TwoPointGasOnly"), 2);
        if (!args->has("reference")) return fail(GetText("IDS_Cli_Calibrate_NeedsReference"), 2);
        if (args->has("reference2") != (points == 2))
            return fail(GetText(points == 2 ? "IDS_Cli_Calibrate_NeedsReference2"
                                            : "IDS_Cli_Calibrate_Reference2NeedsPoints"),
                        2);
        for (const char* name : {"reference", "reference2"}) {
            std::string_view key;
            if (const auto text = args->value(name); text && !parseReference(*type, *text, &key))
                return fail("--" + std::string(name) + ": " + GetText(key), 2);
        }
    }
    const bool dryRun = args->has("dry-run");
    if (dryRun && (args->has("port") || args->has("baud"))) return fail(GetText("IDS_Cli_DryRunNoPort"), 2);

    // A dry run answers every question yes; a run on a port asks (or waits for Enter) in any case.
    const QuestionPolicy policy = dryRun ? QuestionPolicy::Yes : questionPolicy(*args);
    int exitCode = 0;
    if (!questionsAnswerable("calibrate", policy, exitCode)) return exitCode;

    std::optional<PortSession> port;
    if (!dryRun) {
        port.emplace(*args);
        if (!port->ok()) return fail(port->error(), port->exitCode());
    }
    DryRunIo dry;
    SteadyPacer steady;
    FakePacer fake;
    CliPrompter prompter("calibrate", policy);
    WizardContext ctx{dryRun ? static_cast<RegisterIo&>(dry) : rtuRegisterIo(),
                      dryRun ? static_cast<Pacer&>(fake) : steady, prompter, static_cast<int>(id)};
    CalibrationWizard wizard;
    Run run{wizard, ctx, prompter, args->has("json"), {}};

    bool done = false;
    run.met(wizard.selectType(indexOf(*type), ctx));
    if (wizard.state().type() == *type) {
        if (clear) {
            run.met(wizard.clear(ctx));
            run.handshake();
            done = wizard.state().wizardStep == 0;
        } else {
            if (points == 2)
                wizard.twoPointClicked(prompter);
            else
                run.met(wizard.onePointClicked(ctx));
            if (run.read()) {
                run.calibrate(*args->value("reference"));
                if (points == 2 && wizard.state().caption == CalibrateCaption::TwoPointCal && run.read())
                    run.calibrate(*args->value("reference2"));
                done = *type == CalibrationType::Wireless
                           ? wizard.state().caption == CalibrateCaption::CalSucceed
                           : wizard.state().wizardStep == 0;
            }
        }
    }
    if (run.json) {
        std::string list;
        for (const auto& m : run.measured) list += (list.empty() ? "" : ",") + json::quote(m);
        std::printf("{\"id\":%ld,\"type\":%s,\"%s\":%s,\"measured\":[%s]}\n", id,
                    json::quote(std::string(typeInfo(*type).cliName)).c_str(),
                    clear ? "cleared" : "calibrated", done ? "true" : "false", list.c_str());
    }
    if (done) return kExitOk;
    // A communication failure (exit 1) rather than a refusal (exit 3) when the run met one.
    return run.failure == Outcome::CommunicationFailure ? kExitFailure : kExitRefused;
}

const CommandRegistrar reg{
    {"calibrate",
     std::string("calibrate ") + kPortUsage +
         " --id N --type in-oil|gas-phase|in-oil-lab|wireless|pressure|moisture|moisture-temperature "
         "(--reference V [--points 1|2] [--reference2 V] | --clear) [--yes] [--dry-run] [--json]",
     runCalibrate}};

}  // namespace
}  // namespace talvex::cli
