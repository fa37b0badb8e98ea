// Parsing of the talvex-sim command line.
#include "talvex/sim/options.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

#include "talvex/baud_rates.hpp"
#include "talvex/sensor_id_list.hpp"

namespace talvex::sim {

namespace {

std::optional<long long> parseInt(const std::string& s, long long lo, long long hi) {
    if (s.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return std::nullopt;
    return v;
}

std::optional<double> parseRate(const std::string& s) {
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !(v >= 0.0 && v <= 1.0)) return std::nullopt;
    return v;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto pos = s.find(sep, start);
        parts.push_back(s.substr(start, pos - start));
        if (pos == std::string::npos) return parts;
        start = pos + 1;
    }
}

// Reads an ID list option ("1-3,7") as the window and talvex-cli read theirs.
bool parseIdListOption(const std::string& option, const std::string& text, std::vector<std::uint8_t>& ids,
                       std::string& error) {
    const sensor::IdList list = sensor::parseSensorIdList(text);
    switch (list.error) {
        case sensor::IdListError::None:
            ids.clear();
            for (const int id : list.ids) ids.push_back(static_cast<std::uint8_t>(id));
            return true;
        case sensor::IdListError::NoId:
            error = option + ": no sensor ID in '" + text + "' (IDs 1..247, e.g. 1-3,7)";
            return false;
        case sensor::IdListError::ReversedRange:
            error = option + ": '" + list.item + "' runs backwards: write the lower ID first";
            return false;
        case sensor::IdListError::NotAnId:
        case sensor::IdListError::OutOfRange:
            break;
    }
    error = option + ": '" + list.item + "' is not a sensor ID 1..247 or a range of them (e.g. 1-3,7)";
    return false;
}

}  // namespace

const char* programUsage() {
    return "usage: talvex-sim [options]\n"
           "Simulated hydrogen sensors on a pseudo-terminal; prints the device path on its first line.\n"
           "  --sensors LIST          sensor IDs, e.g. 1-3,7 (default 1)\n"
           "  --model NAME | ID:NAME  model family for all sensors or one (ModelKA..ModelKF; default "
           "ModelKA)\n"
           "  --concentrator ID       wireless concentrator answering node blocks 256*k + offset, k = 1..16\n"
           "  --wireless LIST         sensors that behave as wireless sensors (default: those of ModelKF)\n"
           "  --history v1|v2         history record format (default v1, what the Records page and\n"
           "                          talvex-cli history read unless told otherwise)\n"
           "  --history-records N     records in each sensor's history memory (default 240)\n"
           "  --no-flowmeter          no mass-flow controller at slave 200\n"
           "  --baud B                line speed for reply pacing (default 19200)\n"
           "  --fast                  answer at once instead of at the line's byte time\n"
           "  --seed N                seed of the simulated values and faults (default 1)\n"
           "  --state FILE            keep the sensors' settings in FILE between runs\n"
           "  --link PATH             also make a symlink PATH to the device (removed on exit)\n"
           "  --monitor FILE          write every request taken and reply sent to FILE, one line each:\n"
           "                          <monotonic us> rx|tx <hex bytes>\n"
           "faults:\n"
           "  --silent LIST           these sensors never answer\n"
           "  --crc-errors RATE       share 0..1 of replies with a wrong CRC\n"
           "  --drop RATE             share 0..1 of requests left unanswered\n"
           "  --truncate RATE         share 0..1 of replies cut short\n"
           "  --delay MS              extra wait before every reply\n"
           "  --exception ID:REG:CODE requests to ID touching REG answer exception CODE (repeatable)\n"
           "  --lose ID:REG:N[:reply] the Nth request to ID touching REG is lost on the line; with :reply\n"
           "                          the sensor acts on it and only its reply is lost (repeatable)\n"
           "  --refuse-calibration    calibration and fine adjustment are refused (403/404)\n"
           "  --refuse-calibrate CODE start commands are taken, calibrate commands read back CODE (403, "
           "404)\n"
           "  --handshake-ticks N     a wireless sensor's CAL_Status moves on N handshake ticks (2 s) after\n"
           "                          each piece (default: 3 s)\n"
           "  --not-fitted LIST       pressure and/or moisture hardware not fitted, e.g. pressure,moisture\n"
           "  --history-corrupt K     history record K (from 1) is sent with a wrong end byte\n"
           "  --history-stop-after K  the history stream breaks off after K records\n"
           "  --history-pause K:MS    the history stream pauses MS ms after record K\n"
           "  --h2-ramp ID:FROM:TO:S  hydrogen in oil of sensor ID moves from FROM to TO ppm over S seconds\n"
           "                          after start, then holds\n"
           "  --h2-spike ID:PPM:AT:S  hydrogen in oil of sensor ID reads PPM from AT seconds for S seconds\n"
           "  --status-bits ID:MASK:AT  run-status bits MASK (e.g. 0x10, alarm 1) set from AT seconds on\n"
           "  --help                  this text;  --version  the program's version\n";
}

bool parseProgramOptions(const std::vector<std::string>& args, ProgramOptions& out, std::string& error) {
    out = ProgramOptions{};
    std::vector<std::uint8_t> ids{1};
    std::optional<SensorModel> allModel;
    std::map<std::uint8_t, SensorModel> models;
    std::optional<std::uint8_t> concentrator;
    std::optional<std::vector<std::uint8_t>> wireless;
    int historyFormat = 1;
    SensorConfig history;  // the history fields only
    bool refuse = false, noPressure = false, noMoisture = false;
    std::optional<std::uint16_t> refuseCalibrate;
    BusOptions& bus = out.bus;
    std::map<std::uint8_t, HydrogenRamp> ramps;
    std::map<std::uint8_t, HydrogenSpike> spikes;
    std::map<std::uint8_t, StatusBitsFrom> statusBits;
    // "ID:A:B:C" with ID a sensor and numbers that are finite and not negative (but FROM/TO/PPM).
    const auto scenario = [&](const std::string& opt, const std::string& v, std::size_t fields,
                              std::uint8_t& id, std::vector<double>& numbers) {
        const auto parts = split(v, ':');
        const auto n = parts.size() == fields ? parseInt(parts[0], 1, 247) : std::nullopt;
        numbers.clear();
        for (std::size_t k = 1; n && k < parts.size(); ++k) {
            char* end = nullptr;
            const double d = std::strtod(parts[k].c_str(), &end);
            if (parts[k].empty() || *end || !std::isfinite(d) || d < 0) break;
            numbers.push_back(d);
        }
        if (!n || numbers.size() != fields - 1) {
            error = opt + ": expected " +
                    (opt == "--h2-ramp" ? "ID:FROM:TO:SECONDS (e.g. 1:50:800:60)"
                                        : "ID:PPM:AT:SECONDS (e.g. 1:900:30:10)") +
                    ", got '" + v + "'";
            return false;
        }
        id = static_cast<std::uint8_t>(*n);
        return true;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        const auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = opt + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        if (opt == "--help" || opt == "-h") {
            out.help = true;
        } else if (opt == "--version") {
            out.version = true;
        } else if (opt == "--sensors") {
            if (!value(v)) return false;
            if (!parseIdListOption(opt, v, ids, error)) return false;
        } else if (opt == "--model") {
            if (!value(v)) return false;
            const auto colon = v.find(':');
            const std::string name = colon == std::string::npos ? v : v.substr(colon + 1);
            const auto model = parseModelName(name);
            if (!model) {
                error = "--model: unknown model '" + name +
                        "' (ModelKA, ModelKB, ModelKC, ModelKD, ModelKE, ModelKG, ModelKGC, ModelKF)";
                return false;
            }
            if (colon == std::string::npos) {
                allModel = *model;
            } else {
                const auto id = parseInt(v.substr(0, colon), 1, 247);
                if (!id) {
                    error = "--model: bad sensor ID in '" + v + "'";
                    return false;
                }
                models[static_cast<std::uint8_t>(*id)] = *model;
            }
        } else if (opt == "--concentrator") {
            if (!value(v)) return false;
            const auto id = parseInt(v, 1, 247);
            if (!id) {
                error = "--concentrator: bad ID '" + v + "' (1..247)";
                return false;
            }
            concentrator = static_cast<std::uint8_t>(*id);
        } else if (opt == "--wireless") {
            if (!value(v)) return false;
            std::vector<std::uint8_t> w;
            if (!parseIdListOption(opt, v, w, error)) return false;
            wireless = w;
        } else if (opt == "--history") {
            if (!value(v)) return false;
            if (v != "v1" && v != "v2") {
                error = "--history: expected v1 or v2, got '" + v + "'";
                return false;
            }
            historyFormat = v == "v1" ? 1 : 2;
        } else if (opt == "--history-records" || opt == "--history-corrupt" ||
                   opt == "--history-stop-after") {
            if (!value(v)) return false;
            const auto n = parseInt(v, opt == "--history-records" ? 0 : 1, 0xFFFFFFFFLL);
            if (!n) {
                error = opt + ": expected a record count, got '" + v + "'";
                return false;
            }
            (opt == "--history-records"   ? history.historyRecords
             : opt == "--history-corrupt" ? history.historyCorruptRecord
                                          : history.historyStopAfter) = static_cast<std::uint32_t>(*n);
        } else if (opt == "--history-pause") {
            if (!value(v)) return false;
            const auto parts = split(v, ':');
            std::optional<long long> after, ms;
            if (parts.size() == 2) {
                after = parseInt(parts[0], 1, 0xFFFFFFFFLL);
                ms = parseInt(parts[1], 1, 600000);
            }
            if (!after || !ms) {
                error = "--history-pause: expected K:MS (e.g. 100:3000), got '" + v + "'";
                return false;
            }
            history.historyPauseAfter = static_cast<std::uint32_t>(*after);
            history.historyPause = Millis(*ms);
        } else if (opt == "--no-flowmeter") {
            bus.flowmeter = false;
        } else if (opt == "--baud") {
            if (!value(v)) return false;
            const auto b = parseInt(v, 1, 10000000);
            if (!b || !isListedBaudRate(*b)) {
                error = "--baud: unsupported rate '" + v + "' (" + listedBaudRates() + ")";
                return false;
            }
            bus.baud = static_cast<int>(*b);
        } else if (opt == "--fast") {
            bus.pace = false;
        } else if (opt == "--seed") {
            if (!value(v)) return false;
            const auto s = parseInt(v, 0, INT64_MAX);
            if (!s) {
                error = "--seed: expected a non-negative integer, got '" + v + "'";
                return false;
            }
            bus.seed = static_cast<std::uint64_t>(*s);
        } else if (opt == "--state") {
            if (!value(v)) return false;
            out.statePath = v;
        } else if (opt == "--link") {
            if (!value(v)) return false;
            bus.linkPath = v;
        } else if (opt == "--monitor") {
            if (!value(v)) return false;
            if (v.empty()) {
                error = "--monitor needs a file name";
                return false;
            }
            bus.monitorPath = v;
        } else if (opt == "--silent") {
            if (!value(v)) return false;
            if (!parseIdListOption(opt, v, bus.faults.silent, error)) return false;
        } else if (opt == "--crc-errors" || opt == "--drop" || opt == "--truncate") {
            if (!value(v)) return false;
            const auto rate = parseRate(v);
            if (!rate) {
                error = opt + ": expected a rate between 0 and 1, got '" + v + "'";
                return false;
            }
            (opt == "--crc-errors" ? bus.faults.crcErrorRate
             : opt == "--drop"     ? bus.faults.dropRate
                                   : bus.faults.truncateRate) = *rate;
        } else if (opt == "--delay") {
            if (!value(v)) return false;
            const auto ms = parseInt(v, 0, 60000);
            if (!ms) {
                error = "--delay: expected milliseconds 0..60000, got '" + v + "'";
                return false;
            }
            bus.faults.delay = Millis(*ms);
        } else if (opt == "--exception") {
            if (!value(v)) return false;
            const auto parts = split(v, ':');
            std::optional<long long> id, reg, code;
            if (parts.size() == 3) {
                id = parseInt(parts[0], 1, 247);
                reg = parseInt(parts[1], 0, 65535);
                code = parseInt(parts[2], 1, 255);
            }
            if (!id || !reg || !code) {
                error = "--exception: expected ID:REG:CODE (e.g. 1:111:4), got '" + v + "'";
                return false;
            }
            bus.faults.exceptions.push_back(ExceptionRule{static_cast<std::uint8_t>(*id),
                                                          static_cast<std::uint16_t>(*reg),
                                                          static_cast<std::uint8_t>(*code)});
        } else if (opt == "--lose") {
            if (!value(v)) return false;
            const auto parts = split(v, ':');
            std::optional<long long> id, reg, nth;
            const bool replyOnly = parts.size() == 4 && parts[3] == "reply";
            if (parts.size() == 3 || replyOnly) {
                id = parseInt(parts[0], 1, 247);
                reg = parseInt(parts[1], 0, 65535);
                nth = parseInt(parts[2], 1, 1000000);
            }
            if (!id || !reg || !nth) {
                error = "--lose: expected ID:REG:N or ID:REG:N:reply (e.g. 1:253:1), got '" + v + "'";
                return false;
            }
            bus.faults.lost.push_back(LostRequest{static_cast<std::uint8_t>(*id),
                                                  static_cast<std::uint16_t>(*reg),
                                                  static_cast<unsigned>(*nth), replyOnly});
        } else if (opt == "--h2-ramp" || opt == "--h2-spike") {
            if (!value(v)) return false;
            std::uint8_t id = 0;
            std::vector<double> n;
            if (!scenario(opt, v, 4, id, n)) return false;
            if (opt == "--h2-ramp")
                ramps[id] = {n[0], n[1], n[2]};
            else
                spikes[id] = {n[0], n[1], n[2]};
        } else if (opt == "--status-bits") {
            if (!value(v)) return false;
            const auto parts = split(v, ':');
            std::optional<long long> id, mask, at;
            if (parts.size() == 3) {
                id = parseInt(parts[0], 1, 247);
                char* end = nullptr;
                const unsigned long m = std::strtoul(parts[1].c_str(), &end, 0);
                if (!parts[1].empty() && !*end && m > 0 && m <= 0xFFFF) mask = static_cast<long long>(m);
                at = parseInt(parts[2], 0, 100000000);
            }
            if (!id || !mask || !at) {
                error = "--status-bits: expected ID:MASK:AT (e.g. 1:0x10:30), got '" + v + "'";
                return false;
            }
            statusBits[static_cast<std::uint8_t>(*id)] = {static_cast<std::uint16_t>(*mask), double(*at)};
        } else if (opt == "--refuse-calibration") {
            refuse = true;
        } else if (opt == "--refuse-calibrate") {
            if (!value(v)) return false;
            if (v != "403" && v != "404") {
                error = "--refuse-calibrate: expected 403 or 404, got '" + v + "'";
                return false;
            }
            refuseCalibrate = static_cast<std::uint16_t>(std::stoi(v));
        } else if (opt == "--handshake-ticks") {
            if (!value(v)) return false;
            const auto n = parseInt(v, 0, 1000);
            if (!n) {
                error = "--handshake-ticks: expected 0..1000, got '" + v + "'";
                return false;
            }
            bus.timing.handshakeStage = Millis(*n * 2000);
        } else if (opt == "--not-fitted") {
            if (!value(v)) return false;
            for (const auto& part : split(v, ',')) {
                if (part == "pressure")
                    noPressure = true;
                else if (part == "moisture")
                    noMoisture = true;
                else {
                    error = "--not-fitted: expected pressure and/or moisture, got '" + part + "'";
                    return false;
                }
            }
        } else {
            error = "unknown option '" + opt + "' (see --help)";
            return false;
        }
    }

    if (concentrator && std::find(ids.begin(), ids.end(), *concentrator) == ids.end())
        ids.push_back(*concentrator);
    std::sort(ids.begin(), ids.end());
    bus.sensors.clear();
    for (const auto id : ids) {
        const auto it = models.find(id);
        SensorConfig c =
            defaultSensorConfig(id, it != models.end() ? it->second : allModel.value_or(SensorModel::KA));
        if (wireless) c.wireless = std::find(wireless->begin(), wireless->end(), id) != wireless->end();
        c.concentrator = concentrator && *concentrator == id;
        c.historyFormat = historyFormat;
        c.historyRecords = history.historyRecords;
        c.historyCorruptRecord = history.historyCorruptRecord;
        c.historyStopAfter = history.historyStopAfter;
        c.historyPauseAfter = history.historyPauseAfter;
        c.historyPause = history.historyPause;
        c.refuseCalibration = refuse;
        if (refuseCalibrate) {
            c.refuseCalibrate = true;
            c.refusalCode = *refuseCalibrate;
        }
        c.pressureFitted = !noPressure;
        c.moistureFitted = !noMoisture;
        if (const auto r = ramps.find(id); r != ramps.end()) c.h2Ramp = r->second;
        if (const auto p = spikes.find(id); p != spikes.end()) c.h2Spike = p->second;
        if (const auto b = statusBits.find(id); b != statusBits.end()) c.statusBits = b->second;
        bus.sensors.push_back(c);
    }
    for (const auto& [id, model] : models) {
        (void)model;
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
            error = "--model: sensor " + std::to_string(id) + " is not in --sensors";
            return false;
        }
    }
    for (const std::uint8_t id : [&] {
             std::vector<std::uint8_t> named;
             for (const auto& [k, v] : ramps) named.push_back(k);
             for (const auto& [k, v] : spikes) named.push_back(k);
             for (const auto& [k, v] : statusBits) named.push_back(k);
             return named;
         }()) {
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
            error = "sensor " + std::to_string(id) + " of a value scenario is not in --sensors";
            return false;
        }
    }
    if (bus.flowmeter && std::find(ids.begin(), ids.end(), bus.flowmeterId) != ids.end()) {
        error = "sensor 200 collides with the flowmeter at slave 200 (use --no-flowmeter)";
        return false;
    }
    return true;
}

}  // namespace talvex::sim
