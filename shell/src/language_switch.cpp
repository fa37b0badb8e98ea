#include "talvex/language_switch.hpp"

#include "talvex/channel_store.hpp"
#include "talvex/language.hpp"

namespace talvex {

LanguageSwitch switchLanguageFiles(const AppPaths& paths, Language language, const MessageSink& sink) {
    LanguageSwitch result;
    // The box offers the two names in fixed spelling; that is what setting.ini keeps.
    if (!LoadLanguage(paths.settingsFile(), languageName(language), &result.error)) {
        result.settingsSaved = false;
        sink.notice(GetText("IDS_Safety_SettingsNotWritten"), result.error);
    }
    result.converted = RelabelConfigFile(paths.configFile(), sink);
    return result;
}

}  // namespace talvex
