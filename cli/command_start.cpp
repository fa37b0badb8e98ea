#include "command_start.hpp"

#include <cstdio>
#include <filesystem>

#include "cli_text.hpp"
#include "command.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"

namespace talvex::cli {

void note(std::string_view command, std::string_view text) {
    std::fprintf(stderr, "talvex-cli %.*s: %.*s\n", int(command.size()), command.data(), int(text.size()),
                 text.data());
}

int fail(std::string_view command, std::string_view text, int code) {
    note(command, text);
    return code;
}

std::string usageOf(std::string_view command) {
    for (const auto& c : commands())
        if (c.name == command) return c.usage;
    return std::string(command);
}

std::optional<Args> startCommand(std::string_view command, const std::vector<std::string>& words,
                                 const OptionTable& table, int& exitCode) {
    std::string error;
    auto args = Args::parse(words, table, error);
    if (!args) {
        fail(command, error, kExitUsage);
        std::fprintf(stderr, "usage: talvex-cli %s\n", usageOf(command).c_str());
        exitCode = kExitUsage;
        return std::nullopt;
    }
    if (args->has("help")) {
        std::printf("usage: talvex-cli %s\n", usageOf(command).c_str());
        exitCode = kExitOk;
        return std::nullopt;
    }
    return args;
}

bool openDataDir(std::string_view command, const Args& args, int& exitCode) {
    std::string error;
    const auto dataDir = args.value(kDataDirOption.name);
    if (dataDir) {
        std::error_code ec;
        if (dataDir->empty() || !std::filesystem::is_directory(*dataDir, ec)) {
            exitCode = fail(command, cliText("IDS_Cli_NoSuchDataDir", {*dataDir}), kExitUsage);
            return false;
        }
    }
    if (!initAppPaths(dataDir, error)) {
        exitCode = fail(command, error, kExitFailure);
        return false;
    }
    if (const LanguageStartup started = startLanguage(appPaths()); !started.ok)
        fail(command, "setting.ini: " + started.error, kExitFailure);
    return true;
}

std::optional<int> sensorIdOption(const Args& args, const std::string& name, std::string& error) {
    if (!args.has(name)) {
        error = cliText("IDS_Cli_OptionRequired", {name});
        return std::nullopt;
    }
    const auto id = args.number(name, error);
    if (!id) return std::nullopt;
    if (*id < kMinSensorId || *id > kMaxSensorId) {
        error = cliText("IDS_Cli_NotASensorId", {name});
        return std::nullopt;
    }
    return static_cast<int>(*id);
}

bool splitList(const std::string& text, std::vector<std::string>& out, std::string& error) {
    std::size_t pos = 0;
    while (true) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        if (comma == pos) {
            error = cliText("IDS_Cli_EmptyItem", {text});
            return false;
        }
        out.push_back(text.substr(pos, comma - pos));
        if (comma == text.size()) return true;
        pos = comma + 1;
    }
}

bool parseSensorIdList(const std::string& text, std::vector<int>& out, std::string& error) {
    std::vector<std::string> items;
    if (!splitList(text, items, error)) return false;
    const auto id = [](const std::string& s) -> std::optional<int> {
        const auto v = parseWholeNumber(s);
        if (!v || *v < kMinSensorId || *v > kMaxSensorId) return std::nullopt;
        return static_cast<int>(*v);
    };
    for (const auto& item : items) {
        // A dash after the first character separates a range; a leading one is a sign.
        const std::size_t dash = item.find('-', 1);
        const auto first = id(item.substr(0, dash));
        const auto last = dash == std::string::npos ? first : id(item.substr(dash + 1));
        if (!first || !last || *first > *last) {
            error = cliText("IDS_Cli_NotASensorIdRange", {item});
            return false;
        }
        for (int n = *first; n <= *last; ++n) out.push_back(n);
    }
    return true;
}

}  // namespace talvex::cli
