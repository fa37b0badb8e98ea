// Signing: name first (procedure C with the signer's short pauses), then the date registers.
#include "talvex/production/signing.hpp"

#include "talvex/device/encodings.hpp"
#include "talvex/device/procedures.hpp"
#include "talvex/production/texts.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/text_codec.hpp"

namespace talvex::production {

SignDate signDate(const std::tm& d) {
    std::int64_t yyyymmdd = (d.tm_year + 1900) * 10000LL + (d.tm_mon + 1) * 100LL + d.tm_mday;
    device::Encoded e = device::encodeBcdDate("date", yyyymmdd);
    if (!e.ok() || e.registers.size() != 2) return {};
    return {e.registers[0], e.registers[1]};
}

SignResult sign(RegisterIo& io, Pacer& pacer, int id, std::string_view signer, const std::tm& localDate) {
    using device::Outcome;
    if (signer.empty()) return {SignOutcome::NameRefused, text("IDS_Prod_SignerEmpty")};
    device::Encoded name = device::encodeText20(text("IDS_Prod_Signer"), signer);
    if (!name.ok())  // too long, or bytes that are not text
        return {SignOutcome::NameRefused, isValidUtf8(signer) ? text("IDS_Prod_SignerTooLong") : name.error};
    SignDate date = signDate(localDate);

    std::array<std::uint16_t, sensor::kText20Registers> regs{};
    std::copy(name.registers.begin(), name.registers.end(), regs.begin());
    auto failed = [](Outcome o) {
        return o == Outcome::Cancelled
                   ? SignResult{SignOutcome::Cancelled, {}}
                   : SignResult{SignOutcome::CommunicationFailure, text("IDS_Prod_CommError")};
    };
    device::ProcedureResult w =
        device::writeText(io, pacer, id, *sensor::findTextWrite(sensor::textcode::kSigner), regs);
    if (!w.done()) return failed(w.outcome);
    if (Outcome o = device::writeThenPause(io, pacer, id, sensor::reg::kDataDate, date.monthDay);
        o != Outcome::Done)
        return failed(o);
    if (Outcome o = device::writeThenPause(io, pacer, id, sensor::reg::kDataDateYear, date.year);
        o != Outcome::Done)
        return failed(o);
    return {SignOutcome::Signed, text("IDS_Prod_SignOk")};
}

}  // namespace talvex::production
