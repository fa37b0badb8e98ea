#include "talvex/diagnostics/diagnostics_format.hpp"

#include <cstdio>
#include <ctime>

#include "talvex/json.hpp"

namespace talvex::diagnostics {
namespace {

const char* noteName(PairNote note) {
    switch (note) {
        case PairNote::None:
            return "";
        case PairNote::Paired:
            return "paired";
        case PairNote::WithoutRequest:
            return "without request";
        case PairNote::Late:
            return "late";
    }
    return "";
}

std::string millis(std::int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(us) / 1000.0);
    return text;
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string optMs(const std::optional<std::int64_t>& us) {
    return us ? millis(*us) : "-";
}

std::string optUsJson(const std::optional<std::int64_t>& us) {
    return us ? std::to_string(*us) : "null";
}

}  // namespace

std::string localTimeText(std::int64_t unixUs) {
    const std::time_t secs = static_cast<std::time_t>(unixUs / 1'000'000);
    std::tm tm{};
    localtime_r(&secs, &tm);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%06lld", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<long long>(unixUs % 1'000'000));
    return text;
}

std::string frameLine(const PairedFrame& f, std::int64_t unixUs, const std::vector<std::uint8_t>& bytes) {
    char head[64];
    std::snprintf(head, sizeof head, "%s %-8s %3u %2u  ", localTimeText(unixUs).c_str(),
                  f.request ? "request" : "response", f.decoded.slave, f.decoded.function);
    std::string line = head + describe(f.decoded);
    if (!f.request && f.note != PairNote::Paired) line += std::string(" [") + noteName(f.note) + "]";
    if (f.responseUs >= 0) line += " (" + millis(f.responseUs) + " ms)";
    return line + "  | " + hexBytes(bytes.data(), bytes.size());
}

std::string frameJson(const PairedFrame& f, std::int64_t unixUs, const std::vector<std::uint8_t>& bytes) {
    const DecodedFrame& d = f.decoded;
    std::string out =
        "{\"time\": " + json::quote(localTimeText(unixUs)) + ", \"us\": " + std::to_string(f.timeUs) +
        ", \"direction\": " + json::quote(f.request ? "request" : "response") +
        ", \"slave\": " + std::to_string(d.slave) + ", \"function\": " + std::to_string(d.function) +
        ", \"crc\": " + (d.crcOk ? "true" : "false");
    if (d.hasAddress)
        out += ", \"address\": " + std::to_string(d.address) + ", \"count\": " + std::to_string(d.count);
    if (d.kind == FrameKind::Exception)
        out += ", \"exception\": " + std::to_string(d.exceptionCode) +
               ", \"exception_name\": " + json::quote(exceptionName(d.exceptionCode));
    if (!d.values.empty()) {
        out += ", \"values\": [";
        for (std::size_t i = 0; i < d.values.size(); ++i)
            out += (i ? ", " : "") + std::to_string(d.values[i]);
        out += "]";
    }
    if (!f.request) out += ", \"pairing\": " + json::quote(noteName(f.note));
    if (f.responseUs >= 0) out += ", \"response_us\": " + std::to_string(f.responseUs);
    out += ", \"summary\": " + json::quote(describe(d));
    return out + ", \"hex\": " + json::quote(hexBytes(bytes.data(), bytes.size())) + "}";
}

DecodedFrame decodeTapFrame(const TrafficFrame& f) {
    return decodeFrame(f.bytes.data(), f.bytes.size(), f.direction == FrameDirection::Request);
}

std::string framesCsv(const std::vector<TrafficFrame>& frames) {
    std::string out = "seq,time,us,direction,slave,function,outcome,response_ms,summary,hex\n";
    for (const auto& f : frames) {
        const DecodedFrame d = decodeTapFrame(f);
        const bool request = f.direction == FrameDirection::Request;
        out += std::to_string(f.seq) + "," + localTimeText(f.unixMs * 1000).substr(0, 23) + "," +
               std::to_string(f.timeUs) + "," + (request ? "request" : "response") + "," +
               (f.bytes.empty() ? "" : std::to_string(d.slave)) + "," +
               (f.bytes.size() < 2 ? "" : std::to_string(d.function)) + "," +
               csvField(outcomeName(f.outcome)) + "," + (f.responseUs >= 0 ? millis(f.responseUs) : "") +
               "," + csvField(describe(d)) + "," + hexBytes(f.bytes.data(), f.bytes.size()) + "\n";
    }
    return out;
}

std::string lastFailureText(const SlaveStatistics& s) {
    if (!s.lastFailure) return "";
    if (*s.lastFailure == FrameOutcome::Exception)
        return "exception " + std::to_string(s.lastFailureException) + " (" +
               exceptionName(s.lastFailureException) + ")";
    return outcomeName(*s.lastFailure);
}

std::string statisticsText(const std::vector<SlaveStatistics>& slaves) {
    std::string out =
        "slave requests  answers time-outs  CRC  other retries  min ms  median ms  p99 ms  exceptions  last "
        "failure\n";
    for (const auto& s : slaves) {
        std::string exceptions;
        for (const auto& [code, n] : s.exceptions)
            exceptions += (exceptions.empty() ? "" : ",") + std::to_string(code) + ":" + std::to_string(n);
        if (exceptions.empty()) exceptions = "-";
        std::string last = lastFailureText(s);
        if (!last.empty()) last += " at " + localTimeText(s.lastFailureUnixMs * 1000).substr(0, 19);
        char line[256];
        std::snprintf(
            line, sizeof line, "%5u %8llu %8llu %9llu %4llu %6llu %7llu %7s %10s %7s  %-10s  %s\n", s.slave,
            static_cast<unsigned long long>(s.requests), static_cast<unsigned long long>(s.answers),
            static_cast<unsigned long long>(s.timeouts), static_cast<unsigned long long>(s.crcErrors),
            static_cast<unsigned long long>(s.otherErrors), static_cast<unsigned long long>(s.retries),
            optMs(s.minUs).c_str(), optMs(s.medianUs).c_str(), optMs(s.p99Us).c_str(), exceptions.c_str(),
            last.empty() ? "-" : last.c_str());
        out += line;
    }
    return out;
}

std::string statisticsJson(const std::vector<SlaveStatistics>& slaves) {
    std::string out = "{\"slaves\": [";
    for (std::size_t i = 0; i < slaves.size(); ++i) {
        const auto& s = slaves[i];
        out += i ? ", " : "";
        out += "{\"slave\": " + std::to_string(s.slave) + ", \"requests\": " + std::to_string(s.requests) +
               ", \"answers\": " + std::to_string(s.answers) +
               ", \"timeouts\": " + std::to_string(s.timeouts) +
               ", \"crc_errors\": " + std::to_string(s.crcErrors) +
               ", \"other_errors\": " + std::to_string(s.otherErrors) +
               ", \"retries\": " + std::to_string(s.retries) + ", \"exceptions\": {";
        bool first = true;
        for (const auto& [code, n] : s.exceptions) {
            out += (first ? "" : ", ") + json::quote(std::to_string(code)) + ": " + std::to_string(n);
            first = false;
        }
        out += "}, \"min_us\": " + optUsJson(s.minUs) + ", \"median_us\": " + optUsJson(s.medianUs) +
               ", \"p99_us\": " + optUsJson(s.p99Us) + ", \"last_failure\": ";
        if (s.lastFailure)
            out += "{\"what\": " + json::quote(lastFailureText(s)) +
                   ", \"time\": " + json::quote(localTimeText(s.lastFailureUnixMs * 1000).substr(0, 23)) +
                   "}";
        else
            out += "null";
        out += "}";
    }
    return out + "]}";
}

}  // namespace talvex::diagnostics
