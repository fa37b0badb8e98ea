#include "command_start.hpp"

#include <cstdio>
#include <filesystem>

#include "cli_text.hpp"
#include "command.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/sensor_id_list.hpp"

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
    sensor::IdList list = sensor::parseSensorIdList(text);
    switch (list.error) {
        case sensor::IdListError::None:
            out = std::move(list.ids);
            return true;
        case sensor::IdListError::NoId:
            error = cliText("IDS_Cli_NoSensorId", {text});
            return false;
        case sensor::IdListError::ReversedRange:
            error = cliText("IDS_Cli_ReversedIdRange", {list.item});
            return false;
        case sensor::IdListError::NotAnId:
        case sensor::IdListError::OutOfRange:
            break;
    }
    error = cliText("IDS_Cli_NotASensorIdRange", {list.item});
    return false;
}

}  // namespace talvex::cli
