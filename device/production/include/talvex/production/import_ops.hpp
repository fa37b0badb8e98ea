// The import page's writes: an identity text, one coefficient block (to the selected sensor, or with
// chain mode to every enabled channel's sensor when the block allows it and is marked), and the
// continued write of all marked blocks. Each reports through the prompter with the page's texts.
#pragma once

#include <array>
#include <vector>

#include "talvex/pacer.hpp"
#include "talvex/production/import_record.hpp"
#include "talvex/prompter.hpp"
#include "talvex/register_io.hpp"

namespace talvex::production {

struct WriteTargets {
    int selected = 1;
    bool chain = false;         // the chain mode flag
    std::vector<int> chainIds;  // enabled channels' sensors in channel order
};

enum class WriteOutcome { NotRun, Done, Refused, CommunicationFailure, Cancelled };

// An identity text by procedure C; the text is checked (20 bytes in GBK) before anything is sent.
WriteOutcome writeIdentityText(RegisterIo& io, Pacer& pacer, Prompter& prompter, int id,
                               const IdentityText& target, std::string_view text);

// One block: prepare (a refusal is shown, nothing sent), confirm, write. NotRun when refused,
// cancelled at the confirmation, or chained but not marked. The worst outcome over the sensors
// otherwise.
WriteOutcome writeBlock(RegisterIo& io, Pacer& pacer, Prompter& prompter, const ImportBlock& block,
                        const ImportRecord& record, const WriteTargets& targets, bool marked);

// The continued write: asks once, then every marked block in table order, each with its own
// confirmation and messages; "接续全部写入完成！" when one ran, "没有勾选接续框！" when none was marked.
void writeMarkedBlocks(RegisterIo& io, Pacer& pacer, Prompter& prompter, const ImportRecord& record,
                       const std::array<bool, 10>& marks, const WriteTargets& targets);

}  // namespace talvex::production
