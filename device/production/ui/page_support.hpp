// What the production and import pages share around the runner: the hold that shows a page's own
// text when the port is not open, and the page's prompter for messages on the window's thread.
#pragma once

#include <QString>

#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

inline RunOptions closedLink(const char* key, bool warning) {
    RunOptions o;
    o.closedLinkKey = key;
    o.closedLinkWarning = warning;
    return o;
}

inline Prompter& promptOf(const PageContext& ctx) {
    return ctx.prompter ? *ctx.prompter : activePrompter();
}

// A message of the page; warning adds the caption "警告".
inline void say(const PageContext& ctx, QWidget* page, const QString& text, bool warning = false) {
    promptOf(ctx).message(page, text, warning ? uiText("IDS_Prod_Warning") : QString(),
                          warning ? Prompter::Icon::Warning : Prompter::Icon::Information);
}

}  // namespace talvex::ui
