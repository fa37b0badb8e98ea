// talvex-cli channels: loads the channel store exactly as the program does at start (first-run
// setting.ini and Config.ini, conversion to the language of setting.ini) and prints the 48 entries.
#include <cstdio>
#include <string>
#include <string_view>

#include "command.hpp"
#include "command_start.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/channel_store.hpp"
#include "talvex/json.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {
namespace {

// Pads UTF-8 text to `columns` terminal cells; CJK characters take two cells, so printf's byte
// widths would misalign the Chinese labels.
std::string padded(std::string_view text, int columns) {
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        width += length >= 3 ? 2 : 1;  // three- and four-byte sequences here are CJK and wide forms
        i += length;
    }
    std::string out(text);
    if (width < columns) out.append(static_cast<std::size_t>(columns - width), ' ');
    return out;
}

struct Row {
    int channel = 0;
    std::string network, node;
};

int runChannels(const std::vector<std::string>& words) {
    int exitCode = 0;
    const auto args = startCommand("channels", words, {{kDataDirOption, kJsonOption}}, exitCode);
    if (!args || !openDataDir("channels", *args, exitCode)) return exitCode;
    const AppPaths paths = appPaths();

    ChannelStore store;
    store.setSink(
        {[](MessageKind, std::string_view text) {
             std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
         },
         [](std::string_view line) { std::fprintf(stderr, "%.*s\n", int(line.size()), line.data()); }});
    store.LoadChannelStore(paths.configFile());

    // Labels of the 48 slots, from the tree (slots without a record have none).
    std::vector<Row> rows(kChannelCount + 1);
    for (int n = 1; n <= kChannelCount; ++n) rows[n].channel = n;
    for (const auto& network : store.tree().networks)
        for (const auto& node : network.nodes) rows[node.channel] = {node.channel, network.label, node.label};

    const Session& s = session();
    if (args->has("json")) {
        std::string out = "{\"language\": " + json::quote(languageName(activeLanguage())) +
                          ", \"selectedSensorId\": " + std::to_string(s.selectedSensorId.load()) +
                          ", \"channels\": [";
        for (int n = 1; n <= kChannelCount; ++n) {
            const ChannelEntry e = s.enumUintEN.get(n);
            if (n > 1) out += ", ";
            out += "{\"channel\": " + std::to_string(n) + ", \"network\": " + json::quote(rows[n].network) +
                   ", \"node\": " + json::quote(rows[n].node) +
                   ", \"sensorId\": " + std::to_string(e.sensorId) + ", \"rate\": " + std::to_string(e.rate) +
                   ", \"enabled\": " + std::to_string(e.enabled) + "}";
        }
        out += "]}\n";
        std::fputs(out.c_str(), stdout);
        return 0;
    }
    std::printf("language %s, selected sensor %u, %s\n", std::string(languageName(activeLanguage())).c_str(),
                static_cast<unsigned>(s.selectedSensorId.load()), paths.configFile().c_str());
    std::printf("%-7s %s %s %8s %5s %7s\n", "channel", padded("network", 12).c_str(),
                padded("node", 10).c_str(), "sensorId", "rate", "enabled");
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelEntry e = s.enumUintEN.get(n);
        std::printf("%-7d %s %s %8u %5u %7u\n", n, padded(rows[n].network, 12).c_str(),
                    padded(rows[n].node, 10).c_str(), static_cast<unsigned>(e.sensorId),
                    static_cast<unsigned>(e.rate), static_cast<unsigned>(e.enabled));
    }
    return kExitOk;
}

const CommandRegistrar reg{{"channels", "channels [--data-dir DIR] [--json]", runChannels}};

}  // namespace
}  // namespace talvex::cli
