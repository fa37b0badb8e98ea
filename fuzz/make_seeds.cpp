// Writes the seed corpora of the fuzz targets with the project's own writers: the simulator's frames
// and history stream, the settings-file writer, the codec, the workbook writer. Run by hand when a
// format changes (docs/fuzzing.md); its output is kept under fuzz/corpus/<target>/.
//     fuzz_make_seeds OUTPUT_DIR WORKBOOK_FIXTURES
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "talvex/crc16.hpp"
#include "talvex/history_registers.hpp"
#include "talvex/ini_file.hpp"
#include "talvex/sensor_registers.hpp"
#include "talvex/sim/bus_model.hpp"
#include "talvex/sim/sensor.hpp"
#include "talvex/text_codec.hpp"
#include "talvex/workbook/writer.hpp"

namespace fs = std::filesystem;
using namespace talvex;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path out;

void put(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(out / target);
    std::ofstream(out / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void put(const std::string& target, const std::string& name, const std::string& text) {
    put(target, name, Bytes(text.begin(), text.end()));
}

Bytes request(std::uint8_t slave, std::uint8_t function, std::uint16_t a, std::uint16_t b) {
    Bytes f{slave,
            function,
            static_cast<std::uint8_t>(a >> 8),
            static_cast<std::uint8_t>(a & 0xFF),
            static_cast<std::uint8_t>(b >> 8),
            static_cast<std::uint8_t>(b & 0xFF),
            0,
            0};
    appendCrc(f.data(), 6);
    return f;
}

// Pieces as the frames target reads them: a header byte (length, pause before it) and the bytes.
void appendPieces(Bytes& stream, const Bytes& frame, int pauseUnits) {
    for (std::size_t at = 0; at < frame.size(); at += 31) {
        const std::size_t n = std::min<std::size_t>(31, frame.size() - at);
        stream.push_back(static_cast<std::uint8_t>((at == 0 ? pauseUnits << 5 : 0) | n));
        stream.insert(stream.end(), frame.begin() + static_cast<long>(at),
                      frame.begin() + static_cast<long>(at + n));
    }
}

void frameSeeds() {
    const auto now = sim::SteadyClock::now();
    sim::BusModel bus(sim::Timing{}, 1);
    bus.addSensor(sim::defaultSensorConfig(1, SensorModel::KA), now);
    bus.addFlowmeter(9, now);
    struct Ask {
        std::uint8_t slave, function;
        std::uint16_t address, value;
        std::uint8_t quantityByte;  // the rtu_response target's quantity - 1
    };
    const Ask asks[] = {{1, 3, 0, 15, 14}, {1, 3, 253, 2, 1}, {1, 6, 253, 1010, 0}, {1, 3, 9999, 4, 3},
                        {9, 3, 0, 8, 7},   {1, 4, 0, 2, 1},   {1, 1, 0, 8, 7}};
    Bytes line;
    int k = 0;
    for (const Ask& a : asks) {
        const Bytes req = request(a.slave, a.function, a.address, a.value);
        const auto reply = bus.handle(req, now);
        const Bytes resp = reply ? reply->bytes : Bytes{};
        static constexpr std::uint8_t kFunctionIndex[17] = {0, 0, 1, 2, 3, 4, 5, 0, 0,
                                                            0, 0, 0, 0, 0, 0, 6, 7};
        Bytes seed{static_cast<std::uint8_t>(a.slave - 1), kFunctionIndex[a.function], a.quantityByte,
                   static_cast<std::uint8_t>(a.address & 0xFF)};
        seed.insert(seed.end(), resp.begin(), resp.end());
        put("rtu_response", "response_" + std::to_string(k++), seed);
        appendPieces(line, req, 7);
        appendPieces(line, resp, 2);
    }
    put("frames", "exchanges", line);
    Bytes burst;  // a slave that answers without a silence: request and response in one burst
    const Bytes req = request(1, 3, 0, 4);
    if (const auto reply = bus.handle(req, now)) {
        Bytes both = req;
        both.insert(both.end(), reply->bytes.begin(), reply->bytes.end());
        appendPieces(burst, both, 0);
    }
    put("frames", "one_burst", burst);
}

void historySeeds() {
    const auto now = sim::SteadyClock::now();
    for (const int format : {1, 2}) {
        for (const bool corrupt : {false, true}) {
            sim::SensorConfig config = sim::defaultSensorConfig(1, SensorModel::KA);
            config.historyFormat = format;
            config.historyRecords = 6;
            config.historyCorruptRecord = corrupt ? 3 : 0;
            sim::Sensor sensor(config, sim::Timing{}, 1, now);
            Bytes seed{static_cast<std::uint8_t>(format == 2 ? 1 + 2 * 6 : 2 * 4)};  // format bit, piece size
            const Bytes stream = sensor.historyStream(now);
            seed.insert(seed.end(), stream.begin(), stream.end());
            put("history", "v" + std::to_string(format) + (corrupt ? "_corrupt" : ""), seed);
        }
    }
}

std::string saved(const IniFile& file) {
    const fs::path p = out / "ini.tmp";
    file.save(p);
    std::ifstream in(p, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(p);
    return bytes;
}

void textSeeds() {
    IniFile config;
    config.writeString("Channel1", "Name", "主变压器 A 相");
    config.writeString("Channel1", "Port", "/dev/ttyUSB0");
    config.writeString("Channel1", "Address", "1");
    config.writeString("Channel2", "Name", "Transformer 2");
    config.writeString("Channel2", "Baud", "9600");
    put("ini", "config_gbk.ini", saved(config));
    IniFile setting;
    setting.setEncoding(IniFile::Encoding::Utf8WithBom);
    setting.writeString("Language", "Current", "zh");
    setting.writeString("Production", "Pages", "1");
    put("ini", "setting_bom.ini", saved(setting));
    put("ini", "hand_edited.ini",
        std::string("; comment\r\n[ Sec ]\r\nkey = value \r\nnovalue\r\n[Sec]\r\nKEY=2\n"));

    put("text_codec", "gbk", encodeGbk("氢气传感器 H2 ppm 油温").value_or(""));
    put("text_codec", "gb18030_four_byte", encodeGbk("€ 😀 ㈠").value_or(""));
    put("text_codec", "utf8", std::string("变压器 ABC 123"));
    put("text_codec", "bad_gbk", std::string("\x81\x20\xFF\xA1"));
}

void workbookSeeds(const fs::path& fixtures) {
    workbook::TextList list;
    list.columns = {{"序号", 40}, {"参数", 120}, {"数值", 80}};
    list.rows = {{"1", "产品型号", "M123"}, {"2", "芯体批次", "2301"}, {"3", "Serial", "A-0042"}};
    const fs::path written = out / "written.xlsx";
    if (workbook::writeList(list, written.string(), OutputRule{true}).ok()) {
        fs::create_directories(out / "workbook_zip");
        fs::rename(written, out / "workbook_zip" / "written.xlsx");
    }
    const auto copy = [&](const std::string& target, const char* name) {
        fs::create_directories(out / target);
        fs::copy_file(fixtures / name, out / target / fs::path(name).filename(),
                      fs::copy_options::overwrite_existing);
    };
    copy("workbook_zip", "used_range.xlsx");
    copy("workbook_zip", "styled_empty.xlsx");
    copy("workbook_zip", "used_range.ods");
    copy("workbook_xls", "used_range.xls");
    copy("csv", "used_range.csv");
    put("csv", "quoted_gbk.csv",
        encodeGbk("序号,\"参数, 含逗号\",数值\r\n1,\"多\n行\",\"\"\"引号\"\"\"\r\n2,,3.5\r").value_or(""));
    put("csv", "utf8_bom.csv", std::string("\xEF\xBB\xBF") + "a,b,c\n1,2,3\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds OUTPUT_DIR WORKBOOK_FIXTURES\n");
        return 2;
    }
    out = argv[1];
    frameSeeds();
    historySeeds();
    textSeeds();
    workbookSeeds(argv[2]);
    return 0;
}
