// What the language box does to the files: the language becomes active and is stored in
// setting.ini, and Config.ini is converted to it. The window then re-labels itself and rebuilds
// the channel tree (ChannelStore::RebuildChannelTree).
#pragma once

#include <string>

#include "talvex/app_paths.hpp"
#include "talvex/language.hpp"
#include "talvex/message_sink.hpp"

namespace talvex {

struct LanguageSwitch {
    bool settingsSaved = true;  // false: setting.ini could not be written (error says why)
    bool converted = false;     // Config.ini was rewritten in the new language
    std::string error;
};

LanguageSwitch switchLanguageFiles(const AppPaths& paths, Language language, const MessageSink& sink = {});

}  // namespace talvex
