// talvex-cli language: does to the files what the language box does: makes the language active
// in setting.ini and converts Config.ini to it.
#include <cstdio>
#include <string>

#include "command.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/language_switch.hpp"
#include "talvex/text_codec.hpp"

namespace talvex::cli {
namespace {

int runLanguage(const std::vector<std::string>& words) {
    std::string error;
    const auto args = Args::parseLenient(words, {}, error);
    if (!args) {
        std::fprintf(stderr, "language: %s\n", error.c_str());
        return 2;
    }
    if (args->positional().size() != 1 ||
        !(equalsNoCase(args->positional()[0], "English") || equalsNoCase(args->positional()[0], "Chinese"))) {
        std::fprintf(stderr, "language: name English or Chinese\n");
        return 2;
    }
    if (!initAppPaths(args->value("data-dir"), error)) {
        std::fprintf(stderr, "language: %s\n", error.c_str());
        return 1;
    }
    const AppPaths paths = appPaths();
    const LanguageStartup started = startLanguage(paths);
    if (!started.ok) std::fprintf(stderr, "language: setting.ini: %s\n", started.error.c_str());

    const MessageSink sink{nullptr, [](std::string_view line) {
                               std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
                           }};
    const Language language = languageFromName(args->positional()[0]);
    const LanguageSwitch done = SwitchLanguageFiles(paths, language, sink);
    std::printf("language %s%s\n", std::string(languageName(language)).c_str(),
                done.converted ? ", Config.ini converted" : "");
    if (!done.settingsSaved) return 1;
    return 0;
}

const CommandRegistrar reg{{"language", "language English|Chinese [--data-dir DIR]", runLanguage}};

}  // namespace
}  // namespace talvex::cli
