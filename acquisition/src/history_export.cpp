#include "talvex/acquisition/history_export.hpp"

#include <string_view>

namespace talvex::acquisition {
namespace {

constexpr std::size_t kProgressEvery = 2000;
constexpr std::size_t kFlushBytes = 1 << 20;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string lookup(const TextLookup& text, const char* key) {
    return text ? text(key) : std::string(key);
}

}  // namespace

const HistoryHeadings& historyFileHeadings() {
    static const HistoryHeadings headings = {"Sensor ID", "Time",     "H2(PPM)", "Temp(℃)",
                                             "Day ROC",   "Pressure", "Moisture"};
    return headings;
}

HistoryExportOutcome writeHistoryCsv(const std::string& path, const HistoryTable& table,
                                     const HistoryHeadings& headings, const OutputRule& rule,
                                     const std::function<void(int percent)>& progress) {
    const std::size_t count = table.records.size();
    if (count == 0) return HistoryExportOutcome::NoData;
    OutputFile file;
    if (!file.open(path, rule))
        return file.refusal() != OutputRefusal::None ? HistoryExportOutcome::Refused
                                                     : HistoryExportOutcome::CreateFailed;

    std::string buf;
    buf.reserve(kFlushBytes + 4096);
    buf.append(kBom);
    for (int c = 0; c < kHistoryColumnCount; ++c) {
        if (c > 0) buf.push_back(',');
        buf.append(headings[c]);
    }
    buf.append("\r\n");
    bool ok = true;
    for (std::size_t i = 0; i < count && ok; ++i) {
        if (i % kProgressEvery == 0 && progress) progress(static_cast<int>(i * 100 / count));
        appendHistoryLine(buf, table, i);
        if (buf.size() >= kFlushBytes) {
            ok = writeAll(file.fd(), buf);
            buf.clear();
        }
    }
    ok = ok && writeAll(file.fd(), buf);
    if (!ok || !file.commit())
        return file.refusal() != OutputRefusal::None ? HistoryExportOutcome::Refused
                                                     : HistoryExportOutcome::WriteFailed;
    if (progress) progress(100);
    return HistoryExportOutcome::Done;
}

std::string fillText(std::string text, std::initializer_list<std::string> values) {
    auto next = values.begin();
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && next != values.end()) {
            std::size_t len = 0;
            const std::string_view rest(text.data() + i + 1, text.size() - i - 1);
            if (rest.starts_with("lu") || rest.starts_with("ld"))
                len = 2;
            else if (rest.starts_with("d") || rest.starts_with("u") || rest.starts_with("s"))
                len = 1;
            if (len > 0) {
                out.append(*next++);
                i += len;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string historyReadMessage(std::size_t received, std::uint32_t requested, const TextLookup& text) {
    const std::string got = std::to_string(received);
    if (requested > 0 && received < requested)
        return fillText(lookup(text, "IDS_Tab_Query_ReadDoneTip"), {got, std::to_string(requested), got});
    return fillText(lookup(text, "IDS_Tab_Query_ReadDone"), {got});
}

std::string historyReadMessage(std::size_t received, std::uint32_t requested, const HistoryReadResult& read,
                               const TextLookup& text) {
    if (read.otherFormat) {
        // Too few because the format was wrong, not because the sensor was slow: say which to choose.
        const std::string name =
            lookup(text, *read.otherFormat == HistoryFormat::V2 ? "IDS_Dlg_Query_V2" : "IDS_Dlg_Query_V1");
        return fillText(lookup(text, "IDS_Tab_Query_ReadDone"), {std::to_string(received)}) + "\n" +
               fillText(lookup(text, "IDS_Tab_Query_OtherFormat"), {name, name});
    }
    std::string message = historyReadMessage(received, requested, text);
    if (read.dropped > 0)
        message += "\n" + fillText(lookup(text, "IDS_Tab_Query_Damaged"), {std::to_string(read.dropped)});
    return message;
}

}  // namespace talvex::acquisition
