// Identity texts and coefficient blocks written as the import page writes them.
#include "talvex/production/import_ops.hpp"

#include "talvex/device/encodings.hpp"
#include "talvex/device/procedures.hpp"
#include "talvex/production/texts.hpp"
#include "talvex/sensor_registers.hpp"

namespace talvex::production {
namespace {

using device::Outcome;

// Which request failed: the equation block goes on with the next sensor after a failed read-back
// and ends the chain after a failed write; an identity text tells a failed register write from a
// failed commit write.
class FailureWatch final : public RegisterIo {
  public:
    explicit FailureWatch(RegisterIo& io) : io_(io) {}
    bool lastFailureWasRead() const { return lastFailureRead_; }
    int lastFailedAddress() const { return lastFailedAddress_; }
    int readHolding(int s, int a, int c, std::uint16_t* v) override {
        return note(io_.readHolding(s, a, c, v), true, a);
    }
    int writeSingle(int s, int a, std::uint16_t v) override {
        return note(io_.writeSingle(s, a, v), false, a);
    }
    int writeMultiple(int s, int a, int c, const std::uint16_t* v) override {
        return note(io_.writeMultiple(s, a, c, v), false, a);
    }
    int startHistoryOutput(int s) override { return io_.startHistoryOutput(s); }
    int readBytes(std::uint8_t* d, int c) override { return io_.readBytes(d, c); }
    bool isOpen() const override { return io_.isOpen(); }

  private:
    int note(int rc, bool read, int address) {
        if (!rtuOk(rc)) {
            lastFailureRead_ = read;
            lastFailedAddress_ = address;
        }
        return rc;
    }
    RegisterIo& io_;
    bool lastFailureRead_ = false;
    int lastFailedAddress_ = -1;
};

WriteOutcome outcomeOf(Outcome o) {
    switch (o) {
        case Outcome::Done:
            return WriteOutcome::Done;
        case Outcome::Refused:
            return WriteOutcome::Refused;
        case Outcome::Cancelled:
            return WriteOutcome::Cancelled;
        default:
            return WriteOutcome::CommunicationFailure;
    }
}

WriteOutcome worse(WriteOutcome a, WriteOutcome b) {
    return static_cast<int>(b) > static_cast<int>(a) ? b : a;
}

void commError(Prompter& p) {
    p.message(text("IDS_Prod_CommError"), Prompter::Icon::Stop);
}

// A commit whose write was lost: what the sensor now shows of the block's values.
void notConfirmed(RegisterIo& io, Pacer& pacer, Prompter& p, int id, const sensor::CommitCode& code) {
    p.message(device::commitNotConfirmedText(io, pacer, id, code), Prompter::Icon::Stop);
}

}  // namespace

WriteOutcome writeIdentityText(RegisterIo& io, Pacer& pacer, Prompter& prompter, int id,
                               const IdentityText& target, std::string_view value) {
    device::Encoded e = device::encodeText20(target.field, value);
    if (!e) {
        prompter.message(e.error, Prompter::Icon::Warning);
        return WriteOutcome::NotRun;
    }
    std::array<std::uint16_t, sensor::kText20Registers> regs{};
    std::copy(e.registers.begin(), e.registers.end(), regs.begin());
    FailureWatch watch(io);
    auto r = device::writeText(watch, pacer, id, *sensor::findTextWrite(target.textCode), regs);
    if (r.outcome == Outcome::Cancelled) return WriteOutcome::Cancelled;
    // A failed register write is a communication error; a failed commit write "写入失败！".
    if (r.outcome == Outcome::CommunicationFailure && watch.lastFailedAddress() != sensor::reg::kTextItem) {
        commError(prompter);
        return WriteOutcome::CommunicationFailure;
    }
    if (r.done()) {
        prompter.message(text("IDS_Prod_WriteOk"));
        return WriteOutcome::Done;
    }
    prompter.message(text("IDS_Prod_WriteFailed"));
    return outcomeOf(r.outcome);
}

WriteOutcome writeBlock(RegisterIo& io, Pacer& pacer, Prompter& prompter, const ImportBlock& block,
                        const ImportRecord& record, const WriteTargets& targets, bool marked) {
    PreparedBlock prepared = prepareBlock(block, record);
    if (!prepared.ok()) {
        prompter.message(prepared.error, Prompter::Icon::Warning);
        return WriteOutcome::NotRun;
    }
    if (!prompter.question(confirmationText(block, prepared))) return WriteOutcome::NotRun;
    const sensor::CommitCode& code = *sensor::findCommitCode(block.commitCode);
    const int wait = commitWaitMs(block);

    if (!targets.chain || block.chain == ChainStyle::None) {
        auto r = device::commitCoefficients(io, pacer, targets.selected, code, prepared.writes, wait);
        if (r.outcome == Outcome::Cancelled) return WriteOutcome::Cancelled;
        if (r.commitUnconfirmed)
            notConfirmed(io, pacer, prompter, targets.selected, code);
        else if (r.outcome == Outcome::CommunicationFailure)
            commError(prompter);
        else
            prompter.message(text(r.done() ? "IDS_Prod_WriteOk" : "IDS_Prod_WriteFailed"));
        return outcomeOf(r.outcome);
    }
    if (!marked) return WriteOutcome::NotRun;
    if (targets.chainIds.empty()) {  // nothing would be sent: say so rather than end in silence
        prompter.message(text("IDS_Load_NoEnabledChannel"), Prompter::Icon::Warning);
        return WriteOutcome::NotRun;
    }
    WriteOutcome overall = WriteOutcome::Done;
    for (int id : targets.chainIds) {
        FailureWatch watch(io);
        auto r = device::commitCoefficients(watch, pacer, id, code, prepared.writes, wait);
        if (r.outcome == Outcome::Cancelled) return WriteOutcome::Cancelled;
        overall = worse(overall, outcomeOf(r.outcome));
        if (r.outcome == Outcome::CommunicationFailure) {
            if (r.commitUnconfirmed)
                notConfirmed(io, pacer, prompter, id, code);
            else
                commError(prompter);
            if (block.chain == ChainStyle::Equation && watch.lastFailureWasRead()) continue;
            break;
        }
        if (block.chain == ChainStyle::Equation)
            prompter.message(text(r.done() ? "IDS_Prod_WriteOk" : "IDS_Prod_WriteFailed"));
        else
            prompter.message(textf(r.done() ? "IDS_Load_ChainWriteOk" : "IDS_Load_ChainWriteFailed", id));
    }
    return overall;
}

void writeMarkedBlocks(RegisterIo& io, Pacer& pacer, Prompter& prompter, const ImportRecord& record,
                       const std::array<bool, 10>& marks, const WriteTargets& targets) {
    if (!prompter.question(text("IDS_Load_ContinuedConfirm"))) return;
    bool any = false;
    auto blocks = importBlocks();
    for (size_t i = 0; i < blocks.size() && i < marks.size(); ++i) {
        if (!marks[i]) continue;
        any = true;
        if (writeBlock(io, pacer, prompter, blocks[i], record, targets, true) == WriteOutcome::Cancelled)
            return;
    }
    prompter.message(text(any ? "IDS_Load_ContinuedDone" : "IDS_Load_NoneMarked"));
}

}  // namespace talvex::production
