#include "talvex/ui/ui_text.hpp"

#include <QtGlobal>

#include "talvex/language.hpp"

// Q_INIT_RESOURCE must be used outside any namespace.
static void initTalvexResources() {
    Q_INIT_RESOURCE(talvex);
}

namespace talvex::ui {

void ensureResources() {
    static const bool done = (initTalvexResources(), true);
    (void)done;
}

QString uiText(std::string_view key) {
    return QString::fromStdString(GetText(key));
}

}  // namespace talvex::ui
