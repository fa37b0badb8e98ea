#include "talvex/device/procedures.hpp"

#include <algorithm>

#include "talvex/language.hpp"

namespace talvex::device {
namespace {

using std::chrono::milliseconds;
namespace reg = sensor::reg;

ProcedureResult result(Outcome o, std::uint16_t readBack = 0) {
    return ProcedureResult{o, readBack};
}

}  // namespace

Outcome writeThenPause(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t address, std::uint16_t value,
                       milliseconds pause) {
    if (pacer.cancelled()) return Outcome::Cancelled;
    if (!rtuOk(io.writeSingle(slave, address, value))) return Outcome::CommunicationFailure;
    return pacer.pause(pause) ? Outcome::Done : Outcome::Cancelled;
}

Outcome readThenPause(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t address, int count,
                      std::uint16_t* values, milliseconds pause) {
    if (pacer.cancelled()) return Outcome::Cancelled;
    if (!rtuOk(io.readHolding(slave, address, count, values))) return Outcome::CommunicationFailure;
    return pacer.pause(pause) ? Outcome::Done : Outcome::Cancelled;
}

ProcedureResult commitCoefficients(RegisterIo& io, Pacer& pacer, int slave, const sensor::CommitCode& code,
                                   std::span<const RegisterWrite> staged, int waitMs) {
    for (const RegisterWrite& w : staged)
        if (const Outcome o = writeThenPause(io, pacer, slave, w.address, w.value); o != Outcome::Done)
            return result(o);
    if (pacer.cancelled()) return result(Outcome::Cancelled);
    // A lost commit write may leave 253 showing the acknowledgement of an earlier commit of the same
    // code, so the read-back cannot confirm it.
    const bool unconfirmed = !rtuOk(io.writeSingle(slave, reg::kCommit, code.code));
    const auto lost = [unconfirmed](ProcedureResult r) {
        if (unconfirmed && r.outcome != Outcome::Cancelled) {
            r.outcome = Outcome::CommunicationFailure;
            r.commitUnconfirmed = true;
        }
        return r;
    };
    if (code.stopOnCommitWriteFailure && unconfirmed) return lost(result(Outcome::CommunicationFailure));
    if (code.leadWaitMs > 0 && !pacer.pause(milliseconds(code.leadWaitMs))) return result(Outcome::Cancelled);
    if (!pacer.pause(milliseconds(waitMs >= 0 ? waitMs : code.waitMs))) return result(Outcome::Cancelled);
    std::uint16_t ack = 0;
    if (!rtuOk(io.readHolding(slave, reg::kCommit, 1, &ack)))
        return lost(result(Outcome::CommunicationFailure));
    return lost(result(ack == code.ack ? Outcome::Done : Outcome::Refused, ack));
}

std::string commitNotConfirmedText(RegisterIo& io, Pacer& pacer, int slave, const sensor::CommitCode& code) {
    std::string out = GetText("IDS_CommitNotConfirmed");
    bool header = false;
    for (const sensor::StagedValue& v : code.staged) {
        if (v.item == 0) continue;
        const TextResult t = readTextItem(io, pacer, slave, v.item);
        if (t.outcome == Outcome::Cancelled) break;
        if (!header) out += "\n" + GetText("IDS_CommitSensorShows");
        header = true;
        out += "\n" + std::string(v.name) + ": " + (t.done() ? t.text : std::string("?"));
    }
    return out;
}

TextResult readTextItem(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t code) {
    // One attempt: command, window, acknowledgement. The acknowledgement decides, except that a
    // window never read gives no text; a final attempt in which a request failed is told apart from
    // a plain wrong acknowledgement.
    const auto attempt = [&](milliseconds beforeAck, TextResult& out) {
        bool requestFailed = false;
        if (!rtuOk(io.writeSingle(slave, reg::kTextItem, code))) requestFailed = true;
        if (!pacer.pause(kStepPause)) return false;
        std::array<std::uint16_t, sensor::kText20Registers> window{};
        bool windowRead = true;
        if (!rtuOk(io.readHolding(slave, reg::kTextWindow, sensor::kText20Registers, window.data()))) {
            requestFailed = true;
            windowRead = false;
            window.fill(0);
        }
        if (!pacer.pause(beforeAck)) return false;
        std::uint16_t ack = 0;
        if (!rtuOk(io.readHolding(slave, reg::kTextItem, 1, &ack))) {
            requestFailed = true;
            ack = 0;
        }
        out.text = decodeText20(window);
        // An acknowledged item whose window read failed has no text: that is a communication
        // failure, not an empty text.
        out.outcome = ack == sensor::itemAck(code) && windowRead
                          ? Outcome::Done
                          : (requestFailed ? Outcome::CommunicationFailure : Outcome::Refused);
        return true;
    };
    TextResult out;
    if (pacer.cancelled() || !attempt(kStepPause, out)) return {Outcome::Cancelled, {}};
    if (out.done()) return out;
    if (!pacer.pause(milliseconds(10)) || !attempt(milliseconds(1000), out)) return {Outcome::Cancelled, {}};
    if (!out.done()) out.text.clear();
    return out;
}

ProcedureResult writeText(RegisterIo& io, Pacer& pacer, int slave, const sensor::TextWrite& target,
                          std::span<const std::uint16_t, 10> text20) {
    const milliseconds registerPause(target.registerPauseMs);
    for (int k = 0; k < sensor::kText20Registers; ++k) {
        const auto address = static_cast<std::uint16_t>(target.firstRegister + k);
        if (const Outcome o =
                writeThenPause(io, pacer, slave, address, text20[static_cast<std::size_t>(k)], registerPause);
            o != Outcome::Done)
            return result(o);
    }
    if (!target.signer && !pacer.pause(milliseconds(10))) return result(Outcome::Cancelled);
    if (pacer.cancelled()) return result(Outcome::Cancelled);
    const bool ok = rtuOk(io.writeSingle(slave, reg::kTextItem, target.code));
    // The commit is made or not by now: a cancel during the settling pause changes nothing.
    pacer.pause(target.signer ? milliseconds(10) : kStepPause);
    return result(ok ? Outcome::Done : Outcome::CommunicationFailure);
}

ProcedureResult sendCommand(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t command, milliseconds wait,
                            bool examineWrite) {
    if (pacer.cancelled()) return result(Outcome::Cancelled);
    if (!rtuOk(io.writeSingle(slave, reg::kCommand, command)) && examineWrite)
        return result(Outcome::CommunicationFailure);
    if (!pacer.pause(wait)) return result(Outcome::Cancelled);
    std::uint16_t value = 0;
    if (!rtuOk(io.readHolding(slave, reg::kCommand, 1, &value))) return result(Outcome::CommunicationFailure);
    return result(value == sensor::commandAck(command) ? Outcome::Done : Outcome::Refused, value);
}

ProcedureResult fineAdjust(RegisterIo& io, Pacer& pacer, int slave, std::uint16_t address,
                           std::uint16_t ppm) {
    if (pacer.cancelled()) return result(Outcome::Cancelled);
    if (!rtuOk(io.writeSingle(slave, address, ppm))) return result(Outcome::CommunicationFailure);
    if (!pacer.pause(milliseconds(sensor::kFineAdjustWaitMs))) return result(Outcome::Cancelled);
    std::uint16_t value = 0;
    if (!rtuOk(io.readHolding(slave, address, 1, &value))) return result(Outcome::CommunicationFailure);
    return result(value == address ? Outcome::Done : Outcome::Refused, value);
}

}  // namespace talvex::device
