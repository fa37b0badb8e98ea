// talvex-cli language: does to the files what the language box does: makes the language active
// in setting.ini and converts Config.ini to it.
#include <cstdio>
#include <string>

#include "command.hpp"
#include "command_start.hpp"
#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/language_switch.hpp"
#include "talvex/text_codec.hpp"

namespace talvex::cli {
namespace {

int runLanguage(const std::vector<std::string>& words) {
    constexpr const char* kName = "language";
    int exitCode = 0;
    const auto args = startCommand(kName, words, {{kDataDirOption}, 1, 1}, exitCode);
    if (!args) return exitCode;
    const std::string& name = args->positional()[0];
    if (!equalsNoCase(name, "English") && !equalsNoCase(name, "Chinese"))
        return fail(kName, GetText("IDS_Cli_Language_Name"), kExitUsage);
    if (!openDataDir(kName, *args, exitCode)) return exitCode;
    const AppPaths paths = appPaths();

    const MessageSink sink{nullptr, [](std::string_view line) {
                               std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
                           }};
    const Language language = languageFromName(name);
    const LanguageSwitch done = switchLanguageFiles(paths, language, sink);
    std::printf("language %s%s\n", std::string(languageName(language)).c_str(),
                done.converted ? ", Config.ini converted" : "");
    return done.settingsSaved ? kExitOk : kExitFailure;
}

const CommandRegistrar reg{{"language", "language English|Chinese [--data-dir DIR]", runLanguage}};

}  // namespace
}  // namespace talvex::cli
