// The three kinds of box the wizard shows: a plain message, a warning (caption "Warning") and an
// OK/Cancel question, each looked up in the active language when shown.
#pragma once

#include <string_view>

#include "talvex/language.hpp"
#include "talvex/prompter.hpp"

namespace talvex::calibration {

inline void plain(Prompter& p, std::string_view key) {
    p.message(GetText(key), Prompter::Icon::Information);
}
inline void warning(Prompter& p, std::string_view key) {
    p.message(GetText(key), Prompter::Icon::Warning);
}
inline bool ask(Prompter& p, std::string_view key) {
    return p.question(GetText(key));
}

}  // namespace talvex::calibration
