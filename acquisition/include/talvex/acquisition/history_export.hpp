// The history CSV file: UTF-8 byte-order mark, the seven column headings, one line per record, all
// lines ended by CR LF and unquoted. The Records page and `talvex-cli history` both write it here,
// so their files are the same bytes. Also the result texts of a read.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "talvex/acquisition/history_read.hpp"
#include "talvex/acquisition/history_record.hpp"
#include "talvex/acquisition/measurement_db.hpp"
#include "talvex/output_file.hpp"

namespace talvex::acquisition {

using HistoryHeadings = std::array<std::string, kHistoryColumnCount>;

// The headings the file carries, the same in every language (the list shows them translated): those
// of the English table, the default language, so a file does not change with the window's language.
const HistoryHeadings& historyFileHeadings();

// Refused: the output-file rule does not let the file be written (outputRefusal() says why).
enum class HistoryExportOutcome { Done, NoData, CreateFailed, WriteFailed, Refused };

// Writes the file; progress(i x 100 / count) before record i whenever i is a multiple of 2000
// (record 0 included), then progress(100). The file is placed by the output-file rule (written aside,
// renamed over the target at the end), so a failed export leaves an existing file as it was.
HistoryExportOutcome writeHistoryCsv(const std::string& path, const HistoryTable& table,
                                     const HistoryHeadings& headings, const OutputRule& rule,
                                     const std::function<void(int percent)>& progress = {});

// Message of a finished read: "Read %d" or, when fewer than N arrived, the longer text naming
// the requested and received counts.
std::string historyReadMessage(std::size_t received, std::uint32_t requested, const TextLookup& text);
// The message of a read as the operator sees it: when the stream held records of the other format,
// "Read %d" and which format to choose (in place of the advice to wait longer); otherwise the
// message above, then the number of damaged records skipped when there were any. received is
// passed on its own, as the records may have moved out of read.table.
std::string historyReadMessage(std::size_t received, std::uint32_t requested, const HistoryReadResult& read,
                               const TextLookup& text);

// The text with each "%d", "%u", "%lu" or "%s" replaced by the next value, in order (the table's
// texts are printf formats; values are never used as formats).
std::string fillText(std::string text, std::initializer_list<std::string> values);

}  // namespace talvex::acquisition
